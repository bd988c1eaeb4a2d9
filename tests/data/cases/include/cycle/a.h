int a;
include "b.h"
