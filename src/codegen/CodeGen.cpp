// The code buffer's bookkeeping: failures, label positions, jump fixups,
// the data block and the routine tables. Data grows by 4096 bytes at a time,
// the tables by the containers' default rule. Each writer
// checks Emitting(), so nothing is added once generation has failed.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "codegen/CodeGen.h"
#include "support/LittleEndian.h"

CCodeGen::CCodeGen() : m_Data(4096) {}

void CCodeBuffer::Reserve(size_t size) {
    if (size + kRoom <= m_nCapacity) return;
    const size_t capacity = std::max({size + kRoom, 2 * m_nCapacity, size_t(4096)});
    void* bytes = std::realloc(m_pBytes.get(), capacity);
    if (!bytes) throw std::bad_alloc();
    m_pBytes.release();
    m_pBytes.reset(static_cast<uint8_t*>(bytes));
    m_nCapacity = capacity;
}

void CCodeGen::Fail(std::string_view reason) {
    if (m_bFailed) return;
    m_bFailed = true;
    m_strFailure = reason;
}

void CCodeGen::PlaceLabel(CLabel* label) {
    if (Emitting() && label) label->Place(GetCodeSize());
}

void CCodeGen::ResolveJumps() {
    for (const SJumpFixup& fixup : m_JumpFixups) {
        const CLabel* label = fixup.m_pLabel.Get();
        if (!label || !label->IsPlaced()) {
            Fail("a jump to a label that was never placed");
            break;
        }
        if (size_t(fixup.m_nPosition) + 4 > m_Code.GetSize()) {
            Fail("a jump fixup past the end of the code");
            break;
        }
        PutLe32(m_Code.GetData() + fixup.m_nPosition, label->m_nPosition - (fixup.m_nPosition + 4));
    }
    m_JumpFixups.SetSize(0);
}

CCodeGen::SMark CCodeGen::Mark() const {
    return SMark{GetCodeSize(), m_JumpFixups.GetSize(), m_ExternalCalls.GetSize(), m_Relocations.GetSize()};
}

namespace {

// The positions of one kind recorded from `start` on: those of the first
// part move by `forward`, those of the second back by `back`.
template <class T, class F>
void ShiftPositions(CDynArray<T>& table, size_t start, size_t end, uint32_t forward, uint32_t back, F position) {
    for (size_t i = start; i < table.GetSize(); ++i) {
        uint32_t& at = position(table[i]);
        at = i < end ? at + forward : at - back;
    }
}

}  // namespace

uint32_t CCodeGen::MoveInFront(const SMark& start, const SMark& end) {
    if (!Emitting()) return 0;
    const uint32_t moved = GetCodeSize() - end.m_nCode;
    const uint32_t first = end.m_nCode - start.m_nCode;
    // The moved part is the short one: copied aside into the room past the
    // end of the code, then the rest slides.
    uint8_t* aside = m_Code.Room(moved);
    uint8_t* code = m_Code.GetData();
    std::memcpy(aside, code + end.m_nCode, moved);
    std::memmove(code + start.m_nCode + moved, code + start.m_nCode, first);
    std::memcpy(code + start.m_nCode, aside, moved);
    ShiftPositions(m_JumpFixups, start.m_nFixups, end.m_nFixups, moved, first,
                   [](SJumpFixup& f) -> uint32_t& { return f.m_nPosition; });
    ShiftPositions(m_ExternalCalls, start.m_nCalls, end.m_nCalls, moved, first,
                   [](SExternalCall& c) -> uint32_t& { return c.m_nPosition; });
    ShiftPositions(m_Relocations, start.m_nRelocations, end.m_nRelocations, moved, first,
                   [](uint32_t& p) -> uint32_t& { return p; });
    return moved;
}

uint32_t CCodeGen::AppendData(const void* bytes, size_t count) {
    const size_t at = m_Data.GetSize();
    if (!Emitting()) return uint32_t(at);
    m_Data.SetSize(at + count);
    const auto* from = static_cast<const uint8_t*>(bytes);
    std::copy(from, from + count, m_Data.GetData() + at);
    return uint32_t(at);
}

uint32_t CCodeGen::AppendDword(uint32_t value) {
    uint8_t b[4];
    PutLe32(b, value);
    return AppendData(b, 4);
}

uint32_t CCodeGen::AppendString(std::string_view text) {
    const uint32_t at = AppendData(text.data(), text.size());
    const uint8_t zero = 0;
    AppendData(&zero, 1);
    return at;
}

template <class T>
static T* EntryAt(CDynArray<T>& table, uint32_t index) {
    if (index >= table.GetSize()) table.SetSize(size_t(index) + 1);
    return &table[index];
}

void CCodeGen::SetState(uint32_t index, uint32_t position) {
    if (Emitting()) *EntryAt(m_States, index) = position;
}

void CCodeGen::SetEvent(uint32_t index, uint32_t position) {
    if (Emitting()) *EntryAt(m_Events, index) = position;
}

void CCodeGen::SetCommand(uint32_t index, uint32_t position, uint32_t descriptor) {
    if (Emitting()) *EntryAt(m_Commands, index) = SCommandEntry{position, descriptor, {0, 0, 0}};
}
