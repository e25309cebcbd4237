// What the screen's three files share among themselves:
//
// - screen.cpp: the display set-up steps and the flip, the refresh rate,
//   the frame log;
// - picture.cpp: one picture put on the window, scaled with square pixels
//   and black bars, through an SDL renderer;
// - presenter.cpp: when pictures are shown: by a thread of its own, the
//   presenter, or at the flip where there are no threads (on a page, as
//   the game hands its thread to the browser).
//
// From the first flip on the presenter owns the renderer: the game's thread
// never draws, and window events, which SDL would pass to the renderer on
// the thread that pumps them, reach it on the presenter's thread instead
// (events.cpp filters them; windowSizeChanged() below).
#pragma once

#include <SDL.h>

#include <cstdint>

namespace screen {

// --- The picture on the window (picture.cpp) ---

// The renderer for the window; false, with SDL's reason, when none can be
// had. Let go of with closeRenderer (textures and all).
bool openRenderer(SDL_Window* window);
void closeRenderer();
// The renderer let go of, the picture's size back to 640 x 480 and the count
// of pictures shown back to 0.
void forgetPictures();
bool rendererOpen();
// The picture's streaming texture, width x height in the back buffer's
// RGB565 format; false when it cannot be made.
bool makePictureTexture(int width, int height);
bool pictureTextureMade();
// The window cleared to black and shown.
bool showBlack();
// Uploads a width x height RGB565 picture, draws it into the window's
// letterbox and presents it. Answers how long the present took, the wait
// for the screen's refresh included where the driver makes it wait.
int64_t show(const uint16_t* pixels);
// The renderer was reset by the system: the textures are made again before
// the next picture.
void texturesLost();
// Tells the renderer of a change of the window's size, on the calling
// thread; true when the size changed (the screen then shows nothing of the
// last picture's layout).
bool windowSizeChanged();
// Remembers the window's size as the renderer knows it.
void rememberWindowSize();
// An OpenGL context is current on one thread at a time: the thread that
// leaves the renderer lets it go.
void letGoOfContext();

// --- The screen (screen.cpp) ---

// The screen's refresh period, or 0 where the screen does not say.
int64_t refreshNs();
// For the tests, a screen refreshing PAKO_TEST_REFRESH_HZ times a second:
// each present waits for its next refresh, as a synchronised present does.
// Its period, or 0.
int64_t testRefreshNs();
// A video driver without a screen: pictures are not drawn there.
bool screenless();
// The frame log (PAKO_FRAME_LOG): a picture shown, the moment it came back
// and how long showing it took.
void logShown(int64_t at, int64_t took);

// --- When pictures are shown (presenter.cpp) ---

// Room for pictures of width x height, made before play: a flip allocates
// nothing.
void preparePictures(int width, int height);
// The flip's picture, `pitch` bytes a row: shown by the presenter when it is
// free, or, without threads, at once (on a page: at showWaitingPicture).
void hand(const uint8_t* pixels, int pitch);
// Without threads: the last flipped picture shown, unless it was shown
// already or is what the screen shows; true when one was shown.
bool showWaitingPicture();
// The presenter's thread owns the renderer.
bool presenting();
// The presenter stopped and joined (or let go of, when stuck in a lost
// display); what it knew of the screen forgotten.
void stopPresenter();

}  // namespace screen
