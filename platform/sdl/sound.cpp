// Sound effects through SDL_mixer on one channel: a wave file from the
// working directory, read the first time it is asked for (or ahead, at
// start-up) and kept; a new sound cuts off the one still playing. Every
// failure is silence, said once in a line of our own: no sound device, or a
// file that is missing or no wave the game can play.
#include <SDL_mixer.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/backend.h"
#include "platform/file_guards.h"
#include "platform/os.h"
#include "platform/sdl/sdl_platform.h"

namespace {

// Lost: the device went away in play (or none could be opened at the
// start while SDL's audio runs): silence until a device is added.
enum class Audio { Untried, Open, Unavailable, Lost };
Audio audio = Audio::Untried;

// The game plays two sounds; a few more slots cost nothing. A name that does
// not fit is never cached, so it is simply silent.
constexpr int CacheSlots = 16;
constexpr size_t NameCapacity = 256;
enum class WaveFile { Read, Missing, Unusable };
struct Sound {
    char name[NameCapacity];
    Mix_Chunk* chunk;  // null: the file was missing or no usable wave
    WaveFile file;
};
Sound cache[CacheSlots];
int slotsUsed = 0;
int fileReads = 0;
const Sound* playing = nullptr;

// The mixer's rate. A device that insists on a rate of its own opens at
// that one instead, and the sounds are converted to it as they are read.
constexpr int MixerRate = 48000;

// The sizes of the device's buffer asked for, in sample frames, smallest
// first. A sound begins the first buffer mixed after playSound, so a
// buffer's length is what the mixer adds to the kick's delay ahead of the
// device's own queue: 256 frames are 5.3 ms at 48 kHz, 512 are 10.7 ms,
// 1024 are 21.3 ms. Each size is asked for with the device free to change
// the size (WASAPI opens at its own period), the rate and the channels; a
// device that refuses one is asked for the next, and after the last for
// SDL's own default size with any change at all, so that every device that
// plays at all is opened.
constexpr int BufferSizes[] = {256, 512, 1024};
constexpr int SizedChanges = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE |
                             SDL_AUDIO_ALLOW_SAMPLES_CHANGE;

// Drivers measured not to keep up with small buffers start at 1024 frames,
// the size the game always had. Measured with SDL 2.26 and PulseAudio 16's
// null sink on a virtual machine of two cores, busy with other work and
// with two busy loops a core besides: the sizes played a kick every 300 ms
// side by side for two minutes, so that each met the same load, and the
// server counted the times a stream ran dry.
//  - pulseaudio: SDL has the server queue one buffer and no more (the
//    server shortens that to three quarters), so the queue is as short as
//    the buffer. 256, 512 and 1024 frames ran dry 2138, 496 and 49 times
//    under the load; 386, 101 and 11 times with the audio thread at nice
//    -20, as SDL sets it where the system lets it; 267, 49 and 13 times
//    without the busy loops. From 1024 frames up, twice the buffer only
//    halves the count. PipeWire's PulseAudio server is reached through
//    this driver too.
//  - alsa, measured through ALSA's PulseAudio plugin (ALSA's default on a
//    desktop): 173, 59 and 24 times. Behind dmix, ALSA's default on a bare
//    sound card, the period is dmix's own (1024 frames as configured)
//    whatever is asked.
//  - emscripten: the page's script processor is filled on the page's own
//    thread, between the game's frames; not measured.
// The other drivers take what is asked or keep a size of their own (WASAPI
// its period, commonly 10 ms); the dummy and disk drivers, which the tests
// use, open at 256 frames.
struct DriverStart {
    const char* driver;
    int frames;
};
constexpr DriverStart DriverStarts[] = {{"pulseaudio", 1024}, {"alsa", 1024}, {"emscripten", 1024}};

int smallestBufferSize() {
    const char* driver = SDL_GetCurrentAudioDriver();
    for (const DriverStart& start : DriverStarts)
        if (driver && std::strcmp(driver, start.driver) == 0) return start.frames;
    return BufferSizes[0];
}

bool openMixerAt(int frames, int changes) {
    if (Mix_OpenAudioDevice(MixerRate, MIX_DEFAULT_FORMAT, 2, frames, nullptr, changes) != 0)
        return false;
    Mix_AllocateChannels(1);
    return true;
}

// The mixer on the default output device, SDL's audio already up: false,
// with the last refusal in Mix_GetError(), when no size opens.
bool openMixer() {
    const int smallest = smallestBufferSize();
    for (const int frames : BufferSizes)
        if (frames >= smallest && openMixerAt(frames, SizedChanges)) return true;
    return openMixerAt(0, SDL_AUDIO_ALLOW_ANY_CHANGE);
}

bool openAudio() {
    if (audio != Audio::Untried) return audio == Audio::Open;
    char why[256] = "";
    bool failed = false;
    bool audioUp = false;
    {
        // The sound libraries below SDL may write their own complaints (a
        // machine without a sound card gets a screenful): the game says in
        // one line what came of it.
        sdlplat::QuietStandardError quiet;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            failed = true;
            std::snprintf(why, sizeof why, "%s", SDL_GetError());
        } else if (!openMixer()) {
            failed = true;
            audioUp = true;
            std::snprintf(why, sizeof why, "%s", Mix_GetError());
        }
    }
    if (failed) {
        std::fprintf(stderr, "pako: no sound: %s\n", *why ? why : "no audio device");
        // With SDL's audio up, a device plugged in later is heard of.
        audio = audioUp ? Audio::Lost : Audio::Unavailable;
        return false;
    }
    audio = Audio::Open;
    return true;
}

void freeChunks() {
    for (int i = 0; i < slotsUsed; ++i)
        if (cache[i].chunk) Mix_FreeChunk(cache[i].chunk);
    for (Sound& s : cache) s = Sound{};
    slotsUsed = 0;
    playing = nullptr;
}

// What is wrong with a wave file of the working directory, if anything.
WaveFile checkWave(const std::vector<unsigned char>& bytes) {
    if (bytes.empty()) return WaveFile::Missing;
    return waveHeaderFits(bytes.data(), bytes.size()) ? WaveFile::Read : WaveFile::Unusable;
}

// One line for a sound the game will not hear: its name and the folder it
// was looked for in.
void sayWhyNot(const char* fileName, WaveFile file) {
    char folder[4096];
    if (!os::currentFolder(folder, sizeof folder))
        std::snprintf(folder, sizeof folder, "the working folder");
    if (file == WaveFile::Missing)
        std::fprintf(stderr, "pako: no sound %s in %s; the game plays on without it\n", fileName,
                     folder);
    else
        std::fprintf(stderr,
                     "pako: %s in %s is no wave file the game can play; the game plays on "
                     "without it\n",
                     fileName, folder);
}

// A wave file from the working directory, through the guard in front of
// SDL_mixer's loader (platform/file_guards.h); null when it is missing or
// refused, or the loader cannot use it (an unknown encoding).
Mix_Chunk* readWave(const char* fileName, WaveFile& file) {
    ++fileReads;
    const std::vector<unsigned char> bytes = readRegularFile(fileName, MaxWaveBytes);
    file = checkWave(bytes);
    if (file != WaveFile::Read) return nullptr;
    // The loader converts the samples into a buffer of its own.
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    Mix_Chunk* chunk = rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
    if (!chunk) file = WaveFile::Unusable;
    return chunk;
}

const Sound* soundFor(const char* fileName) {
    for (int i = 0; i < slotsUsed; ++i)
        if (std::strcmp(cache[i].name, fileName) == 0) return &cache[i];
    if (slotsUsed == CacheSlots || std::strlen(fileName) >= NameCapacity) return nullptr;
    Sound& s = cache[slotsUsed++];
    std::memcpy(s.name, fileName, std::strlen(fileName) + 1);  // its length was checked
    s.chunk = readWave(fileName, s.file);
    return &s;
}

}  // namespace

namespace sdlplat {

void prepareSound() { openAudio(); }

bool audioAvailable() { return audio == Audio::Open; }

int soundFileReads() { return fileReads; }

bool soundPlaying() { return audio == Audio::Open && Mix_Playing(0) != 0; }

const char* soundNowPlaying() { return soundPlaying() && playing ? playing->name : nullptr; }

void forgetSounds() {
    if (audio == Audio::Open) Mix_HaltChannel(-1);
    freeChunks();
}

// SDL tells of the removal of a device the program opened, so an output
// device removed is the game's. The sounds read are let go with it: they
// were converted for that device. A device added while the game has none
// is tried; the sounds are read again as they are played.
void audioDeviceEvent(const SDL_AudioDeviceEvent& event) {
    if (event.iscapture) return;
    // SDL names an opened device that went by its id, never 0; a removal
    // with 0 is of a device nobody opened (headphones not in use pulled
    // out), and the game's sound plays on. The game opens one device only.
    if (event.type == SDL_AUDIODEVICEREMOVED && event.which != 0 && audio == Audio::Open) {
        Mix_HaltChannel(-1);
        freeChunks();
        Mix_CloseAudio();
        audio = Audio::Lost;
        std::fprintf(stderr, "pako: the sound device was lost; the game plays on without sound\n");
        return;
    }
    if (event.type == SDL_AUDIODEVICEADDED && audio == Audio::Lost) {
        bool opened = false;
        {
            sdlplat::QuietStandardError quiet;
            opened = openMixer();
        }
        if (!opened) return;
        audio = Audio::Open;
        std::fprintf(stderr, "pako: a sound device is back; the game has sound again\n");
    }
}

void shutdownSound() {
    if (audio == Audio::Open) {
        Mix_HaltChannel(-1);
        freeChunks();
        Mix_CloseAudio();
    }
    if (audio == Audio::Open || audio == Audio::Lost) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    freeChunks();
    fileReads = 0;
    audio = Audio::Untried;
}

}  // namespace sdlplat

namespace backend {

void preloadSound(const char* fileName) {
    if (!fileName) return;
    WaveFile file = WaveFile::Missing;
    if (openAudio()) {
        const Sound* s = soundFor(fileName);
        if (!s) return;
        file = s->file;
    } else {
        // Without a device nothing plays, but a missing file is still worth
        // a word to whoever sets the game up.
        file = checkWave(readRegularFile(fileName, MaxWaveBytes));
    }
    if (file != WaveFile::Read) sayWhyNot(fileName, file);
}

void playSound(const char* fileName) {
    if (!fileName || !openAudio()) return;
    // Every call stops what still plays, also one whose file is no use.
    Mix_HaltChannel(0);
    playing = nullptr;
    const Sound* s = soundFor(fileName);
    if (!s || !s->chunk) return;
    if (Mix_PlayChannel(0, s->chunk, 0) == 0) playing = s;
}

}  // namespace backend
