// One bitmap file taken through everything the game does with a picture: the
// file is found by name in the working directory and decoded, a surface of
// its size is made and filled, the colour key is matched, the sprite is
// drawn opaque, keyed and stretched at places that clip it on every side,
// its surface is lost and reloaded from the file (scaled when the sizes
// differ), and everything is released again. Any read or write outside a
// buffer, any undefined behaviour and any leaked surface or bitmap stops the
// run.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "display/catalogue.h"
#include "display/display.h"
#include "fuzz/input_file.h"
#include "harness/files.h"
#include "harness/process.h"
#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "platform/resources.h"

namespace {

// The file every input is written to: the name of a catalogue sprite, so
// the reload of that sprite reads it too.
constexpr const char* FileName = "WAVEPAKO1";

int baselineObjects = 0;
int baselineSurfaces = 0;

void writeInput(const uint8_t* data, size_t size) { writeInputFile(FileName, data, size); }

// A fresh simulated process, reading bitmaps from files only, with the
// catalogue's shuttlecock loaded from a plain picture of its size.
void start() {
    startGame();
    setResourcesEnabled(false);
    drawObserver = nullptr;
    writeBitmap(FileName, 80, 50, 0xFFFFFF, 0x00FF00);
    WAVEPAKO1.releaseSprite();
    if (!WAVEPAKO1.loadSprite(0, 0, 80, 50, KeyWhite, 1)) std::abort();
    baselineObjects = gdiLiveObjects();
    baselineSurfaces = ddraw::liveSurfaces();
}

// Opaque and keyed, whole, clipped at the top left and the bottom right,
// and wholly off the screen; stretched up, down and to a single pixel.
void drawEverywhere(Sprite& s) {
    const int32_t w = s.width, h = s.height;
    s.drawKeyed(0, 0);
    s.drawOpaque(-w / 2, -h / 2);
    s.drawKeyed(640 - w / 2, 480 - h / 2);
    s.drawOpaque(700, -h - 3);
    s.drawStretched(RECT{10, 20, 10 + 37, 20 + 23});
    s.drawStretched(RECT{300, 200, 301, 201});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static TempDir dir;
    start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeInput(data, size);
    {
        // As the catalogue loads it: its table size, white transparent.
        Sprite table(FileName);
        if (table.loadSprite(0, 0, 80, 50, KeyWhite, 1)) {
            drawEverywhere(table);
            // At its own size, black transparent, placed by the device:
            // every copy of it reads real pixels.
            Sprite own(FileName);
            const int32_t w = table.surface->pixels->w, h = table.surface->pixels->h;
            if (own.loadSprite(0, 0, w, h, KeyBlack, 0)) {
                drawEverywhere(own);
            }
        }
    }
    // The catalogue's sprite of that name was loaded from a plain picture
    // at 80 x 50; lost now, its next draw reloads this file into
    // that surface, scaled to fit, or fails to.
    WAVEPAKO1.surface->lost = true;
    WAVEPAKO1.drawKeyed(5, 5);
    WAVEPAKO1.drawKeyed(-40, 455);
    WAVEPAKO1.drawStretched(RECT{0, 0, 41, 26});

    if (gdiLiveObjects() != baselineObjects || ddraw::liveSurfaces() != baselineSurfaces) {
        std::fprintf(stderr, "bitmap fuzz: a bitmap, context or surface was leaked\n");
        std::abort();
    }
    // Failed reloads leave a line of debugger output each; start afresh
    // before they pile up.
    if (headless::debugStrings().size() > 100000) start();
    return 0;
}
