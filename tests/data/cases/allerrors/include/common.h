// Shared members of the guard scripts.
int Shared;

function int Helper(int value)
{
    return valu + 1;                                 //!1 return value + 1;
}

function int Other(int value)
{
    return Helper(value, 1);                         //!2 return Helper(value);
}
