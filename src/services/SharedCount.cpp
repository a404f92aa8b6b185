// The counting half of the shared-component services.
#include "foundation/FilePrim.h"
#include "foundation/uStrOp.h"
#include "services/Registry.h"
#include "services/SharedComponents.h"
#include "services/Views.h"

namespace {

const char kSharedDllsKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Opens the register key, creating it when missing. Raises nothing: a key that cannot
// be opened leaves the accessor without a current key, so reads count 0 and writes
// raise the registry layer's error.
void OpenSharedDlls(TRegistry& registry, int bits = 0)
{
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.SetView(bits);
    registry.OpenKey(kSharedDllsKey, true);
}

// The count of path in the key registry holds open, which open() opens: when it is not
// open (a key that could not be opened is tried again, as every single lookup does),
// and once more when it was deleted since.
template <class Open> int ReadCount(TRegistry& registry, const std::string& path, Open open)
{
    for (int attempt = 0;; ++attempt) {
        if (!registry.CurrentKey()) open();
        const HKEY key = registry.CurrentKey();
        if (!key) return 0;
        DWORD type = 0, value = 0, size = sizeof value;
        // One query answers what the accessor's two would: data of another type or
        // size, or none, counts 0.
        const LONG rc = RegQueryValueExA(key, path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        if (rc == ERROR_KEY_DELETED && attempt == 0) {
            open();
            continue;
        }
        return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? static_cast<std::int32_t>(value) : 0;
    }
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

int ChangeSharedCount(const std::string& path, bool increment, int otherUsers)
{
    int count = GetSharedCount(path);
    TRegistry registry;
    OpenSharedDlls(registry);
    if (increment) {
        // A file that is present but was never counted, by either build, stands for one
        // earlier user.
        if (count == 0 && otherUsers == 0 && FileAge(path) != -1) count = 1;
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

int OtherBuildCount(const std::string& path, const std::string& systemFolder, int bits)
{
    return OtherBuildCounts(bits).Count(path, systemFolder);
}

int OtherBuildCounts::Count(const std::string& path, const std::string& systemFolder)
{
    const int other = OtherBits(bits_);
    if (other == 0 || PosNoCase(AddBackslash(systemFolder, "B"), path) == 1) return 0;
    // Only looked at: the other view's register is not made when it is missing.
    return ReadCount(registry_, path, [&] {
        registry_.SetRootKey(HKEY_LOCAL_MACHINE);
        registry_.SetView(other);
        registry_.OpenKey(kSharedDllsKey, false);
    });
}

void SharedCountRegister::SetView(int bits)
{
    bits_ = bits;
    registry_.SetRootKey(HKEY_LOCAL_MACHINE); // the next question opens the key afresh
}

void SharedCountRegister::Open()
{
    OpenSharedDlls(registry_, bits_);
}

bool SharedCountRegister::KeyDeleted() const
{
    const HKEY key = registry_.CurrentKey();
    return key && RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr) == ERROR_KEY_DELETED;
}

int SharedCountRegister::Count(const std::string& path)
{
    return ReadCount(registry_, path, [this] { Open(); });
}

int SharedCountRegister::Change(const std::string& path, bool increment, int otherUsers)
{
    int count = Count(path);
    if (increment && count == 0 && otherUsers == 0 && FileAge(path) != -1) count = 1;
    const int result = increment ? count + 1 : count - 1;
    const bool remove = !increment && (count == 1 || result < 0);
    if (!registry_.CurrentKey()) Open();
    for (int attempt = 0;; ++attempt) {
        try {
            if (!remove) {
                registry_.WriteInteger(path, result);
            } else if (!registry_.DeleteValue(path) && attempt == 0 && KeyDeleted()) {
                // A fresh open would have made the key again before deleting nothing.
                Open();
                continue;
            }
            return result;
        } catch (const RegistryError&) {
            if (attempt != 0 || !KeyDeleted()) throw;
            Open();
        }
    }
}
