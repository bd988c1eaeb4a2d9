int x;
include "lib/more.h"
