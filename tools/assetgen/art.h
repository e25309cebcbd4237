// The pictures and sounds of the game, and the shared palette they are
// painted with. Light falls from the upper left in every picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"
#include "formats.h"

namespace ag {

namespace pal {
// Ink for outlines on pictures keyed white.
inline const Col ink = rgb(42, 30, 52);
// Outlines on pictures keyed black must stay well clear of black.
inline const Col inkOnBlack = rgb(72, 58, 140);

inline const Col sunYellow = rgb(255, 214, 64);
inline const Col sunOrange = rgb(255, 150, 36);
inline const Col cream = rgb(255, 243, 214);
inline const Col scarfRed = rgb(222, 52, 60);
inline const Col scarfRedDark = rgb(160, 30, 48);
inline const Col hatTeal = rgb(40, 160, 170);
inline const Col hatTealDark = rgb(24, 110, 128);
inline const Col jacketBlue = rgb(62, 110, 214);
inline const Col jacketBlueDark = rgb(40, 72, 160);
inline const Col trousers = rgb(70, 64, 96);
inline const Col trousersDark = rgb(50, 44, 72);
inline const Col shoe = rgb(150, 82, 44);
inline const Col shoeDark = rgb(104, 54, 30);
inline const Col skin = rgb(250, 204, 168);
inline const Col skinShade = rgb(232, 170, 138);
inline const Col cheek = rgb(246, 150, 140);
inline const Col leaf = rgb(70, 186, 84);
inline const Col leafLight = rgb(140, 222, 110);
inline const Col leafDark = rgb(30, 120, 60);
inline const Col dragonRed = rgb(218, 44, 38);
inline const Col dragonRedDark = rgb(140, 24, 30);
inline const Col dragonRedLight = rgb(255, 128, 96);
inline const Col wing = rgb(226, 240, 252);
inline const Col wingEdge = rgb(120, 150, 190);
inline const Col wood = rgb(176, 112, 60);
inline const Col woodLight = rgb(206, 146, 84);
inline const Col woodDark = rgb(112, 64, 34);
inline const Col shadowBlue = rgb(74, 84, 150);
}  // namespace pal

// Keys as the catalogue gives them.
inline const Rgb kWhite{255, 255, 255};
inline const Rgb kBlack{0, 0, 0};

// Samples per pixel side used for the sprites.
constexpr int kSamples = 4;

// One picture: guarded against the key and written as a 24-bit bitmap.
Bytes keyedBitmap(Image im, const char* name);

// Each returns the picture, ready to be guarded and written.
Image playerStand();
Image playerKick();
Image playerRun(int phase, bool right);  // phase 0..3
Image shuttle(int n);                    // WAVEPAKO n, 1..7
Image dragonfly(char heading);           // 'L', 'R', 'U', 'D'
Image dragonflyStruck();
Image digit(int d);
Image menuWord(const std::string& word, int variant);  // START/EXIT, variant 1..3
Image countdownWord(const std::string& word, int w, int h);
Image continuePicture();
Image anglePointer();
Image hereMarker();
Image gauge(int tenths);
Image signboard();
Image logo();
// The icon, size x size with straight alpha, transparent outside the badge.
std::vector<Rgba> iconPicture(int size);

// The background: 8 bits per pixel with its own palette.
struct Indexed {
    int w = 0, h = 0;
    std::vector<uint8_t> idx;
    std::vector<Rgb> palette;
};
Indexed background();

std::vector<int16_t> kickSound(int rate);
std::vector<int16_t> dragonflySound(int rate);

// Shared drawing pieces.
void drawDragonfly(Canvas& c, double k, bool struck);  // facing right, at the origin
void drawShuttle(Canvas& c, int phase, bool forIcon);  // in an 80 x 50 box

// A fixed pseudo-random sequence, so that every run draws the same pictures.
struct Rand {
    uint32_t s;
    explicit Rand(uint32_t seed) : s(seed ? seed : 1) {}
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    double unit() { return (next() >> 8) / 16777216.0; }  // 0 <= u < 1
    double range(double a, double b) { return a + (b - a) * unit(); }
};

}  // namespace ag
