#include "tests/support.h"

#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "display/catalogue.h"
#include "display/display.h"
#include "game/game.h"
#include "game/state.h"
#include "platform/headless/headless.h"
#include "platform/resources.h"
#include "shell/app.h"

std::vector<DrawRecord> drawLog;

namespace {
void logDraw(const Sprite& s, int32_t x, int32_t y) { drawLog.push_back({s.name, {x, y}}); }
void logStretched(const Sprite& s, const RECT& d) {
    drawLog.push_back({s.name, {d.left, d.top, d.right, d.bottom}});
}
const DrawObserver logger{logDraw, logStretched};
}  // namespace

void clearDraws() { drawLog.clear(); }

std::vector<std::string> drawNames() {
    std::vector<std::string> names;
    for (const DrawRecord& d : drawLog) names.push_back(d.name);
    return names;
}

void freshProcess() {
    for (const CatalogueEntry& e : catalogue) {
        Sprite& s = *e.sprite;
        s.surface = nullptr;  // the surfaces themselves go with the reset below
        s.result = 0;
        s.srcRect = s.baseRect = RECT{};
        s.width = s.height = 0;
    }
    headless::reset();
    mainWindow = nullptr;
    directDraw = nullptr;
    primarySurface = nullptr;
    backBuffer = nullptr;
    game = GameState{};
    seedRandom(1);
    setResourcesEnabled(true);
    drawObserver = &logger;
    clearDraws();
}

void startGame() {
    freshProcess();
    if (initApp(GetModuleHandleA(nullptr), SW_SHOWDEFAULT) != 0) std::abort();
    gameStart();
    clearDraws();
}

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
    std::string pattern = (std::filesystem::temp_directory_path() / "pako-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    previous_ = std::filesystem::current_path().string();
    std::filesystem::current_path(path_);
}

TempDir::~TempDir() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(path_);
}
