include "deeper.h"
consts
{
    Limit = 5;
}
