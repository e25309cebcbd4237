#include "harness/files.h"

#include <SDL.h>

#include <filesystem>

#include "platform/os.h"

namespace {
Uint32 mapRgb(const SDL_PixelFormat* f, uint32_t rgb) {
    return SDL_MapRGB(f, static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                      static_cast<Uint8>(rgb));
}
}  // namespace

void writeBitmap(const std::string& path, int w, int h, uint32_t rgb, int64_t topLeft) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_BGR24);
    SDL_FillRect(s, nullptr, mapRgb(s->format, rgb));
    if (topLeft >= 0) {
        SDL_Rect one{0, 0, 1, 1};
        const auto c = static_cast<uint32_t>(topLeft);
        SDL_FillRect(s, &one, mapRgb(s->format, c));
    }
    SDL_SaveBMP(s, path.c_str());
    SDL_FreeSurface(s);
}

TempDir::TempDir() {
    path_ = os::makeTempFolder("pako-test-");
    previous_ = std::filesystem::current_path();
    if (!path_.empty()) std::filesystem::current_path(os::pathOf(path_));
}

TempDir::~TempDir() {
    std::filesystem::current_path(previous_);
    if (!path_.empty()) std::filesystem::remove_all(os::pathOf(path_));
}
