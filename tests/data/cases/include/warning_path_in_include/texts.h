state A
{
    Trace("from the include");
    Trace("12345");
}
