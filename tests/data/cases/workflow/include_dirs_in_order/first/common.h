consts
{
    Limit = ;
}
