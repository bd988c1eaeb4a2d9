// The compiler's diagnostics as the protocol's, grouped by the file they are
// in. Every field of a diagnostic has its place: line and columns make the
// range (a diagnostic without columns marks its token, or its line), notes
// become related information, the code stays machine-readable, the name at
// fault and the suggestions ride along as data for quick fixes, and the
// include chain points back to where each file was included. An error inside
// an included file is repeated at the include in the outer files, so it is
// seen from the document being edited.
#pragma once
#include <functional>
#include <map>
#include <string>

#include "lsp/Analysis.h"
#include "lsp/Protocol.h"
#include "lsp/Text.h"

// The text of a file, for ranges in it; null when it cannot be read.
using TTextOf = std::function<const std::string*(const std::string& path)>;
// The URI to publish a file under (the editor's own for open documents).
using TUriOf = std::function<std::string(const std::string& path)>;

// Every file the analysis read maps to its diagnostics (possibly none).
std::map<std::string, Json> ToLspDiagnostics(const SAnalysis& analysis, const TTextOf& textOf, const TUriOf& uriOf,
                                            EPositionEncoding encoding);
