// UTF-16 units are counted from the UTF-8 lead bytes: four-byte sequences
// are two units, every other sequence one. Malformed bytes are one unit each,
// so every offset maps to some position and back.
#include "lsp/Text.h"

#include <algorithm>

namespace {

// Length of the UTF-8 sequence that starts with `lead`, 1 for a stray byte.
size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the sequence at i when it is well formed, else 1.
size_t StepAt(std::string_view s, size_t i) {
    size_t n = SequenceLength((unsigned char)s[i]);
    if (i + n > s.size()) return 1;
    for (size_t k = 1; k < n; ++k)
        if (!IsContinuation((unsigned char)s[i + k])) return 1;
    return n;
}

}  // namespace

int CountUnits(std::string_view bytes, EPositionEncoding encoding) {
    if (encoding == EPositionEncoding::eUtf8) return int(bytes.size());
    int units = 0;
    for (size_t i = 0; i < bytes.size();) {
        size_t n = StepAt(bytes, i);
        units += n == 4 ? 2 : 1;
        i += n;
    }
    return units;
}

CLineIndex::CLineIndex(std::string_view text) : m_Text(text) {
    m_Starts.push_back(0);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (text[i] == '\n' || text[i] == '\r') m_Starts.push_back(i + 1);
    }
}

size_t CLineIndex::LineStart(int line) const {
    if (line < 0) return 0;
    return size_t(line) < m_Starts.size() ? m_Starts[size_t(line)] : m_Text.size();
}

std::string_view CLineIndex::GetLine(int line) const {
    if (line < 0 || size_t(line) >= m_Starts.size()) return {};
    size_t start = m_Starts[size_t(line)];
    size_t end = size_t(line) + 1 < m_Starts.size() ? m_Starts[size_t(line) + 1] : m_Text.size();
    while (end > start && (m_Text[end - 1] == '\n' || m_Text[end - 1] == '\r')) --end;
    return m_Text.substr(start, end - start);
}

size_t CLineIndex::ToOffset(SPosition p, EPositionEncoding encoding) const {
    if (p.line < 0) return 0;
    if (size_t(p.line) >= m_Starts.size()) return m_Text.size();
    std::string_view line = GetLine(p.line);
    size_t i = 0;
    for (int units = 0; i < line.size() && units < p.character;) {
        size_t n = encoding == EPositionEncoding::eUtf8 ? 1 : StepAt(line, i);
        units += n == 4 ? 2 : 1;
        i += n;
    }
    return m_Starts[size_t(p.line)] + i;
}

SPosition CLineIndex::ToPosition(size_t offset, EPositionEncoding encoding) const {
    offset = std::min(offset, m_Text.size());
    auto after = std::upper_bound(m_Starts.begin(), m_Starts.end(), offset);
    int line = int(after - m_Starts.begin()) - 1;
    std::string_view text = GetLine(line);
    size_t column = std::min(offset - m_Starts[size_t(line)], text.size());
    return SPosition{line, CountUnits(text.substr(0, column), encoding)};
}

SPosition CLineIndex::FromCompiler(int line, int column, EPositionEncoding encoding) const {
    if (line < 1) return SPosition{};
    std::string_view text = GetLine(line - 1);
    size_t bytes = std::min(size_t(std::max(column - 1, 0)), text.size());
    return SPosition{line - 1, CountUnits(text.substr(0, bytes), encoding)};
}

void ReplaceRange(std::string& text, SPosition start, SPosition end, std::string_view with,
                  EPositionEncoding encoding) {
    CLineIndex index(text);
    size_t from = index.ToOffset(start, encoding);
    size_t to = std::max(from, index.ToOffset(end, encoding));
    text.replace(from, to - from, with);
}
