#include "ui/skin.h"

#include <objidl.h>

#include <gdiplus.h>

#include <cstring>
#include <memory>

#include "engine/config.h"
#include "res/resource.h"
#include "ui/window_globals.h"

namespace {

// Dark grey: every picture keeps a white or light-grey field where the
// dialogs place their texts.
constexpr COLORREF kTextOverPictureColour = RGB(51, 51, 51);

// Pixels a picture leaves transparent are composed over white, the colour of
// the pictures' text fields.
constexpr Gdiplus::ARGB kTransparentBackdrop = 0xFFFFFFFF;

// GDI+ starts with the first picture and is never shut down: the process
// ends through ExitProcess from the dialogs and the worker alike, and
// GdiplusShutdown must not run while another thread may still decode, nor
// from a static destructor during exit. The function-local static makes the
// start-up happen once even when two threads load their first pictures.
bool StartGdiplus()
{
    static const bool started = [] {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

struct StreamRelease {
    void operator()(IStream* stream) const { stream->Release(); }
};
struct GdiplusBitmapDispose {
    void operator()(Gdiplus::GpBitmap* bitmap) const { Gdiplus::DllExports::GdipDisposeImage(bitmap); }
};

UniqueBitmap DecodePng(const void* bytes, DWORD size)
{
    if (!StartGdiplus())
        return UniqueBitmap();
    // The stream is made over a copy: resource memory is read-only and the
    // codec may want a seekable stream of its own.
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!block)
        return UniqueBitmap();
    void* copy = ::GlobalLock(block.get());
    if (copy == nullptr)
        return UniqueBitmap();
    std::memcpy(copy, bytes, size);
    ::GlobalUnlock(block.get());

    IStream* rawStream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(block.get(), FALSE, &rawStream)))
        return UniqueBitmap();
    std::unique_ptr<IStream, StreamRelease> stream(rawStream);

    Gdiplus::GpBitmap* rawBitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.get(), &rawBitmap) != Gdiplus::Ok)
        return UniqueBitmap();
    std::unique_ptr<Gdiplus::GpBitmap, GdiplusBitmapDispose> decoded(rawBitmap);

    HBITMAP bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(decoded.get(), &bitmap, kTransparentBackdrop) != Gdiplus::Ok)
        return UniqueBitmap();
    return UniqueBitmap(bitmap);
}

}  // namespace

void ApplyDialogFrame(HWND dialog)
{
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    char aboutText[128];
    HMENU systemMenu = ::GetSystemMenu(dialog, FALSE);
    if (systemMenu != nullptr && ::LoadStringA(module, IDS_ABOUTBOX, aboutText, sizeof aboutText) > 0) {
        ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
    }

    // Shared icons are owned by the system; nothing to release.
    HICON icon = static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(editionInfo.iconId), IMAGE_ICON, 0, 0,
                                                 LR_DEFAULTSIZE | LR_SHARED));
    ::SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    ::SetWindowTextA(dialog, editionInfo.downloaderTitle.c_str());
}

bool LoadPngResource(UniqueBitmap* image, int resourceId)
{
    image->reset();
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(resourceId), "PNG");
    if (found == nullptr)
        return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    const DWORD size = ::SizeofResource(module, found);
    if (bytes == nullptr || size == 0)
        return false;
    *image = DecodePng(bytes, size);
    return true;
}

void PaintBackground(HWND dialog, HBITMAP background)
{
    PAINTSTRUCT paint;
    HDC target = ::BeginPaint(dialog, &paint);
    BITMAP size{};
    if (background != nullptr && ::GetObjectA(background, sizeof size, &size) != 0) {
        RECT client;
        ::GetClientRect(dialog, &client);
        UniqueMemoryDc source(::CreateCompatibleDC(target));
        HGDIOBJ previous = ::SelectObject(source.get(), background);
        ::StretchBlt(target, 0, 0, client.right, client.bottom, source.get(), 0, 0, size.bmWidth, size.bmHeight,
                     SRCCOPY);
        ::SelectObject(source.get(), previous);
    }
    ::EndPaint(dialog, &paint);
}

void SaveDialogRect(HWND dialog)
{
    ::GetWindowRect(dialog, &dialogRect);
}

HBRUSH ColorTextOverPicture(HDC dc)
{
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kTextOverPictureColour);
    return static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH));
}

POINT ScreenCentreOrigin(int width, int height)
{
    return POINT{::GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2};
}

POINT CentreOrigin(const RECT& area, int width, int height)
{
    const LONG x = area.left + (area.right - area.left) / 2 - width / 2;
    const LONG y = area.top + (area.bottom - area.top) / 2 - height / 2;
    return POINT{x < area.left ? area.left : x, y < area.top ? area.top : y};
}

void CentreOnWorkArea(HWND dialog)
{
    RECT area;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        area = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    RECT window;
    ::GetWindowRect(dialog, &window);
    const POINT origin = CentreOrigin(area, window.right - window.left, window.bottom - window.top);
    ::SetWindowPos(dialog, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowTopmostAt(HWND dialog, POINT origin)
{
    ::SetWindowPos(dialog, HWND_TOPMOST, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}
