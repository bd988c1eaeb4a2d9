// Suggestions for a name the compiler did not find: the names visible at the
// point of the error, and the few of them that are close to the name written.
// Closeness ignores letter case: a name that differs only in case comes
// first, then the names within a small edit distance that grows with the
// length of the name. The walks over what is visible hand each name to a
// sink in the order the lookup itself would try them, which also orders
// suggestions of equal distance; a name may come more than once (overloads).
// Nothing here changes the tree or the class model.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "builtins/BuiltinLibrary.h"
#include "parser/Compiler.h"
#include "parser/Node.h"
#include "semantic/States.h"

// Damerau-Levenshtein distance (adjacent transpositions count one) between
// the two names with letter case folded.
int EditDistance(std::string_view a, std::string_view b);
// The largest distance at which a candidate is still offered for `name`.
int SuggestionReach(std::string_view name);

// Takes the names a walk finds.
class CNameSink {
public:
    virtual ~CNameSink() = default;
    virtual void Offer(std::string_view name) = 0;
};

// Keeps the names close to one name, best first. A name far off costs a
// comparison of lengths, so a walk over thousands of names stays cheap.
class CSuggester : public CNameSink {
public:
    explicit CSuggester(std::string_view name);
    void Offer(std::string_view candidate) override;
    // Up to `limit` of them; the name itself is never among them.
    std::vector<std::string> Best(size_t limit = 3) const;

private:
    struct SRanked {
        int m_nDistance;  // -1: only the letter case differs
        std::string m_strName;
    };
    std::string m_strName;
    int m_nReach;
    std::vector<SRanked> m_Ranked;  // in the order offered
};

// The candidates close to `name`, best first.
std::vector<std::string> Suggest(std::string_view name, const std::vector<std::string>& candidates,
                                 size_t limit = 3);

// --- what is visible where --------------------------------------------------
// A name in an expression: variables of the enclosing blocks (innermost first)
// and parameters, the constants of the class and the script, the script's
// functions, the class's functions with its parents', the states.
void OfferVisibleNames(const CNode* cursor, const CType* baseClass, const CStatesTable& states, CNameSink& sink);
// After a dot on an object of `cls`: the members that may be called there.
void OfferDotMembers(const CType* cls, CNameSink& sink);
// The events (commands) a handler of a script based on `cls` may implement.
void OfferEvents(const CType* cls, CNameSink& sink);
void OfferCommands(const CType* cls, CNameSink& sink);
void OfferStates(const CStatesTable& states, CNameSink& sink);
// The classes a script may name; with `basicTypes`, "int" and "string" first.
void OfferClassNames(const CBuiltinLibrary& library, bool basicTypes, CNameSink& sink);

// --- candidate signatures ---------------------------------------------------
// "int Trace(int)", "event OnHit(unit)": as a person would write the head.
std::string FormatSignature(const CFunction& f);
// Every function a call of `name` could have meant: those of the target class
// and its parents, then, for a call without an object, the script's own
// (letter case ignored).
std::vector<std::string> CallCandidates(const CNode* call, const CType* target, bool withScript,
                                        const std::string& name);
// Every event (command) of `cls` and its parents called `name`.
std::vector<std::string> EventCandidates(const CType* cls, const std::string& name);
std::vector<std::string> CommandCandidates(const CType* cls, const std::string& name);

// The current token as the name of an error, with what `suggester` kept.
CNameFault NameFault(const CCompiler& c, const CSuggester& suggester);
