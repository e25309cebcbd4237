#include "display/sprite.h"

#include "display/bitmap.h"
#include "display/display.h"

const DrawObserver* drawObserver = nullptr;

int Sprite::loadSprite(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t key,
                       int32_t systemMemory) {
    surface = loadBitmapSurface(directDraw, name, systemMemory);
    if (!surface) return 0;
    if (key == KeyBlack) applyColorKey(surface, RGB_BLACK);
    if (key == KeyWhite) applyColorKey(surface, RGB_WHITE);
    width = right - left;
    height = bottom - top;
    // right and bottom hold the width and height; every load starts at the
    // origin, where the two agree.
    baseRect = RECT{left, top, width, height};
    srcRect = baseRect;
    return 1;
}

void Sprite::releaseSprite() {
    if (surface) surface->Release();
    surface = nullptr;
}

void Sprite::clipToScreen(int32_t& x, int32_t& y) {
    srcRect = baseRect;
    if (x + width > clipWidth) srcRect.right -= x + width - clipWidth;
    if (y + height > clipHeight) srcRect.bottom -= y + height - clipHeight;
    if (x < 0) {
        srcRect.left += -x;
        x = 0;
    }
    if (y < 0) {
        srcRect.top += -y;
        y = 0;
    }
}

HRESULT Sprite::drawOpaque(int32_t x, int32_t y) {
    if (drawObserver) drawObserver->positional(*this, x, y);
    clipToScreen(x, y);
    if (!surface) return result = E_FAIL;
    result = backBuffer->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), surface, &srcRect,
                                 DDBLTFAST_WAIT);
    if (result == DDERR_SURFACELOST) restoreSprite();
    return result;
}

HRESULT Sprite::drawKeyed(int32_t x, int32_t y) {
    if (drawObserver) drawObserver->positional(*this, x, y);
    clipToScreen(x, y);
    if (!surface) return result = E_FAIL;
    result = backBuffer->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), surface, &srcRect,
                                 DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
    if (result == DDERR_SURFACELOST) restoreSprite();
    return result;
}

HRESULT Sprite::drawStretched(RECT dest) {
    if (drawObserver) drawObserver->stretched(*this, dest);
    if (!surface) return result = E_FAIL;
    result = backBuffer->Blt(&dest, surface, &srcRect, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
    if (result == DDERR_SURFACELOST) restoreSprite();
    return result;
}

void Sprite::restoreSprite() {
    primarySurface->Restore();
    result = surface->Restore();
    if (result == 0) result = reloadBitmap(surface, name);
    // A reload that fails (the file gone or broken meanwhile) leaves the
    // surface restored but empty; marked lost again, the sprite stays out of
    // the picture and its next draw tries the reload once more, instead of
    // copying an empty black rectangle for good.
    if (result != 0) ddraw::markLost(surface);
}
