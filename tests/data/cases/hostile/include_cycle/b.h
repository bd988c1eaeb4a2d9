include "a.h"
