#include "foundation/VersionInfo.h"

#include "foundation/SystemApi.h"

#include <vector>

std::string ReadFileVersion(const std::string& path)
{
    const VersionApi& api = VersionDll();
    if (!api.GetFileVersionInfoSizeA || !api.GetFileVersionInfoA || !api.VerQueryValueA) return {};
    DWORD handle = 0;
    const DWORD size = api.GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return {};
    std::vector<char> data(size);
    if (!api.GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return {};
    void* value = nullptr;
    UINT len = 0;
    if (!api.VerQueryValueA(data.data(), "\\StringFileInfo\\041103a4\\FileVersion", &value, &len) || !value) return {};
    return std::string(static_cast<const char*>(value));
}
