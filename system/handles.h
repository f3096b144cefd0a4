// Owning wrappers for every Win32 handle kind the program uses. Non-copyable,
// movable; NULL and INVALID_HANDLE_VALUE both mean "no handle".
#pragma once

#include <windows.h>
#include <softpub.h>
#include <wininet.h>
#include <wintrust.h>

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

// A folder listing from FindFirstFileA, which reports failure as INVALID_HANDLE_VALUE.
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
using FindHandle = ScopedHandle<HANDLE, FindHandleTraits>;

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

template <typename T>
struct GdiObjectTraits {
    static T Invalid() { return nullptr; }
    static bool IsValid(T h) { return h != nullptr; }
    static void Close(T h) { ::DeleteObject(h); }
};
using UniqueBitmap = ScopedHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueBrush = ScopedHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;

// A device context from CreateCompatibleDC (not one from GetDC or BeginPaint).
struct MemoryDcTraits {
    static HDC Invalid() { return nullptr; }
    static bool IsValid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
using UniqueMemoryDc = ScopedHandle<HDC, MemoryDcTraits>;

struct GlobalMemoryTraits {
    static HGLOBAL Invalid() { return nullptr; }
    static bool IsValid(HGLOBAL h) { return h != nullptr; }
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
using UniqueGlobal = ScopedHandle<HGLOBAL, GlobalMemoryTraits>;

// Memory the system allocated for the caller with LocalAlloc (security descriptors).
struct LocalMemoryTraits {
    static HLOCAL Invalid() { return nullptr; }
    static bool IsValid(HLOCAL h) { return h != nullptr; }
    static void Close(HLOCAL h) { ::LocalFree(h); }
};
using UniqueLocal = ScopedHandle<HLOCAL, LocalMemoryTraits>;

// What WinVerifyTrust keeps after WTD_STATEACTION_VERIFY of the generic
// Authenticode action (the signer and its chain as the check read them),
// released by calling it again on the same data with WTD_STATEACTION_CLOSE.
// Owed whatever the verdict was.
struct TrustStateTraits {
    static WINTRUST_DATA* Invalid() { return nullptr; }
    static bool IsValid(WINTRUST_DATA* d) { return d != nullptr; }
    static void Close(WINTRUST_DATA* d)
    {
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        d->dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, d);
    }
};
using TrustState = ScopedHandle<WINTRUST_DATA*, TrustStateTraits>;

// COM on the constructing thread. Released only on that thread and only when
// the initialisation succeeded: an owner destroyed on another thread must not
// end that thread's COM.
class ScopedComInit {
public:
    ScopedComInit() : initialized_(SUCCEEDED(::CoInitialize(nullptr))), thread_(::GetCurrentThreadId()) {}
    ~ScopedComInit()
    {
        if (initialized_ && thread_ == ::GetCurrentThreadId())
            ::CoUninitialize();
    }
    ScopedComInit(const ScopedComInit&) = delete;
    ScopedComInit& operator=(const ScopedComInit&) = delete;

private:
    bool initialized_;
    DWORD thread_;
};
