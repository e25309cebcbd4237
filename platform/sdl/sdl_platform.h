// What the SDL2 back end's files share among themselves, with main.cpp and
// with their tests, beyond the entry points of platform/backend.h.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/win.h"

namespace sdlplat {

// --- Window and display (window.cpp) ---

// Brings up SDL's video, events and game controllers once; false, with the
// reason in SDL_GetError(), when there is no display to open.
bool initVideo();

// The one window, or null.
SDL_Window* window();

// Where the 640 x 480 picture goes in an output of outW x outH pixels: the
// largest rectangle of its aspect that fits, centred, so that the pixels stay
// square and black bars fill the rest.
SDL_Rect letterbox(int outW, int outH, int pictureW, int pictureH);

// The whole multiple of the picture that fits inside an area of areaW x areaH,
// at least 1: the size of the window that Alt+Enter switches to.
int windowedScale(int areaW, int areaH, int pictureW, int pictureH);

// Alt+Enter: full screen on the desktop <-> a window of windowedScale().
void toggleFullscreen();
bool fullscreen();

// The game starts in the window of Alt+Enter instead of full screen (the
// command line's --window), and the display set-up applies it.
void setStartWindowed(bool windowed);
bool applyStartingMode();

// --- The screen (screen.cpp, picture.cpp, presenter.cpp) ---

// The renderer was reset by the system: the picture's texture is made again.
// (screen.cpp, picture.cpp and presenter.cpp share screen.h besides.)
void rendererReset();

// The presenter's thread owns the renderer (from the first flip on), and
// whether the caller is that thread.
bool presenterOwnsRenderer();
bool onPresenterThread();

// The window was uncovered: the last picture is shown again.
void showAgain();

// Pictures shown since the display was set up.
int64_t picturesShownSoFar();

// The size of the game's picture (the display mode's).
SDL_Point pictureSize();

// Forgets the renderer, the picture and what was learnt of presenting.
void resetScreen();

// The presenter's thread, if it runs, stopped for an end at once: it leaves
// its loop, or it has stopped for good inside a call to the lost display.
// Either way none of the game's code runs on it afterwards.
void stopPresenterForEnd();
// Called on the presenter's thread when it stops for good (displayLost).
void presenterParked();
// For the tests: while held, the presenter takes no new picture, as one
// caught showing a picture for a long time; flips go on all the same.
void holdPresenter(bool hold);

// --- The process (system.cpp) ---

// While one lives, what is written to standard error goes nowhere: for the
// libraries SDL tries while it looks for a display or a sound device, which
// write their own complaints about what is not there.
class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

// --- Time (system.cpp) ---

// Nanoseconds of the monotonic clock since the platform first looked: the
// clock under the game's milliseconds.
int64_t nowNs();
void sleepUntilNs(int64_t when);
// When, on nowNs()'s clock, the game's millisecond clock comes to read
// `tick` (the beginning of that millisecond; in the past when it reads it
// already, the difference taken modulo 2^32).
int64_t nsWhenClockReads(uint32_t tick);
// When the game last read its millisecond clock (nowNs()'s clock): at a
// flip, the beginning of the frame, whose first step is that reading.
int64_t lastClockReadNs();

// The game came as far as asking for its timer, which it does once its
// display is set up: start-up did not fail.
bool startUpCompleted();
void forgetStartUp();

// --- Events (events.cpp) ---

// The virtual-key code of an SDL key: the game's keys by their codes, the
// other keys by theirs, 0xFF for keys the original platform had no code for.
WPARAM virtualKeyFor(SDL_Keycode sym, uint16_t modifiers);

// Turns one SDL event into messages; what pollEvents does with each.
void handleEvent(const SDL_Event& event);

// The window was shown, and the shared layer told the game it is active.
void windowActivated();

// Keys and buttons held down, as the messages have told the game: a tap's
// key counts as held until its release, held back for the frame that sees
// it, has been posted.
bool keyHeld(WPARAM vk);

// A source other than the keyboard (a controller's input) begins to hold a
// virtual key: WM_KEYDOWN. letGoOfKey: it stops, and WM_KEYUP comes when no
// source holds the key any more, and a frame has run since it went down (a
// tap shorter than a frame is held for one). repeatKey: another WM_KEYDOWN, as an
// auto-repeat.
void holdKey(WPARAM vk);
void letGoOfKey(WPARAM vk);
void repeatKey(WPARAM vk);
// Whether the keyboard holds the key (it brings its own repeats).
bool keyboardHolds(WPARAM vk);

// Whether the game's window has the focus, as the game was told.
bool windowActive();

// Forgets every held key, open controller and pending tick (window.cpp calls
// it when the window goes).
void resetInput();

// Keeps window events from the renderer while the presenter owns it.
void filterWindowEvents();

// A recorded game plays again (pako --replay): keys, buttons and focus are
// the record's, Escape and F12 stop it, and the timer's ticks are the
// record's too (no timer runs).
void setReplaying(bool on);
bool isReplaying();

// The seed the game draws at its start (the clock's seconds, or a record's).
void setSeed(uint32_t given);

// The SDL event type the timer callback pushes.
uint32_t timerEventType();
// Called when a tick event is taken from SDL's queue: the next one may come.
void timerTickTaken();
void stopTimer();

// --- Game controllers (controllers.cpp) ---

// Opens, closes and reads controllers: true when the event was one of
// theirs.
bool controllerEvent(const SDL_Event& event);
// The repeats of held buttons that are due, as key-downs; and the
// milliseconds until the next is due, or -1 for none.
void controllerRepeats();
int nextControllerRepeatIn();
// Every input of every controller let go (the focus went).
void releaseControllers();
int controllersOpen();
// Every controller closed and forgotten.
void resetControllers();

// --- Ending from outside (ending.cpp, display_watch_*.cpp) ---

// What must be finished when the game ends at once, the display lost (the
// demo files: main.cpp): called on the game's thread before the process
// ends.
void setFinishAtOnce(void (*finish)());
// Watches the display the window is on (after the video subsystem is up):
// where the platform can tell that its connection is lost, the game ends at
// once with one line and status 1 (endForLostDisplay).
void watchDisplay();
// What watchDisplay asks of the system's own file: the display library told
// to call displayLost instead of ending the process.
void watchDisplayConnection();
// The display's connection is lost, found on any thread. On the game's
// thread the game ends at once; on another thread that thread stops for good
// and the game's thread ends the game when it next looks
// (endIfDisplayLost), or, should it not come within a few seconds (stuck on
// a lock inside SDL), the other thread ends it.
[[noreturn]] void displayLost(const char* display);
void endIfDisplayLost();
// Closing the terminal (SIGHUP) ends the game as the window's close does,
// as SIGINT and SIGTERM do: hangUpCame answers, once, whether it came.
// Undone by stopWatchingHangUp.
void watchHangUp();
bool hangUpCame();
void stopWatchingHangUp();

// --- Sound (sound.cpp) ---

// How many times a wave file was read from disk, and what plays now.
int soundFileReads();
bool soundPlaying();
// The name of the sound now playing on the one channel, or null.
const char* soundNowPlaying();
bool audioAvailable();
// Opens the audio device ahead of the first sound, so that the first kick
// does not wait for it.
void prepareSound();
void shutdownSound();
// Lets go of every sound read so far, keeping the audio device open: the
// next playSound of a name reads its file again.
void forgetSounds();
// A sound device was removed or added: the game's device lost goes silent
// with one line, and a device added while there is none brings sound back.
void audioDeviceEvent(const SDL_AudioDeviceEvent& event);

// The game ends with `code`, for main() to return. A page does not see
// main() return, so in a browser the runtime ends here and the page hears
// the code.
int endWith(int code);

// --- The process ---

// Everything let go: sound, timer, window, SDL itself. main() calls it after
// the game returned; tests call it between cases for a fresh start.
void shutdown();

}  // namespace sdlplat
