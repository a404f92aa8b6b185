#include "foundation/SystemApi.h"

#include "foundation/SystemLibrary.h"

namespace {

// Binds a member to the entry point of the same name; stays null when missing.
class Binder {
public:
    explicit Binder(const char* dll) : module_(LoadSystemLibrary(dll)) {}
    template <typename Fn> void operator()(Fn& member, const char* name) const
    {
        if (module_) member = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }
    // The tables live for the process, so their DLL does too.
    void Keep() { module_.release(); }

private:
    UniqueModule module_;
};

} // namespace

#define QS_BIND(binder, table, name) binder(table.name, #name)

const ShellApi& ShellDll()
{
    static const ShellApi api = [] {
        ShellApi a;
        Binder b("shell32.dll");
        QS_BIND(b, a, SHGetMalloc);
        QS_BIND(b, a, SHGetSpecialFolderLocation);
        QS_BIND(b, a, SHGetPathFromIDListA);
        QS_BIND(b, a, SHBrowseForFolderA);
        QS_BIND(b, a, SHFileOperationA);
        QS_BIND(b, a, ShellExecuteA);
        QS_BIND(b, a, ShellExecuteExA);
        QS_BIND(b, a, SHChangeNotify);
        b.Keep();
        return a;
    }();
    return api;
}

const OleApi& OleDll()
{
    static const OleApi api = [] {
        OleApi a;
        Binder b("ole32.dll");
        QS_BIND(b, a, CoInitialize);
        QS_BIND(b, a, CoUninitialize);
        QS_BIND(b, a, CoCreateInstance);
        QS_BIND(b, a, CoTaskMemFree);
        b.Keep();
        return a;
    }();
    return api;
}

const LzApi& LzDll()
{
    static const LzApi api = [] {
        LzApi a;
        Binder b("lz32.dll");
        QS_BIND(b, a, GetExpandedNameA);
        QS_BIND(b, a, LZOpenFileA);
        QS_BIND(b, a, LZCopy);
        QS_BIND(b, a, LZClose);
        b.Keep();
        return a;
    }();
    return api;
}

const VersionApi& VersionDll()
{
    static const VersionApi api = [] {
        VersionApi a;
        Binder b("version.dll");
        QS_BIND(b, a, GetFileVersionInfoSizeA);
        QS_BIND(b, a, GetFileVersionInfoA);
        QS_BIND(b, a, VerQueryValueA);
        b.Keep();
        return a;
    }();
    return api;
}
