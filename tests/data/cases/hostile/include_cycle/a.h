include "b.h"
