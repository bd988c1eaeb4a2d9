// Translation of the syntax tree into machine code. The walk runs twice over
// the same tree: pass 0 only does the bookkeeping (temporaries, slots,
// labels), pass 1 emits. Expressions leave their value in EAX; conditions
// become jump code.
#pragma once

class CCodeGen;
class CNode;
class CType;

// Drops statements after break or return and re-associates +, *, &, ^ and |
// so that right operands stay simple. Runs once, before pass 0.
void PrepareTree(CNode* root);
// Translates the whole tree in the code generator's current pass.
void TranslateTree(CNode* root, CCodeGen& gen);
// Drops the label lists of blocks, so that the next pass makes fresh labels
// in the same order.
void FinishBlocks(CNode* root);
