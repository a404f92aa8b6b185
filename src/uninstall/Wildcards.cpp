// The wildcard judgements of Containment.h, apart from the rest of it: they look at
// nothing but the text (the distributor's kit shares them).
#include "uninstall/Containment.h"

#include "foundation/uStrOp.h"

bool IsBareWildcard(const std::string& pattern)
{
    const std::string name = PathFileName(pattern);
    if (!HasWildcard(name)) return false;
    for (const char c : name) {
        if (c != '*' && c != '?' && c != '.') return false;
    }
    return true;
}

bool HasWildcard(const std::string& path)
{
    return PosNoCase("*", path) != 0 || PosNoCase("?", path) != 0;
}
