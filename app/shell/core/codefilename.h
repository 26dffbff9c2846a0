// Names of data-directory files built from a stock code. A code comes from
// the quote server, a route or a file; only a plain code of letters and
// digits may become part of a path, so "../x" or "a/b" never leave the data
// directory or overwrite another file.
#pragma once

#include <string>

namespace shellcore {

// Whether `code` is 1 to 16 ASCII letters or digits.
bool isFileSafeCode(const std::string& code);

// The drawing file of a chart, "<code>-<market>-<cycle>.json"; "" when the
// code is not file-safe or market or cycle is negative.
std::string drawingFileName(const std::string& code, int market, int cycle);

}  // namespace shellcore
