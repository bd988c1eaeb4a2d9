// A readable listing of a syntax tree: one node a line, indented by depth,
// with its kind and what it names or holds. It shows how an expression was
// grouped, which matters because the language's priorities differ from C's.
#pragma once
#include <string>

class CNode;

std::string DumpTree(const CNode* root);
