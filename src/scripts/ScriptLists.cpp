#include "scripts/ScriptLists.h"

#include "foundation/IniDocument.h"

std::vector<std::string> ReadOpenList(const std::string& file, const std::string& section, const std::string& prefix)
{
    return ReadOpenList(IniDocument::Load(file), section, prefix);
}

std::vector<std::string> ReadOpenList(const IniDocument& doc, const std::string& section, const std::string& prefix)
{
    std::vector<std::string> values;
    for (int n = 1;; ++n) {
        std::string value = doc.Get(section, prefix + std::to_string(n), "");
        if (value.empty()) break;
        values.push_back(std::move(value));
    }
    return values;
}
