// The built-in reference: the tables of the game's object model rendered as
// Markdown, for `orvelc --reference` (docs/reference.md is its output) and
// for the language server's hover, so both say the same thing in the same
// words. Everything is computed from the tables; nothing is built or cached.
#pragma once
#include <string>
#include <string_view>

#include "builtins/BuiltinTables.h"

// The name a reader uses for a class: its script name, "$Object",
// "$CommandObject", or "root" for the nameless root class.
std::string ReferenceClassName(EBuiltinClass c);
// The class with that reference name; eNone when there is none.
EBuiltinClass FindReferenceClass(std::string_view name);

// "int", "string", "void", "int[]" or a class name.
std::string BuiltinTypeName(TBuiltinType t);
// "int Trace(string)"; a family ends with "int or string ×1..6".
std::string RenderSignature(const SBuiltinMemberDesc& row, std::string_view name);
std::string RenderSignature(const SBuiltinMember& m);

// The whole reference: a short preface, then one "## " section per class in
// class-tree order.
std::string RenderReference();
// One class: its parent and numbers, then functions, commands, events and
// constants, each a table.
std::string RenderClassReference(EBuiltinClass c);

// Hover texts over a class and its ancestors, nearest class first; "" when
// the class chain has no such member. Each entry names the declaring class.
std::string RenderFunctionHover(EBuiltinClass from, std::string_view name);
std::string RenderConstantHover(EBuiltinClass from, std::string_view name);
std::string RenderEventHover(EBuiltinClass from, std::string_view name);
std::string RenderCommandHover(EBuiltinClass from, std::string_view name);
// A class: its parent, script-class number and member counts.
std::string RenderClassHover(EBuiltinClass c);
