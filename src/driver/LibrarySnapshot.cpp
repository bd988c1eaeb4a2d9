// Constants are only ever appended to a class's own list, so the list's
// length before a compilation is all it takes to undo it.
#include "driver/LibrarySnapshot.h"

#include "semantic/Library.h"

CConstantsSnapshot::CConstantsSnapshot() {
    for (const CRefPtr<CType>& cls : g_builtinClasses) m_Counts.push_back(cls->m_Constants.GetSize());
}

void CConstantsSnapshot::Restore() const {
    for (size_t i = 0; i < m_Counts.size() && i < g_builtinClasses.GetSize(); ++i) {
        CType* cls = g_builtinClasses[i].Get();
        if (cls->m_Constants.GetSize() == m_Counts[i]) continue;
        cls->m_Constants.SetSize(m_Counts[i]);
        // A lookup notices the shorter list and rebuilds the class's name
        // index, so no stale position outlives the constants it named.
        int32_t value = 0;
        cls->FindConstant(CStr(), value);
    }
}
