#include "services/RegistryPath.h"

#include "foundation/uStrOp.h"

RegistryPath SplitRegistryPath(const std::string& path)
{
    RegistryPath result{Left(path, 7), Mid(path, 8)};
    const bool opens = path.size() >= 1 && path[0] == '(';
    const bool closes = path.size() >= 7 && path[6] == ')';
    if (!opens && !closes) result = {"(Cuser)", path};
    result.keyPath = RemoveBackslash(RemoveBackslash(result.keyPath, "T"), "B");
    return result;
}

RegistryPath SplitUninstallRegistryPath(const std::string& path)
{
    const bool opens = path.size() >= 1 && path[0] == '(';
    const bool closes = path.size() >= 7 && path[6] == ')';
    if (opens && closes) return {Left(path, 7), Mid(path, 8)};
    return {"(Cuser)", path};
}
