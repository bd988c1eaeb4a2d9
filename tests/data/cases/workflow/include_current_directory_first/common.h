consts
{
    Limit = 5;
}
