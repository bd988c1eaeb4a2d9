// What one compilation changes in the shared built-in library, and how to
// undo it: a script's consts section adds its constants to the built-in
// class it derives from. Needed only where a batch compiles its scripts one
// after the other in one process; child processes get a fresh copy anyway.
#pragma once
#include <cstddef>
#include <vector>

class CConstantsSnapshot {
public:
    // Remembers how many constants each built-in class has now.
    CConstantsSnapshot();
    // Drops every constant added since.
    void Restore() const;

private:
    std::vector<size_t> m_Counts;
};
