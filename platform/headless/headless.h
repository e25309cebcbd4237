// The simulated platform: no window, no sound device, a simulated clock and
// messages from a schedule. Tests and the simulator drive it through this
// interface and read back what it recorded.
//
// Time. The clock is a 64-bit count of simulated milliseconds that only moves
// when the game waits: the pump's wait for its next frame moves it on to the
// moment the frame is due, and a sleep (WaitMessage) to the next step that
// brings something. A frame itself takes no time. The game sees the low 32
// bits, plus a settable base, so the wrap can be tried.
//
// Steps. Simulated time is cut into steps of 14 ms. When the clock reaches
// the start of step s (14 x s), the next look at the queue delivers step s:
// first every automatic timer tick that is due (200 ms apart from the
// moment the timer was set), then the messages scheduled for step s, in the
// order they were scheduled. A game that sleeps (WaitMessage) moves the clock
// on to the next step that has something to deliver. With a step limit N, the
// window is closed when step N begins, as if the player had closed it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/backend.h"

struct SDL_Surface;

namespace headless {

// The platform as a fresh process finds it: clock 0, no schedule, no
// faults, no records, the queue, window and display surfaces of the last run
// let go, embedded resources on. The layers above have resets of their own
// (harness/process.h calls them in order).
void reset();

// Clock.
void setClock(uint64_t ms);
uint64_t clock();
void setClockBase(uint32_t base);
// The n-th read from now (1 = the next) first moves the clock on by ms.
void jumpClockOnRead(int nthRead, uint32_t ms);
uint64_t clockReads();
// Milliseconds the clock moved on while the pump waited for a frame.
uint64_t idledMs();
// As a web page's platform: the frames keep a fixed step on the clock
// (backend::framesKeepAFixedStep), and every wait for a frame comes back
// `lateMs` after the moment it was asked for, as a browser wakes a page
// late. Off (and 0) by default.
void paceAsAPage(bool fixedStep, uint32_t lateMs);

// Schedule.
constexpr uint64_t StepMs = 14;
void scheduleMessage(int64_t step, UINT message, WPARAM wParam, LPARAM lParam);
void setStepLimit(int64_t steps);      // negative: no limit (the default)
void setAutomaticTimer(bool enabled);  // on by default
int64_t currentStep();                 // the last step delivered; -1 before step 0
// Called at every look at the queue, before anything new is delivered: the
// simulator ends a frame's trace line there.
void setPumpHook(void (*hook)());

// Fault injection: calls nth .. nth + times - 1 of op (counted from 1 since
// the reset) answer code instead of running.
void injectFault(backend::Op op, int nth, HRESULT code, int times = 1);
int callCount(backend::Op op);
// Takes the memory of every display surface away, as another program taking
// the screen would.
void loseAllSurfaces();

// Message boxes: answered from this list in order, then OK for an OK box and
// Cancel for a Retry/Cancel box.
struct MessageBoxRecord {
    std::string text;
    std::string caption;
    uint32_t type;
};
void answerNextMessageBox(int answer);
const std::vector<MessageBoxRecord>& messageBoxes();

// Sounds and debugger strings, in the order they came. Both are recorded as
// the pointers the game passed (its literal texts), so recording allocates
// nothing; the last SoundCapacity are kept.
constexpr int SoundCapacity = 256;
int64_t soundCount();
const char* sound(int64_t index);  // index < soundCount(), within the last SoundCapacity
const std::vector<std::string>& debugStrings();
// The sounds read ahead at start-up, in order.
const std::vector<std::string>& preloadedSounds();

// The window and the display as the player would see them.
bool windowExists();
bool windowShown();
std::string windowTitle();
int presentCount();
// When on, every successful flip copies the back buffer into a picture of
// the screen (off by default: it costs a full-screen copy per frame).
void keepShownPicture(bool enabled);
SDL_Surface* shownPicture();

// The calendar time the game seeds its random generator with.
void setCalendarSeconds(uint32_t seconds);

}  // namespace headless
