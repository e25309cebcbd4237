#include "display/bitmap.h"

#include "platform/gdi.h"

namespace {

// The bitmap of that name: the executable's own first, then the file of that
// name (no extension, no folder) in the working directory.
HBITMAP findBitmap(const char* name) {
    HBITMAP bitmap =
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!bitmap)
        bitmap =
            LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    return bitmap;
}

}  // namespace

IDirectDrawSurface4* loadBitmapSurface(IDirectDraw4* device, const char* name,
                                       int32_t systemMemory) {
    HBITMAP bitmap = findBitmap(name);
    if (!bitmap) return nullptr;
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (systemMemory ? DDSCAPS_SYSTEMMEMORY : 0);
    desc.dwWidth = static_cast<DWORD>(bm.bmWidth);
    desc.dwHeight = static_cast<DWORD>(bm.bmHeight);
    IDirectDrawSurface4* surface = nullptr;
    if (!device || device->CreateSurface(&desc, &surface, nullptr) != DD_OK) {
        DeleteObject(bitmap);
        return nullptr;
    }
    copyBitmapToSurface(surface, bitmap);
    DeleteObject(bitmap);
    return surface;
}

HRESULT copyBitmapToSurface(IDirectDrawSurface4* surface, HBITMAP bitmap) {
    if (!surface || !bitmap) return E_FAIL;
    surface->Restore();
    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory) OutputDebugStringA("crreatecompatible dc failed\n");
    SelectObject(memory, bitmap);
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    surface->GetSurfaceDesc(&desc);

    HDC target = nullptr;
    const HRESULT hr = surface->GetDC(&target);
    if (hr == DD_OK) {
        StretchBlt(target, 0, 0, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight),
                   memory, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        surface->ReleaseDC(target);
    }
    DeleteDC(memory);
    return hr;
}

HRESULT reloadBitmap(IDirectDrawSurface4* surface, const char* name) {
    HBITMAP bitmap = findBitmap(name);
    if (!bitmap) {
        OutputDebugStringA("handle is null\n");
        return E_FAIL;
    }
    const HRESULT hr = copyBitmapToSurface(surface, bitmap);
    if (hr != DD_OK) OutputDebugStringA("ddcopybitmap failed\n");
    DeleteObject(bitmap);
    return hr;
}

DWORD matchColor(IDirectDrawSurface4* surface, COLORREF colour) {
    COLORREF remembered = CLR_INVALID;
    bool haveRemembered = false;
    HDC dc = nullptr;
    if (surface->GetDC(&dc) == DD_OK) {
        remembered = GetPixel(dc, 0, 0);
        haveRemembered = true;
        SetPixel(dc, 0, 0, colour);
        surface->ReleaseDC(dc);
    }

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    HRESULT hr;
    while ((hr = surface->Lock(nullptr, &desc, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
    }
    DWORD value = 0xFFFFFFFF;
    if (hr == DD_OK) {
        const auto* p = static_cast<const unsigned char*>(desc.lpSurface);
        value = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
        const DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
        if (bits < 32) value &= (DWORD{1} << bits) - 1;
        surface->Unlock(nullptr);
    }

    if (haveRemembered && surface->GetDC(&dc) == DD_OK) {
        SetPixel(dc, 0, 0, remembered);
        surface->ReleaseDC(dc);
    }
    return value;
}

HRESULT applyColorKey(IDirectDrawSurface4* surface, COLORREF colour) {
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = matchColor(surface, colour);
    key.dwColorSpaceHighValue = key.dwColorSpaceLowValue;
    return surface->SetColorKey(DDCKEY_SRCBLT, &key);
}
