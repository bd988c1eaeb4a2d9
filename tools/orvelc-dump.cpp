// orvelc-dump: prints an object file for a person. The data block carries no
// types, so its bytes are told apart by what refers to them: relocated code
// operands point at strings, the command table at descriptors, descriptors at
// their item words and strings; anything left is shown as text when it reads
// as text and as words otherwise.
//
//   orvelc-dump FILE
#include <capstone/capstone.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BuiltinIndex.h"
#include "UnitFile.h"
#include "support/LittleEndian.h"

namespace {

enum class EMark { eWord, eString };

struct SDump {
    const CCodeGen& unit;
    const CBuiltinIndex& index;
    const CType* base;
    std::map<uint32_t, EMark> marks;            // data offset -> what starts there
    std::map<uint32_t, std::string> labels;     // code position -> routine name
    std::map<uint32_t, uint32_t> externals;     // rel32 position -> built-in number
    std::map<uint32_t, uint32_t> relocations;   // code position -> data offset
};

bool DataWord(const CCodeGen& u, uint32_t offset, uint32_t& v) {
    if (uint64_t(offset) + 4 > u.m_Data.GetSize()) return false;
    v = GetLe32(u.m_Data.GetData() + offset);
    return true;
}

uint32_t CodeWord(const CCodeGen& u, uint32_t p) { return GetLe32(u.m_Code.GetData() + p); }

std::string Quote(const CCodeGen& u, uint32_t offset) {
    std::string s = "\"";
    for (uint32_t o = offset; o < u.m_Data.GetSize(); ++o) {
        const char c = char(u.m_Data[o]);
        if (c == 0) return s + "\"";
        if (c == '"' || c == '\\') s += '\\';
        if (uint8_t(c) < 0x20) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", uint8_t(c));
            s += b;
        } else {
            s += c;
        }
    }
    return s + "\" (unterminated)";
}

std::string MemberName(const std::vector<const CFunction*>& list, size_t i) {
    return i < list.size() ? list[i]->m_strName : "?";
}

// ---- what refers to what ----

void MarkDescriptor(SDump& d, uint32_t at) {
    uint32_t last = 0, w = 0;
    if (!DataWord(d.unit, at, last) || last > 4096) return;
    for (uint32_t k = 0; k < 4 + 3 * (last + 1); ++k) d.marks[at + 4 * k] = EMark::eWord;
    for (uint32_t item = 0; item <= last; ++item)
        for (uint32_t f = 0; f < 3; ++f)
            if (DataWord(d.unit, at + 16 + 12 * item + 4 * f, w)) d.marks[w] = f == 0 ? EMark::eWord : EMark::eString;
}

void Collect(SDump& d) {
    const CCodeGen& u = d.unit;
    for (const auto& c : u.m_ExternalCalls) d.externals[c.m_nPosition] = c.m_nBuiltin;
    for (uint32_t p : u.m_Relocations)
        if (uint64_t(p) + 4 <= u.GetCodeSize()) {
            d.relocations[p] = CodeWord(u, p);
            d.marks[CodeWord(u, p)] = EMark::eString;
        }
    const auto events = CBuiltinIndex::Events(d.base), commands = CBuiltinIndex::Commands(d.base);
    for (size_t i = 0; i < u.m_States.GetSize(); ++i) d.labels[u.m_States[i]] = "state " + std::to_string(i);
    for (size_t i = 0; i < u.m_Events.GetSize(); ++i)
        if (u.m_Events[i]) d.labels[u.m_Events[i]] = "event " + MemberName(events, i);
    for (size_t i = 0; i < u.m_Commands.GetSize(); ++i) {
        const auto& c = u.m_Commands[i];
        if (!c.m_nPosition) continue;
        d.labels[c.m_nPosition] = (i < 2 ? "" : "command ") + MemberName(commands, i);
        if (i >= 2) MarkDescriptor(d, c.m_nDescriptor);
    }
}

// ---- sections ----

void PrintHeader(const std::string& path, const SUnitHeader& h, const SDump& d) {
    std::printf("file: %s\n", path.c_str());
    std::printf("script name: %s\n", h.m_bHasName ? ("\"" + h.m_strName + "\"").c_str() : "(none)");
    if (h.m_bHasNumber)
        std::printf("base class: %d (%s)\n", h.m_nClassNumber,
                    d.base ? CBuiltinIndex::ClassName(d.base).c_str() : "unknown class number");
    else
        std::printf("base class: 0 (%s)\n", d.base ? CBuiltinIndex::ClassName(d.base).c_str() : "?");
    std::printf("guid: %s\n", FormatGuid(h.m_Guid).c_str());
    std::printf("data size: %u bytes (%u class variables)\n", d.unit.m_nDataSize, d.unit.m_nDataSize / 4);
}

bool LooksLikeText(const CCodeGen& u, uint32_t o) {
    uint32_t n = 0;
    for (; o + n < u.m_Data.GetSize() && u.m_Data[o + n] != 0; ++n)
        if (u.m_Data[o + n] < 0x20 && u.m_Data[o + n] != '\t') return false;
    return n > 0 && o + n < u.m_Data.GetSize();
}

void PrintData(const SDump& d) {
    const CCodeGen& u = d.unit;
    const uint32_t size = uint32_t(u.m_Data.GetSize());
    std::printf("\ndata block (%u bytes):\n", size);
    for (uint32_t o = 0; o < size;) {
        auto m = d.marks.find(o);
        const bool text = m != d.marks.end() ? m->second == EMark::eString : LooksLikeText(u, o);
        uint32_t w = 0;
        if (text) {
            std::printf("  %04X  string %s\n", o, Quote(u, o).c_str());
            while (o < size && u.m_Data[o] != 0) ++o;
            ++o;
        } else if (DataWord(u, o, w)) {
            std::printf("  %04X  word   %d\n", o, int32_t(w));
            o += 4;
        } else {
            std::printf("  %04X  byte   %u\n", o, u.m_Data[o]);
            ++o;
        }
    }
}

void PrintCalls(const SDump& d) {
    std::printf("\nrelocations (%zu):\n", d.unit.m_Relocations.GetSize());
    for (uint32_t p : d.unit.m_Relocations) {
        auto r = d.relocations.find(p);
        if (r == d.relocations.end()) std::printf("  code+%04X  (outside the code)\n", p);
        else std::printf("  code+%04X  -> data+%04X %s\n", p, r->second, Quote(d.unit, r->second).c_str());
    }
    std::printf("\nexternal calls (%zu):\n", d.unit.m_ExternalCalls.GetSize());
    for (const auto& c : d.unit.m_ExternalCalls) {
        SBuiltinEntry e = d.index.Get(c.m_nBuiltin);
        std::printf("  code+%04X  #%-4u %s\n", c.m_nPosition, c.m_nBuiltin,
                    e.m_pFunction ? (CBuiltinIndex::ClassName(e.m_pOwner) + ": " + CBuiltinIndex::Signature(*e.m_pFunction)).c_str()
                                  : "(no such built-in function)");
    }
}

void PrintDescriptor(const SDump& d, uint32_t at) {
    const CCodeGen& u = d.unit;
    uint32_t last = 0, slot = 0, priority = 0, bits = 0;
    if (!DataWord(u, at, last) || !DataWord(u, at + 4, slot) || !DataWord(u, at + 8, priority) ||
        !DataWord(u, at + 12, bits) || last > 4096) {
        std::printf("      descriptor at data+%04X: (outside the data block)\n", at);
        return;
    }
    std::printf("      descriptor at data+%04X: %u item(s), enum slot %u, priority %u, attributes", at, last + 1, slot, priority);
    if (!bits) std::printf(" none");
    const char* names[3] = {"hotkey", "hidden", "advanced"};
    for (int b = 0; b < 3; ++b)
        if (bits & (1u << b)) std::printf(" %s", names[b]);
    std::printf("\n");
    for (uint32_t i = 0; i <= last; ++i) {
        uint32_t value = 0, caption = 0, description = 0, v = 0;
        const uint32_t item = at + 16 + 12 * i;
        if (!DataWord(u, item, value) || !DataWord(u, item + 4, caption) || !DataWord(u, item + 8, description)) break;
        const std::string valueText = DataWord(u, value, v) ? std::to_string(int32_t(v)) : "?";
        std::printf("        item %s caption %s description %s\n", valueText.c_str(), Quote(u, caption).c_str(),
                    Quote(u, description).c_str());
    }
}

void PrintTables(const SDump& d) {
    const CCodeGen& u = d.unit;
    const auto events = CBuiltinIndex::Events(d.base), commands = CBuiltinIndex::Commands(d.base);
    std::printf("\nstates (%zu):\n", u.m_States.GetSize());
    for (size_t i = 0; i < u.m_States.GetSize(); ++i) std::printf("  %-4zu code+%04X\n", i, u.m_States[i]);
    size_t used = 0;
    for (const auto& c : u.m_Commands) used += c.m_nPosition != 0;
    std::printf("\ncommands (%zu entries, %zu with a routine):\n", u.m_Commands.GetSize(), used);
    for (size_t i = 0; i < u.m_Commands.GetSize(); ++i) {
        const auto& c = u.m_Commands[i];
        if (!c.m_nPosition) continue;
        std::printf("  %-4zu %-24s code+%04X\n", i, MemberName(commands, i).c_str(), c.m_nPosition);
        if (i >= 2) PrintDescriptor(d, c.m_nDescriptor);
    }
    used = 0;
    for (uint32_t p : u.m_Events) used += p != 0;
    std::printf("\nevents (%zu entries, %zu with a routine):\n", u.m_Events.GetSize(), used);
    for (size_t i = 0; i < u.m_Events.GetSize(); ++i)
        if (u.m_Events[i]) std::printf("  %-4zu %-24s code+%04X\n", i, MemberName(events, i).c_str(), u.m_Events[i]);
}

// ---- code ----

std::string CallNote(SDump& d, const cs_insn& in) {
    const uint32_t at = uint32_t(in.address);
    auto e = d.externals.find(at + 1);
    if (in.bytes[0] == 0xE8 && e != d.externals.end()) {
        SBuiltinEntry b = d.index.Get(e->second);
        return b.m_pFunction ? CBuiltinIndex::ClassName(b.m_pOwner) + "." + b.m_pFunction->m_strName : "built-in #" + std::to_string(e->second);
    }
    if (in.bytes[0] == 0xE8 && in.size == 5) {
        const uint32_t target = at + 5 + CodeWord(d.unit, at + 1);
        auto l = d.labels.find(target);
        return l != d.labels.end() ? l->second : "?";
    }
    for (uint32_t p = at; p + 4 <= at + in.size; ++p) {
        auto r = d.relocations.find(p);
        if (r != d.relocations.end()) return "data+" + std::to_string(r->second) + " " + Quote(d.unit, r->second);
    }
    return "";
}

bool PrintCode(SDump& d) {
    const CCodeGen& u = d.unit;
    csh cs;
    if (cs_open(CS_ARCH_X86, CS_MODE_32, &cs) != CS_ERR_OK) return false;
    cs_insn* all = nullptr;
    const size_t n = cs_disasm(cs, u.m_Code.GetData(), u.GetCodeSize(), 0, 0, &all);
    // Script functions are known only as targets of calls inside the unit.
    for (size_t i = 0; i < n; ++i)
        if (all[i].bytes[0] == 0xE8 && all[i].size == 5 && !d.externals.count(uint32_t(all[i].address) + 1)) {
            const uint32_t target = uint32_t(all[i].address) + 5 + CodeWord(u, uint32_t(all[i].address) + 1);
            char name[32];
            std::snprintf(name, sizeof name, "function@%04X", target);
            d.labels.emplace(target, name);
        }
    std::printf("\ncode (%u bytes):\n", u.GetCodeSize());
    uint32_t end = 0;
    for (size_t i = 0; i < n; ++i) {
        const cs_insn& in = all[i];
        auto l = d.labels.find(uint32_t(in.address));
        if (l != d.labels.end()) std::printf("\n%s:\n", l->second.c_str());
        std::string bytes;
        for (size_t k = 0; k < in.size; ++k) {
            char b[4];
            std::snprintf(b, sizeof b, "%02X ", in.bytes[k]);
            bytes += b;
        }
        const std::string note = CallNote(d, in);
        std::printf("  %04X  %-24s %s %s%s%s\n", uint32_t(in.address), bytes.c_str(), in.mnemonic, in.op_str,
                    note.empty() ? "" : "  ; ", note.c_str());
        end = uint32_t(in.address + in.size);
    }
    if (end < u.GetCodeSize()) std::printf("  %04X  (%u bytes that do not decode)\n", end, u.GetCodeSize() - end);
    cs_free(all, n);
    cs_close(&cs);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: orvelc-dump FILE\n", stderr);
        return 1;
    }
    const std::string path = argv[1];
    SUnitHeader header;
    CCodeGen unit;
    std::string error;
    if (!ReadUnitFile(path, header, unit, error)) {
        std::fprintf(stderr, "orvelc-dump: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    CBuiltinIndex index;
    const CType* base = index.ClassByNumber(header.m_bHasNumber ? header.m_nClassNumber : 0);
    SDump d{unit, index, base, {}, {}, {}, {}};
    Collect(d);
    PrintHeader(path, header, d);
    PrintData(d);
    PrintCalls(d);
    PrintTables(d);
    return PrintCode(d) ? 0 : 1;
}
