// One picture of the game: a named bitmap in an off-screen surface, drawn
// into the back buffer opaque, without its transparent colour, or scaled.
// The positional draws clip against the 640 x 480 screen themselves.
#pragma once

#include "display/display.h"
#include "platform/ddraw.h"

enum SpriteKey : int { KeyNone = 0, KeyBlack = 1, KeyWhite = 2 };

struct Sprite {
    HRESULT result = 0;
    const char* name;
    RECT srcRect{};
    RECT baseRect{};
    int32_t width = 0;
    int32_t height = 0;
    int32_t clipWidth = ScreenWidth;
    int32_t clipHeight = ScreenHeight;
    IDirectDrawSurface4* surface = nullptr;

    explicit Sprite(const char* bitmapName) : name(bitmapName) {}
    ~Sprite() { releaseSprite(); }
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    int loadSprite(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t key,
                   int32_t systemMemory);
    void releaseSprite();
    HRESULT drawOpaque(int32_t x, int32_t y);
    HRESULT drawKeyed(int32_t x, int32_t y);
    HRESULT drawStretched(RECT dest);
    void clipToScreen(int32_t& x, int32_t& y);
    void restoreSprite();
};

// Told of every draw as it is asked for, before clipping, whether or not it
// succeeds; the simulator's trace uses it. Null (the default): nobody listens.
struct DrawObserver {
    void (*positional)(const Sprite& sprite, int32_t x, int32_t y);
    void (*stretched)(const Sprite& sprite, const RECT& dest);
};
extern const DrawObserver* drawObserver;
