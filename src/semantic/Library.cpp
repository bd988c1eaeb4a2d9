// The registry of built-in function numbers; the library construction fills it.
#include "semantic/Library.h"

CBuiltinNumbers g_builtinFunctionNumbers;
