// The counting half of the shared-component services.
#include "foundation/FilePrim.h"
#include "services/Registry.h"
#include "services/SharedComponents.h"

namespace {

const char kSharedDllsKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Opens the register key, creating it when missing. Raises nothing: a key that cannot
// be opened leaves the accessor without a current key, so reads count 0 and writes
// raise the registry layer's error.
void OpenSharedDlls(TRegistry& registry)
{
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.OpenKey(kSharedDllsKey, true);
}

} // namespace

int GetSharedCount(const std::string& path)
{
    TRegistry registry;
    OpenSharedDlls(registry);
    try {
        return registry.ReadInteger(path);
    } catch (const RegistryError&) {
        return 0; // missing, or not an integer: nobody is counted
    }
}

int ChangeSharedCount(const std::string& path, bool increment)
{
    int count = GetSharedCount(path);
    TRegistry registry;
    OpenSharedDlls(registry);
    if (increment) {
        // A file that is present but was never counted stands for one earlier user.
        if (count == 0 && FileAge(path) != -1) count = 1;
        registry.WriteInteger(path, count + 1);
        return count + 1;
    }
    const int remaining = count - 1;
    // Nobody left, or nobody was counted at all: no value stays behind.
    if (count == 1 || remaining < 0) {
        registry.DeleteValue(path);
    } else {
        registry.WriteInteger(path, remaining);
    }
    return remaining;
}
