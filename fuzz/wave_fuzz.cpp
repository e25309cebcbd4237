// One wave file taken through the sound path: written under the kick's name
// in the working directory, then played as the game plays it (the header
// guard, SDL_mixer's loader, the one channel, under SDL's dummy audio
// driver), and let go again so that the next input is read afresh.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/input_file.h"
#include "platform/backend.h"
#include "platform/sdl/sdl_platform.h"

namespace {

constexpr const char* FileName = "kick.wav";

void writeInput(const uint8_t* data, size_t size) { writeInputFile(FileName, data, size); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    static const std::filesystem::path dir = [] {
        std::filesystem::path d =
            std::filesystem::temp_directory_path() / ("pako-wave-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        std::filesystem::current_path(d);
        return d;
    }();
    sdlplat::prepareSound();
    if (!sdlplat::audioAvailable()) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeInput(data, size);
    backend::playSound(FileName);
    backend::playSound(FileName);  // kept: not read again
    if (sdlplat::soundFileReads() < 1) std::abort();
    sdlplat::forgetSounds();
    return 0;
}
