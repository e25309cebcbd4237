// pako-assetgen: draws every picture and sound of the game.
//
//   pako-assetgen ASSETS_DIR           write all files into ASSETS_DIR
//   pako-assetgen --check ASSETS_DIR   compare, exit 1 if any file differs
//
// The output is the same, byte for byte, on every run.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "art.h"

namespace fs = std::filesystem;
using namespace ag;

namespace {

bool gVerbose = false;

struct Output {
    std::string path;  // relative to the assets folder
    std::function<Bytes()> make;
};

Bytes bitmap(const char* name, Image im) { return keyedBitmap(std::move(im), name); }

std::vector<Output> outputs() {
    std::vector<Output> o;
    auto bmp = [&o](const std::string& name, std::function<Image()> f) {
        o.push_back({"bitmaps/" + name + ".bmp", [name, f] { return bitmap(name.c_str(), f()); }});
    };
    bmp("ZABLOSTAND", playerStand);
    bmp("ZABLOPAKO", playerKick);
    for (int i = 0; i < 4; ++i) {
        bmp("ZABLORUNR" + std::to_string(i + 1), [i] { return playerRun(i, true); });
        bmp("ZABLORUNL" + std::to_string(i + 1), [i] { return playerRun(i, false); });
    }
    o.push_back({"bitmaps/BACK.bmp", [] {
                     Indexed b = background();
                     return bmp8(b.w, b.h, b.idx, b.palette);
                 }});
    bmp("RANKING", signboard);
    bmp("REVOZE", logo);
    for (int i = 1; i <= 10; ++i) bmp("BAR" + std::to_string(i), [i] { return gauge(i); });
    bmp("JAMJARYL", [] { return dragonfly('L'); });
    bmp("JAMJARYR", [] { return dragonfly('R'); });
    bmp("JAMJARYD", [] { return dragonfly('D'); });
    bmp("JAMJARYU", [] { return dragonfly('U'); });
    bmp("JAMJARYDIE", dragonflyStruck);
    bmp("HERE", hereMarker);
    const char* digits[10] = {"ZERO", "ONE", "TWO",   "THREE", "FOUR",
                              "FIVE", "SIX", "SEVEN", "EIGHT", "NINE"};
    for (int d = 0; d < 10; ++d) bmp(digits[d], [d] { return digit(d); });
    for (int v = 1; v <= 3; ++v) {
        bmp("START" + std::to_string(v), [v] { return menuWord("START", v); });
        bmp("EXIT" + std::to_string(v), [v] { return menuWord("EXIT", v); });
    }
    for (int n = 1; n <= 7; ++n) bmp("WAVEPAKO" + std::to_string(n), [n] { return shuttle(n); });
    bmp("GO", [] { return countdownWord("GO", 65, 38); });
    bmp("CONTINUE", continuePicture);
    bmp("READY", [] { return countdownWord("READY", 141, 35); });
    bmp("ANGLE", anglePointer);
    o.push_back({"icon/icon-32.bmp", [] { return bmp32(32, 32, iconPicture(32)); }});
    for (int size : {32, 64, 128, 256})
        o.push_back({"icon/pako-tumbo-" + std::to_string(size) + ".png",
                     [size] { return png(size, size, iconPicture(size)); }});
    o.push_back({"sounds/kick.wav", [] { return wav16(kickSound(22050), 22050); }});
    o.push_back({"sounds/a1.wav", [] { return wav16(dragonflySound(22050), 22050); }});
    return o;
}

bool readFile(const fs::path& p, Bytes& out) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

namespace ag {

Bytes keyedBitmap(Image im, const char* name) {
    int fixed = guardKey(im);
    if (gVerbose && fixed > 0)
        std::fprintf(stderr, "%s: %d pixels moved off the key\n", name, fixed);
    return bmp24(im);
}

}  // namespace ag

int main(int argc, char** argv) {
    bool check = false;
    const char* dir = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else if (std::strcmp(argv[i], "-v") == 0)
            gVerbose = true;
        else
            dir = argv[i];
    }
    if (!dir) {
        std::fprintf(stderr, "usage: pako-assetgen [-v] [--check] ASSETS_DIR\n");
        return 2;
    }
    int differing = 0;
    for (const Output& out : outputs()) {
        Bytes bytes = out.make();
        fs::path p = fs::path(dir) / out.path;
        if (check) {
            Bytes have;
            if (!readFile(p, have) || have != bytes) {
                std::fprintf(stderr, "%s differs from what the generator draws\n",
                             out.path.c_str());
                ++differing;
            }
            continue;
        }
        fs::create_directories(p.parent_path());
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
        if (!f) {
            std::fprintf(stderr, "cannot write %s\n", p.string().c_str());
            return 1;
        }
    }
    if (check && differing) {
        std::fprintf(stderr, "%d file(s) out of date: run tools/assetgen/regenerate.sh\n",
                     differing);
        return 1;
    }
    return 0;
}
