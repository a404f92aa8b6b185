// Move-only owners of Win32 handles. The traits name the empty value and the close
// call; reset() keeps GetLastError() intact so a caller can still read the failure.
#pragma once
#include <windows.h>

#include <utility>

template <typename Traits> class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer h) noexcept : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    pointer get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::invalid(); }
    pointer release() noexcept { return std::exchange(h_, Traits::invalid()); }
    void reset(pointer h = Traits::invalid()) noexcept
    {
        if (h_ != Traits::invalid()) {
            const DWORD saved = GetLastError();
            Traits::close(h_);
            SetLastError(saved);
        }
        h_ = h;
    }
    pointer* put() noexcept
    {
        reset();
        return &h_;
    }

private:
    pointer h_ = Traits::invalid();
};

struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { CloseHandle(h); }
};
struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { CloseHandle(h); }
};
struct FindHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { FindClose(h); }
};
struct RegKeyTraits {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { RegCloseKey(h); }
};
struct ModuleTraits {
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { FreeLibrary(h); }
};

using UniqueFile = UniqueHandle<FileHandleTraits>;           // CreateFile
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>; // processes, mutexes, events
using UniqueFind = UniqueHandle<FindHandleTraits>;           // FindFirstFile
using UniqueRegKey = UniqueHandle<RegKeyTraits>;             // RegOpenKeyEx / RegCreateKeyEx
using UniqueModule = UniqueHandle<ModuleTraits>;             // LoadLibrary

// Runs a callable when the scope ends, on the normal and the exceptional path
// (attribute restores, CoUninitialize, a result word that is set either way), unless
// release() was called.
template <typename F> class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit()
    {
        if (armed_) f_();
    }
    void release() noexcept { armed_ = false; }

private:
    F f_;
    bool armed_ = true;
};
