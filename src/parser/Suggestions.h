// Suggestions for a name the compiler did not find: the names visible at the
// point of the error, and the few of them that are close to the name written.
// Closeness ignores letter case: a name that differs only in case comes
// first, then the names within a small edit distance that grows with the
// length of the name. Candidate lists hold each name once, in the order the
// lookup itself would try them, which also orders suggestions of equal
// distance. Nothing here changes the tree or the class model.
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
// Up to `limit` candidates close to `name`, best first; `name` itself is
// never offered.
std::vector<std::string> Suggest(std::string_view name, const std::vector<std::string>& candidates,
                                 size_t limit = 3);

// --- what is visible where --------------------------------------------------
// A name in an expression: variables of the enclosing blocks (innermost first)
// and parameters, the constants of the class and the script, the script's
// functions, the class's functions with its parents', the states.
std::vector<std::string> VisibleNames(const CNode* cursor, const CType* baseClass, const CStatesTable& states);
// After a dot on an object of `cls`: the members that may be called there.
std::vector<std::string> DotMemberNames(const CType* cls);
// The events (commands) a handler of a script based on `cls` may implement.
std::vector<std::string> EventNames(const CType* cls);
std::vector<std::string> CommandNames(const CType* cls);
std::vector<std::string> StateNames(const CStatesTable& states);
// The classes a script may name; with `basicTypes`, "int" and "string" too.
std::vector<std::string> ClassNames(const CBuiltinLibrary& library, bool basicTypes = false);

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

// The current token as the name of an error, with the candidates close to it.
CNameFault NameFault(const CCompiler& c, const std::vector<std::string>& candidates);
