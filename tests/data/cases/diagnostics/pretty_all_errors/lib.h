function int Twice(int value)
{
    return value * 2;
}

function int Half(int value)
{
    return value / tow;
}
