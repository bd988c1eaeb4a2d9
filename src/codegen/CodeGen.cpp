// The code buffer and its bookkeeping: labels, jump fixups, relocations,
// external calls, the data block and the routine tables. Code and data grow
// by 4096 bytes at a time; the tables by the containers' default rule.
#include <cstring>

#include "codegen/CodeGen.h"

CCodeGen::CCodeGen() : m_Code(4096), m_Data(4096) {}

void CCodeGen::AddJumpFixup(uint32_t position, CLabel* label) {
    m_JumpFixups.Add(SJumpFixup{position, label});
}

void CCodeGen::AddRelocation(uint32_t position) { m_Relocations.Add(position); }

void CCodeGen::AddExternalCall(uint32_t position, uint32_t builtin) {
    m_ExternalCalls.Add(SExternalCall{position, builtin});
}

CLabel* CCodeGen::NewLabel(CRefPtr<CLabelList>& blockLabels) {
    if (!blockLabels) blockLabels = MakeRef<CLabelList>();
    return blockLabels->NewLabel();
}

void CCodeGen::PlaceLabel(CLabel* label) {
    if (m_nPass == 1 && label) label->Place(GetCodeSize());
}

void CCodeGen::PatchDword(uint32_t position, uint32_t value) {
    for (int i = 0; i < 4; ++i) m_Code[position + uint32_t(i)] = uint8_t(value >> (8 * i));
}

size_t CCodeGen::ResolveJumps() {
    size_t unplaced = 0;
    for (const SJumpFixup& fixup : m_JumpFixups) {
        // A fixup always names the last four bytes of an emitted instruction;
        // one past the end would be a bookkeeping fault, not a jump.
        if (size_t(fixup.m_nPosition) + 4 > m_Code.GetSize()) {
            ++unplaced;
            continue;
        }
        const CLabel* label = fixup.m_pLabel.Get();
        const uint32_t target = label ? label->m_nPosition : 0;
        if (!label || !label->IsPlaced()) ++unplaced;
        PatchDword(fixup.m_nPosition, target - (fixup.m_nPosition + 4));
    }
    m_JumpFixups.SetSize(0);
    return unplaced;
}

uint32_t CCodeGen::AppendData(const void* bytes, size_t count) {
    const size_t at = m_Data.GetSize();
    m_Data.SetSize(at + count);
    if (count) std::memcpy(m_Data.GetData() + at, bytes, count);
    return uint32_t(at);
}

uint32_t CCodeGen::AppendDword(uint32_t value) {
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                          uint8_t(value >> 24)};
    return AppendData(b, 4);
}

uint32_t CCodeGen::AppendString(std::string_view text) {
    const uint32_t at = AppendData(text.data(), text.size());
    const uint8_t zero = 0;
    AppendData(&zero, 1);
    return at;
}

template <class T>
static T& EntryAt(CDynArray<T>& table, uint32_t index) {
    if (index >= table.GetSize()) table.SetSize(size_t(index) + 1);
    return table[index];
}

void CCodeGen::SetState(uint32_t index, uint32_t position) { EntryAt(m_States, index) = position; }

void CCodeGen::SetEvent(uint32_t index, uint32_t position) { EntryAt(m_Events, index) = position; }

void CCodeGen::SetCommand(uint32_t index, uint32_t position, uint32_t descriptor) {
    SCommandEntry& e = EntryAt(m_Commands, index);
    e = SCommandEntry{position, descriptor, {0, 0, 0}};
}

void CCodeGen::Clear() {
    m_Code.SetSize(0);
    m_JumpFixups.SetSize(0);
    m_nPass = 0;
    m_Data.SetSize(0);
    m_ExternalCalls.SetSize(0);
    m_Relocations.SetSize(0);
    m_Commands.SetSize(0);
    m_Events.SetSize(0);
    m_States.SetSize(0);
    m_nDataSize = 0;
}
