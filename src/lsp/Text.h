// Positions in a document's text. The compiler counts lines from 1 and
// columns in bytes from 1; the protocol counts both from 0 and its columns
// in UTF-16 code units, or in bytes when the client accepts UTF-8. A line
// ends at LF, CR LF or a lone CR, as it does for the scanner. Columns past
// the end of a line are clamped to it; bytes that are not UTF-8 count as
// one unit each.
#pragma once
#include <string>
#include <string_view>
#include <vector>

enum class EPositionEncoding { eUtf16, eUtf8 };

struct SPosition {
    int line = 0;       // from 0
    int character = 0;  // from 0, in the encoding's units
};

class CLineIndex {
public:
    explicit CLineIndex(std::string_view text);

    int GetLineCount() const { return int(m_Starts.size()); }
    // The text of a line from 0, without its line end; "" past the last.
    std::string_view GetLine(int line) const;
    // Byte offset of a protocol position.
    size_t ToOffset(SPosition p, EPositionEncoding encoding) const;
    // Protocol position of a byte offset.
    SPosition ToPosition(size_t offset, EPositionEncoding encoding) const;
    // Protocol position of a compiler line and byte column (both from 1).
    SPosition FromCompiler(int line, int column, EPositionEncoding encoding) const;
    size_t LineStart(int line) const;

private:
    std::string_view m_Text;
    std::vector<size_t> m_Starts;
};

// Units of `bytes` in the encoding.
int CountUnits(std::string_view bytes, EPositionEncoding encoding);

// Replaces the range [start, end) given in protocol positions.
void ReplaceRange(std::string& text, SPosition start, SPosition end, std::string_view with,
                  EPositionEncoding encoding);
