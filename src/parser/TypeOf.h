// Expression typing: the type of a tree node, computed from its children by
// the rule of its kind and cached in the node. Null when no rule applies,
// which the callers report as "Invalid type".
#pragma once
#include "parser/Node.h"

CType* TypeOf(CNode* node);
