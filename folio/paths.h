// Paths of the document directory and its story files.
#pragma once

#include <string>

namespace folio {

// Stops the run when `path` does not fit the 260-byte path buffer.
void requirePathFits(const std::string &path, const char *what);

// Whether `path` names an existing file (not a directory).
bool fileExists(const std::string &path);

// `path` as it exists on disc: as given, or with the "." before its file type
// spelled "," as RISC OS copies name their files ("!DocData,d87", "Text,d88").
// As given when neither exists.
std::string existingSpelling(const std::string &path);

} // namespace folio
