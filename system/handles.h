// Owning wrappers for every Win32 handle kind the program uses. Non-copyable,
// movable; NULL and INVALID_HANDLE_VALUE both mean "no handle".
#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>

template <typename T, typename Traits>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(T value) : value_(value) {}
    ~ScopedHandle() { reset(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : value_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    bool valid() const { return Traits::IsValid(value_); }
    explicit operator bool() const { return valid(); }

    T release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(T value = Traits::Invalid())
    {
        if (Traits::IsValid(value_))
            Traits::Close(value_);
        value_ = value;
    }

private:
    T value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueHandle = ScopedHandle<HANDLE, KernelHandleTraits>;

struct InternetHandleTraits {
    static HINTERNET Invalid() { return nullptr; }
    static bool IsValid(HINTERNET h) { return h != nullptr; }
    static void Close(HINTERNET h) { ::InternetCloseHandle(h); }
};
using InternetHandle = ScopedHandle<HINTERNET, InternetHandleTraits>;

struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static bool IsValid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
using RegKey = ScopedHandle<HKEY, RegKeyTraits>;
