// Owner of one COM interface pointer: Release() on destruction, move-only.
#pragma once
#include <windows.h>

#include <utility>

template <typename T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept
    {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    // For out-parameters of the interface's own type (SHGetMalloc).
    T** put() noexcept
    {
        reset();
        return &p_;
    }
    // For CoCreateInstance / QueryInterface out-parameters.
    void** put_void() noexcept
    {
        reset();
        return reinterpret_cast<void**>(&p_);
    }

private:
    T* p_ = nullptr;
};
