/* Loaded into the real game with LD_PRELOAD by bench/latency.py: it notes
 * when each picture reaches the screen, and when each sound reaches the
 * sound device, as seen from outside the game's own code.
 *
 * SDL_RenderPresent: the real present, then (LATENCY_REFRESH_HZ) a sleep to
 * the next boundary of a fixed grid of that period on CLOCK_MONOTONIC, as a
 * present that waits for the screen's refresh does; then a few small areas
 * of the X server's root window are read back over a connection of our own
 * (the game runs full screen on Xvfb, so the root window is the picture),
 * and a line is written to LATENCY_LOG:
 *     <ns> <pixels of each area>
 * where <ns> is CLOCK_MONOTONIC when the picture was shown (the time of
 * Python's time.monotonic_ns()) and an area's pixels are written RRGGBB
 * each, row by row, without spaces. The areas are LATENCY_AREAS, "x,y,w,h"
 * separated by spaces, read with one request each.
 *
 * SDL_OpenAudioDevice: the device's callback is wrapped; after the real
 * callback has filled a buffer that holds sound after a silent one, a line
 *     A <ns> <frames in the buffer> <first sounding frame> <rate>
 * is written: the first samples of a sound handed to the device. */
#define _GNU_SOURCE
#include <SDL2/SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define MAX_AREAS 8

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static FILE* logFile;
static Display* dpy;
static int64_t refreshNs;
static int areaCount;
static int areas[MAX_AREAS][4];
static int ready;

static int64_t nowNs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

static void sleepUntil(int64_t ns) {
    struct timespec t = {ns / 1000000000, ns % 1000000000};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, NULL) == EINTR) {
    }
}

/* Under `lock`. */
static void setUp(void) {
    if (ready) return;
    ready = 1;
    const char* path = getenv("LATENCY_LOG");
    if (path && *path) {
        logFile = fopen(path, "w");
        if (logFile) setvbuf(logFile, NULL, _IOLBF, 0);
    }
    const char* hz = getenv("LATENCY_REFRESH_HZ");
    if (hz && atoi(hz) > 0) refreshNs = 1000000000LL / atoi(hz);
    const char* text = getenv("LATENCY_AREAS");
    while (text && *text && areaCount < MAX_AREAS) {
        int* a = areas[areaCount];
        if (sscanf(text, "%d,%d,%d,%d", &a[0], &a[1], &a[2], &a[3]) != 4) break;
        ++areaCount;
        text = strchr(text, ' ');
        while (text && *text == ' ') ++text;
    }
    if (areaCount) dpy = XOpenDisplay(NULL);
}

/* Under `lock`: the area's pixels as RRGGBB each, one after another. */
static void writeArea(const int* a) {
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), a[0], a[1], (unsigned)a[2],
                              (unsigned)a[3], AllPlanes, ZPixmap);
    fputc(' ', logFile);
    if (!image) {
        fputc('-', logFile);
        return;
    }
    for (int y = 0; y < a[3]; ++y)
        for (int x = 0; x < a[2]; ++x) fprintf(logFile, "%06lx", XGetPixel(image, x, y) & 0xffffff);
    XDestroyImage(image);
}

void SDL_RenderPresent(SDL_Renderer* renderer) {
    static void (*real)(SDL_Renderer*);
    if (!real) real = (void (*)(SDL_Renderer*))dlsym(RTLD_NEXT, "SDL_RenderPresent");
    real(renderer);
    pthread_mutex_lock(&lock);
    setUp();
    pthread_mutex_unlock(&lock);
    /* Not under the lock: the sound's callback must never wait for this. */
    if (refreshNs > 0) sleepUntil((nowNs() / refreshNs + 1) * refreshNs);
    const int64_t shown = nowNs();
    pthread_mutex_lock(&lock);
    if (logFile) {
        fprintf(logFile, "%lld", (long long)shown);
        for (int i = 0; dpy && i < areaCount; ++i) writeArea(areas[i]);
        fputc('\n', logFile);
    }
    pthread_mutex_unlock(&lock);
}

/* --- Sound --- */

static SDL_AudioCallback realCallback;
static void* realUserdata;
static SDL_AudioSpec device;
static int wasSilent = 1;

/* The index of the first sample frame that is not silence, or -1. */
static int firstSounding(const Uint8* stream, int len) {
    const int frameBytes = SDL_AUDIO_BITSIZE(device.format) / 8 * device.channels;
    for (int i = 0; i < len; ++i)
        if (stream[i] != device.silence) return frameBytes ? i / frameBytes : i;
    return -1;
}

static void SDLCALL wrappedCallback(void* userdata, Uint8* stream, int len) {
    (void)userdata;
    realCallback(realUserdata, stream, len);
    const int64_t handed = nowNs();
    const int first = firstSounding(stream, len);
    if (first >= 0 && wasSilent) {
        const int frameBytes = SDL_AUDIO_BITSIZE(device.format) / 8 * device.channels;
        pthread_mutex_lock(&lock);
        setUp();
        if (logFile)
            fprintf(logFile, "A %lld %d %d %d\n", (long long)handed,
                    frameBytes ? len / frameBytes : len, first, device.freq);
        pthread_mutex_unlock(&lock);
    }
    wasSilent = first < 0;
}

SDL_AudioDeviceID SDL_OpenAudioDevice(const char* name, int iscapture, const SDL_AudioSpec* desired,
                                      SDL_AudioSpec* obtained, int allowed) {
    static SDL_AudioDeviceID (*real)(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int);
    if (!real)
        real = (SDL_AudioDeviceID(*)(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*,
                                     int))dlsym(RTLD_NEXT, "SDL_OpenAudioDevice");
    if (iscapture || !desired || !desired->callback)
        return real(name, iscapture, desired, obtained, allowed);
    SDL_AudioSpec wrapped = *desired;
    SDL_AudioSpec got;
    realCallback = desired->callback;
    realUserdata = desired->userdata;
    wrapped.callback = wrappedCallback;
    wrapped.userdata = NULL;
    SDL_AudioDeviceID id = real(name, iscapture, &wrapped, &got, allowed);
    if (id) {
        /* What the callback is given: the obtained format where changes were
         * allowed, the desired one (converted by SDL) where not. */
        device = got;
        got.callback = desired->callback;
        got.userdata = desired->userdata;
    }
    if (obtained) *obtained = got;
    return id;
}
