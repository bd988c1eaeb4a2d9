// Translation of the syntax tree into machine code, one routine at a time as
// soon as its body is complete, in one walk that numbers the temporaries as
// it emits; the prologue, which counts them, is emitted last and moved in
// front of the body. Expressions leave their value in EAX; conditions
// become jump code. A routine needs nothing that comes after it:
// class-variable slots follow declaration order, states are numbered when
// first named, and a script function is defined before anything can call it.
#pragma once
#include <memory>

class CCodeGen;
class CClassNode;
class CNode;
class CTranslator;

// The unit of one class, built routine by routine into gen. Every step is
// false once generation has failed (gen.GetFailure() says why): the unit
// must not be written.
class CUnitGenerator {
public:
    explicit CUnitGenerator(CCodeGen& gen);
    ~CUnitGenerator();

    // Sizes the handler tables for the class's base class.
    bool Begin(CClassNode* cls);
    // A state, event, command or function node with its body: translates
    // it, rewriting the body on the way (statements after break or return
    // are dropped, +, *, &, ^ and | re-associated so that right operands
    // stay simple), and resolves its jumps. The body may be freed afterwards.
    bool Routine(CNode* routine);
    // The two halves of Routine, for a routine translated on another thread
    // than the one that parses: the class variables declared so far get
    // their slots (on the parsing thread, between declarations), then the
    // routine is translated by whichever thread alone uses the generator.
    void SlotClassVariables();
    bool TranslateRoutine(CNode* routine);
    // $Destructor, $Serialize and the data size, after the last routine.
    bool End();

private:
    CCodeGen& m_Gen;
    std::unique_ptr<CTranslator> m_pTranslator;
};

// The whole unit of a complete tree (its routines in source order).
bool GenerateUnit(CNode* root, CCodeGen& gen);
