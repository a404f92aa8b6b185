// Numbered key lists of scripts and records: prefix + 1, 2, 3 ... read up to the first
// empty value.
#pragma once
#include "foundation/IniDocument.h"

#include <string>
#include <vector>

// The values of prefix1, prefix2 ... in section, up to (not including) the first empty one.
std::vector<std::string> ReadOpenList(const std::string& file, const std::string& section, const std::string& prefix);

// The same from a file already read.
std::vector<std::string> ReadOpenList(const IniDocument& doc, const std::string& section, const std::string& prefix);
