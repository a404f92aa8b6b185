#include "scripts/ScriptLists.h"

#include "foundation/IniDocument.h"

std::vector<std::string> ReadOpenList(const std::string& file, const std::string& section,
                                      const std::string& prefix)
{
    const IniDocument doc = IniDocument::Load(file);
    std::vector<std::string> values;
    for (int n = 1;; ++n) {
        std::string value = doc.Get(section, prefix + std::to_string(n), "");
        if (value.empty()) break;
        values.push_back(std::move(value));
    }
    return values;
}
