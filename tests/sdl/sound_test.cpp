// The sound device's buffer under SDL's dummy and disk audio drivers: the
// mixer opens at the smallest size the driver takes, at the next size where
// the device refuses one, in silence with one line where it takes none; the
// kick's samples begin the first buffer mixed after it is played, also
// after the device was lost and another came.
#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/win_queue.h"
#include "tests/sdl/polling.h"

namespace {

// A device that refuses buffers below a size, or every buffer (no driver
// here refuses a size: each takes the nearest it can), and the driver's
// name as the game reads it; what the mixer asked the device for, in
// order, and the device it opened last.
struct Request {
    int frames;
    int changes;
};
struct FakeDevice {
    int refusedBelow = 0;  // sizes under this are refused; 0: every size is taken
    bool refusesAll = false;
    const char* driverName = nullptr;  // null: SDL's own answer
    std::vector<Request> asked;
    SDL_AudioDeviceID opened = 0;
};
FakeDevice fake;

}  // namespace

// SDL_mixer opens the device through SDL_OpenAudioDevice, and the game asks
// for the driver's name. These definitions in the test's executable take
// those calls before SDL's own (the executable comes first in the dynamic
// linker's search), do what `fake` says, and otherwise hand the call on.
extern "C" SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture,
                                                 const SDL_AudioSpec* desired,
                                                 SDL_AudioSpec* obtained, int allowed_changes) {
    using Open = SDL_AudioDeviceID (*)(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int);
    static const auto sdlOpen = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "SDL_OpenAudioDevice"));
    if (!iscapture) fake.asked.push_back({desired->samples, allowed_changes});
    const bool refused =
        fake.refusesAll || (desired->samples != 0 && desired->samples < fake.refusedBelow);
    if (!iscapture && refused) {
        SDL_SetError("the device refuses %d frames", desired->samples);
        return 0;
    }
    const SDL_AudioDeviceID id = sdlOpen(device, iscapture, desired, obtained, allowed_changes);
    if (!iscapture && id) fake.opened = id;
    return id;
}

extern "C" const char* SDL_GetCurrentAudioDriver(void) {
    using Name = const char* (*)();
    static const auto sdlName =
        reinterpret_cast<Name>(dlsym(RTLD_NEXT, "SDL_GetCurrentAudioDriver"));
    return fake.driverName ? fake.driverName : sdlName();
}

namespace {

constexpr int SizedChanges = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE |
                             SDL_AUDIO_ALLOW_SAMPLES_CHANGE;

// The test's kick is a square wave of this amplitude; a sample of half of
// it or more is the kick heard at its full strength (a kick faded in, or
// mixed at a lower volume, is not).
constexpr int KickAmplitude = 8000;
bool loud(int16_t sample) { return sample >= KickAmplitude / 2 || sample <= -KickAmplitude / 2; }

// What the mixer hands the device, buffer by buffer (SDL_mixer's post-mix
// hook, on SDL's audio thread): how many buffers so far, the last one's
// length in bytes, and the first with the kick in it and the sample frame
// in it where the kick begins. The mixer gives 16-bit stereo (checked).
struct Output {
    std::atomic<int> buffers{0};
    std::atomic<int> bytes{0};
    std::atomic<int> firstHeard{-1};
    std::atomic<int> heardAt{-1};
};
Output output;

void SDLCALL listen(void*, Uint8* stream, int len) {
    const int n = output.buffers.load() + 1;
    if (output.firstHeard.load() < 0) {
        const auto* samples = reinterpret_cast<const int16_t*>(stream);
        const int count = len / 2;
        const auto* sound = std::find_if(samples, samples + count, loud);
        if (sound != samples + count) {
            output.heardAt = static_cast<int>(sound - samples) / 2;
            output.firstHeard = n;
        }
    }
    output.bytes = len;
    output.buffers = n;
}

// The next sound heard is looked for afresh (called while nothing plays).
void listenAgain() {
    output.heardAt = -1;
    output.firstHeard = -1;
}

int bufferFrames() { return output.bytes.load() / 4; }

// A kick of the device's own format, so that nothing converts it: 16-bit
// stereo at 48 kHz, a tenth of a second of a square wave loud from its
// first sample.
void writeKick(const char* path) {
    constexpr uint32_t Frames = 4800;
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    f.write("RIFF", 4);
    u32(36 + Frames * 4);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(48000);
    u32(48000 * 4);
    u16(4);
    u16(16);
    f.write("data", 4);
    u32(Frames * 4);
    for (uint32_t i = 0; i < Frames; ++i) {
        const auto s = static_cast<int16_t>((i / 50) % 2 ? -KickAmplitude : KickAmplitude);
        u16(static_cast<uint16_t>(s));
        u16(static_cast<uint16_t>(s));
    }
}

void deviceEvent(uint32_t type, uint32_t which) {
    SDL_Event e{};
    e.adevice.type = type;
    e.adevice.which = which;
    sdlplat::handleEvent(e);
}

class SoundBuffer : public ::testing::Test {
protected:
    void SetUp() override {
        winq::reset();
        dir = std::filesystem::temp_directory_path() /
              ("pako-sound-buffer-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        writeKick("kick.wav");
        reset();
    }
    void TearDown() override {
        reset();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(dir);
        winq::reset();
    }

    // Sound let go, the fake device back to taking everything, nothing
    // heard.
    static void reset() {
        Mix_SetPostMix(nullptr, nullptr);
        sdlplat::shutdown();
        fake = FakeDevice{};
        output.buffers = 0;
        output.bytes = 0;
        listenAgain();
    }

    // The device opened as the game opens it, listened to, and playing.
    static bool open() {
        sdlplat::prepareSound();
        if (!sdlplat::audioAvailable()) return false;
        Mix_SetPostMix(listen, nullptr);
        return waitUntil([] { return output.buffers.load() >= 3; });
    }

    // The kick played: true when its sound begins the first buffer mixed
    // after the call, at that buffer's first sample. The device is locked
    // around the call, so that no buffer is mixed in the meantime however
    // long the call takes: the next buffer is the one after those counted.
    static testing::AssertionResult kickBeginsTheNextBuffer() {
        listenAgain();
        SDL_LockAudioDevice(fake.opened);
        const int before = output.buffers.load();
        backend::playSound("kick.wav");
        SDL_UnlockAudioDevice(fake.opened);
        if (!waitUntil([] { return output.firstHeard.load() >= 0; }))
            return testing::AssertionFailure() << "the kick was never heard";
        const int heard = output.firstHeard.load();
        if (heard != before + 1 || output.heardAt.load() != 0)
            return testing::AssertionFailure()
                   << "heard in buffer " << heard << " at frame " << output.heardAt.load()
                   << "; the call came after buffer " << before;
        return testing::AssertionSuccess();
    }

    std::filesystem::path dir, previous;
};

// Under the dummy driver and the disk driver (which writes what the device
// plays to a file): 256 frames at 48 kHz, asked for with the size free to
// change, and in the disk driver's file the kick begins a buffer.
TEST_F(SoundBuffer, TheDriversHereOpenAtTheSmallestSize) {
    const std::string file = (dir / "played.raw").string();
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    for (const char* driver : {"dummy", "disk"}) {
        SCOPED_TRACE(driver);
        setenv("SDL_AUDIODRIVER", driver, 1);
        ASSERT_TRUE(open());
        ASSERT_EQ(fake.asked.size(), 1u);
        EXPECT_EQ(fake.asked[0].frames, 256);
        EXPECT_EQ(fake.asked[0].changes, SizedChanges);
        int rate = 0, channels = 0;
        Uint16 format = 0;
        ASSERT_EQ(Mix_QuerySpec(&rate, &format, &channels), 1);
        EXPECT_EQ(rate, 48000);
        ASSERT_EQ(format, AUDIO_S16SYS);
        ASSERT_EQ(channels, 2);
        EXPECT_EQ(bufferFrames(), 256);
        EXPECT_TRUE(kickBeginsTheNextBuffer());
        reset();
    }
    // The device's output, played to the end: the first sound at a
    // multiple of 256 frames, on the left channel.
    std::ifstream f(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(f)), {});
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    const auto sound = std::find_if(samples.begin(), samples.end(), loud);
    ASSERT_NE(sound, samples.end()) << "the disk driver wrote no sound";
    const auto at = sound - samples.begin();
    EXPECT_EQ(at % (256 * 2), 0) << "sample " << at;
}

// A device refusing the small sizes opens at the next it takes; one
// refusing every size asked for opens at SDL's default, any change allowed;
// the drivers measured not to keep up with small buffers start at 1024
// frames, the others at 256.
TEST_F(SoundBuffer, ARefusedSizeFallsBackToTheNext) {
    fake.refusedBelow = 512;
    ASSERT_TRUE(open());
    ASSERT_EQ(fake.asked.size(), 2u);
    EXPECT_EQ(fake.asked[1].frames, 512);
    EXPECT_EQ(fake.asked[1].changes, SizedChanges);
    EXPECT_EQ(bufferFrames(), 512);
    EXPECT_TRUE(kickBeginsTheNextBuffer());
    reset();

    fake.refusedBelow = 2048;
    ASSERT_TRUE(open());
    ASSERT_EQ(fake.asked.size(), 4u);
    EXPECT_EQ(fake.asked[2].frames, 1024);
    EXPECT_EQ(fake.asked[3].frames, 0);
    EXPECT_EQ(fake.asked[3].changes, SDL_AUDIO_ALLOW_ANY_CHANGE);
    EXPECT_GT(bufferFrames(), 1024);
    EXPECT_TRUE(kickBeginsTheNextBuffer());
    reset();

    const struct {
        const char* driver;
        int frames;
    } starts[] = {{"pulseaudio", 1024}, {"alsa", 1024}, {"emscripten", 1024}, {"wasapi", 256}};
    for (const auto& start : starts) {
        SCOPED_TRACE(start.driver);
        fake.driverName = start.driver;
        ASSERT_TRUE(open());
        ASSERT_FALSE(fake.asked.empty());
        EXPECT_EQ(fake.asked[0].frames, start.frames);
        EXPECT_EQ(bufferFrames(), start.frames);
        reset();
    }
}

// A device that takes no buffer at all: silence with one line, and sound
// once a device is added that does.
TEST_F(SoundBuffer, NoSizeTakenIsSilenceUntilADeviceComes) {
    fake.refusesAll = true;
    testing::internal::CaptureStderr();
    sdlplat::prepareSound();
    backend::playSound("kick.wav");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(sdlplat::audioAvailable());
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("pako: no sound: "), std::string::npos) << err;
    EXPECT_EQ(fake.asked.size(), 4u);
    EXPECT_EQ(sdlplat::soundFileReads(), 0);

    fake.refusesAll = false;
    fake.asked.clear();
    testing::internal::CaptureStderr();
    deviceEvent(SDL_AUDIODEVICEADDED, 0);
    const std::string back = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(sdlplat::audioAvailable()) << back;
    EXPECT_EQ(std::count(back.begin(), back.end(), '\n'), 1) << back;
    ASSERT_EQ(fake.asked.size(), 1u);
    EXPECT_EQ(fake.asked[0].frames, 256);
    Mix_SetPostMix(listen, nullptr);
    ASSERT_TRUE(waitUntil([] { return output.buffers.load() >= 3; }));
    EXPECT_TRUE(kickBeginsTheNextBuffer());
}

// Kick after kick, each begins the buffer after its call; so it does once
// the device was lost and another came, opened at the small size again.
TEST_F(SoundBuffer, TheKickBeginsTheNextBufferAlsoAfterTheDeviceCameBack) {
    ASSERT_TRUE(open());
    backend::preloadSound("kick.wav");
    ASSERT_TRUE(waitUntil([] { return output.buffers.load() >= 10; }));
    EXPECT_EQ(output.firstHeard.load(), -1) << "sound before any was played";
    for (int kick = 0; kick < 5; ++kick) {
        EXPECT_TRUE(kickBeginsTheNextBuffer()) << "kick " << kick;
        ASSERT_TRUE(waitUntil([] { return !sdlplat::soundPlaying(); }));
    }

    testing::internal::CaptureStderr();
    deviceEvent(SDL_AUDIODEVICEREMOVED, 2);
    backend::playSound("kick.wav");
    EXPECT_FALSE(sdlplat::soundPlaying());
    fake.asked.clear();
    deviceEvent(SDL_AUDIODEVICEADDED, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    ASSERT_TRUE(sdlplat::audioAvailable());
    ASSERT_EQ(fake.asked.size(), 1u);
    EXPECT_EQ(fake.asked[0].frames, 256);
    // The post-mix hook outlives the device: the new one is listened to.
    const int buffers = output.buffers.load();
    ASSERT_TRUE(waitUntil([&] { return output.buffers.load() >= buffers + 3; }));
    EXPECT_EQ(bufferFrames(), 256);
    for (int kick = 0; kick < 3; ++kick) {
        EXPECT_TRUE(kickBeginsTheNextBuffer()) << "kick " << kick << " on the new device";
        ASSERT_TRUE(waitUntil([] { return !sdlplat::soundPlaying(); }));
    }
    EXPECT_EQ(sdlplat::soundFileReads(), 2) << "read again for the new device";
}

}  // namespace
