#include "scripts/ScriptLists.h"

#include "foundation/uIniFile.h"

std::vector<std::string> ReadOpenList(const std::string& file, const std::string& section,
                                      const std::string& prefix)
{
    std::vector<std::string> values;
    for (int n = 1;; ++n) {
        std::string value = ReadIniString(section, prefix + std::to_string(n), "", file);
        if (value.empty()) break;
        values.push_back(std::move(value));
    }
    return values;
}
