// Start-up construction of the game's object model from the built-in tables,
// and its release at exit.
#pragma once

// Creates the shared types, the 22 class records with every member (each
// function with the number its table row gives) and fills g_builtinClasses.
// Calling it again while the library is built does nothing.
void BuildBuiltinLibrary();

// Breaks every parent and member reference of the class records, empties
// g_builtinClasses and drops the shared types, so the counted records free
// themselves.
void ReleaseBuiltinLibrary();
