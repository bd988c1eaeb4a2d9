

include "a.h"
