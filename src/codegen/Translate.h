// Translation of the syntax tree into machine code. The walk runs twice over
// the same tree: pass 0 only does the bookkeeping (temporaries, slots), pass
// 1 emits. Expressions leave their value in EAX; conditions become jump code.
#pragma once

class CCodeGen;
class CNode;

// Prepares the tree (drops statements after break or return, re-associates
// +, *, &, ^ and | so that right operands stay simple), runs the layout pass
// and the emitting pass into gen, and resolves the jumps. False when
// generation failed (gen.GetFailure() says why): the unit must not be written.
bool GenerateUnit(CNode* root, CCodeGen& gen);
