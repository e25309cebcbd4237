// Sound effects through SDL_mixer on one channel: a wave file from the
// working directory, read the first time it is asked for and kept; a new
// sound cuts off the one still playing. Every failure is silence.
#include <SDL_mixer.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/backend.h"
#include "platform/sdl/sdl_platform.h"

namespace {

enum class Audio { Untried, Open, Unavailable };
Audio audio = Audio::Untried;

// The game plays two sounds; a few more slots cost nothing. A name that does
// not fit is never cached, so it is simply silent.
constexpr int CacheSlots = 16;
constexpr size_t NameCapacity = 256;
struct Sound {
    char name[NameCapacity];
    Mix_Chunk* chunk;  // null: the file was missing or no usable wave
};
Sound cache[CacheSlots];
int slotsUsed = 0;
int fileReads = 0;
const Sound* playing = nullptr;

bool openAudio() {
    if (audio != Audio::Untried) return audio == Audio::Open;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "pako: no sound: %s\n", SDL_GetError());
        audio = Audio::Unavailable;
        return false;
    }
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        std::fprintf(stderr, "pako: no sound: %s\n", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audio = Audio::Unavailable;
        return false;
    }
    Mix_AllocateChannels(1);
    audio = Audio::Open;
    return true;
}

// The guard in front of SDL_mixer's loader. A file is handed on only if it is
// a RIFF/WAVE file (the only files the game ever played: SDL_mixer would take
// other formats too, and a file of the right name in another format stays
// silent, as it always did) whose header the file can back: the RIFF size
// within the file, a "fmt " chunk of at least 16 bytes and a "data" chunk,
// each inside the file, and no more than MaxWaveBytes in all. A truncated,
// empty or absurd file is then never decoded at all; what the loader still
// refuses (an unknown encoding) is silence as well.
constexpr int64_t MaxWaveBytes = int64_t{16} << 20;  // a kick is a few kilobytes
constexpr int MaxChunks = 64;

uint32_t le32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool waveHeaderFits(SDL_RWops* rw) {
    const int64_t fileSize = SDL_RWsize(rw);
    if (fileSize < 12 || fileSize > MaxWaveBytes) return false;
    unsigned char head[12];
    if (SDL_RWread(rw, head, 1, sizeof head) != sizeof head) return false;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return false;
    const int64_t riffEnd = int64_t{le32(head + 4)} + 8;
    if (riffEnd > fileSize || riffEnd < 12) return false;
    bool format = false;
    int64_t at = 12;
    for (int n = 0; n < MaxChunks && at + 8 <= riffEnd; ++n) {
        unsigned char chunk[8];
        if (SDL_RWseek(rw, at, RW_SEEK_SET) != at || SDL_RWread(rw, chunk, 1, 8) != 8) return false;
        const int64_t size = le32(chunk + 4);
        if (at + 8 + size > riffEnd) return false;  // a chunk reaching past the end
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) return false;
            format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            return format;  // the samples follow the format, or the file is no wave
        }
        at += 8 + size + (size & 1);  // chunks are padded to even sizes
    }
    return false;
}

Mix_Chunk* readWave(const char* fileName) {
    ++fileReads;
    SDL_RWops* rw = SDL_RWFromFile(fileName, "rb");
    if (!rw) return nullptr;
    if (!waveHeaderFits(rw) || SDL_RWseek(rw, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(rw);
        return nullptr;
    }
    return Mix_LoadWAV_RW(rw, 1);
}

const Sound* soundFor(const char* fileName) {
    for (int i = 0; i < slotsUsed; ++i)
        if (std::strcmp(cache[i].name, fileName) == 0) return &cache[i];
    if (slotsUsed == CacheSlots || std::strlen(fileName) >= NameCapacity) return nullptr;
    Sound& s = cache[slotsUsed++];
    std::strcpy(s.name, fileName);
    s.chunk = readWave(fileName);
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
    for (int i = 0; i < slotsUsed; ++i)
        if (cache[i].chunk) Mix_FreeChunk(cache[i].chunk);
    for (Sound& s : cache) s = Sound{};
    slotsUsed = 0;
    playing = nullptr;
}

void shutdownSound() {
    if (audio == Audio::Open) {
        Mix_HaltChannel(-1);
        for (int i = 0; i < slotsUsed; ++i)
            if (cache[i].chunk) Mix_FreeChunk(cache[i].chunk);
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    for (Sound& s : cache) s = Sound{};
    slotsUsed = 0;
    fileReads = 0;
    playing = nullptr;
    audio = Audio::Untried;
}

}  // namespace sdlplat

namespace backend {

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
