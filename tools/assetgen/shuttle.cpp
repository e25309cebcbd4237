// The shuttlecock: a bundle of green strips tied on a small brass weight,
// seen from the side. It flies weight first, so the strips trail above it
// while it falls and below it while it rises; struck, they spread flat.
#include <cmath>
#include <numbers>

#include "art.h"

namespace ag {

namespace {

constexpr double kPi = std::numbers::pi;

// Where the weight sits in the 80 x 50 box. The swing judgement tests the
// point (20, 20) of the picture, so the weight is kept close to it.
constexpr double kWeightX = 26;

struct Strip {
    std::vector<Pt> line;
    Col col;
};

// One strip leaving the weight at `root`, pointing along `angle` (degrees,
// 0 = up, positive to the right), waving sideways by `wave`.
Strip makeStrip(Pt root, double angle, double length, double wave, double phase, Col col,
                bool down) {
    Strip s;
    s.col = col;
    double a = angle * kPi / 180.0;
    Pt d{std::sin(a), down ? std::cos(a) : -std::cos(a)};
    Pt n{-d.y, d.x};
    for (int i = 0; i <= 10; ++i) {
        double t = i / 10.0;
        double side = wave * std::sin(t * kPi * 1.3 + phase) * t;
        s.line.push_back(
            Pt{root.x + d.x * length * t + n.x * side, root.y + d.y * length * t + n.y * side});
    }
    return s;
}

// Draws the strips back to front, each with its own outline so that the
// ones in front stand out from the ones behind.
void drawStrips(Canvas& c, const std::vector<Strip>& strips, double outline) {
    for (const Strip& s : strips) {
        for (size_t i = 0; i + 1 < s.line.size(); ++i) {
            double t0 = double(i) / double(s.line.size() - 1);
            double t1 = double(i + 1) / double(s.line.size() - 1);
            double r0 = 1.5 + 1.1 * t0, r1 = 1.5 + 1.1 * t1;
            c.fill(taper(s.line[i], s.line[i + 1], r0 + outline, r1 + outline), pal::ink);
        }
        for (size_t i = 0; i + 1 < s.line.size(); ++i) {
            double t0 = double(i) / double(s.line.size() - 1);
            double t1 = double(i + 1) / double(s.line.size() - 1);
            double r0 = 1.5 + 1.1 * t0, r1 = 1.5 + 1.1 * t1;
            c.fill(taper(s.line[i], s.line[i + 1], r0, r1), s.col);
        }
        // A light vein along the middle of the strip.
        for (size_t i = 1; i + 2 < s.line.size(); ++i)
            c.fill(capsule(s.line[i], s.line[i + 1], 0.45), mix(s.col, rgb(255, 255, 230), 0.45));
    }
}

// The weight: a short brass cylinder with a red rubber washer on top.
void drawWeight(Canvas& c, Pt at, double outline, bool strapUp) {
    const Col brass = rgb(214, 168, 70), brassDark = rgb(150, 106, 40);
    Shape body = roundRect(at.x - 7, at.y - 3.5, at.x + 7, at.y + 3.5, 2.6);
    c.fill(roundRect(at.x - 7 - outline, at.y - 3.5 - outline, at.x + 7 + outline,
                     at.y + 3.5 + outline, 2.6 + outline),
           pal::ink);
    c.fill(body,
           gradient({at.x - 7, at.y - 3.5}, rgb(250, 220, 130), {at.x + 7, at.y + 3.5}, brassDark));
    c.fill(rect(at.x - 5.5, at.y - 0.6, at.x + 5.5, at.y + 0.6), solid(brassDark), 1, 1.0,
           Where::Painted);
    // The washer that holds the strips, on the side they leave from.
    double wy = strapUp ? at.y - 4.6 : at.y + 4.6;
    c.fill(roundRect(at.x - 4.2 - outline, wy - 1.6 - outline, at.x + 4.2 + outline,
                     wy + 1.6 + outline, 1.2 + outline),
           pal::ink);
    c.fill(roundRect(at.x - 4.2, wy - 1.6, at.x + 4.2, wy + 1.6, 1.2), pal::scarfRed);
    c.fill(circle(at.x - 3.6, at.y - 1.6, 1.1), rgb(255, 244, 200));
    (void)brass;
}

const Col kStripCols[] = {pal::leafDark, pal::leaf,     pal::leafLight,
                          pal::leaf,     pal::leafDark, pal::leaf};

}  // namespace

void drawShuttle(Canvas& c, int phase, bool forIcon) {
    const double outline = forIcon ? 2.2 : 1.2;
    if (phase == 3) {
        // Struck: the strips squashed out flat to both sides of the weight,
        // with a burst behind where the foot met it.
        Pt w{kWeightX, 29};
        std::vector<Pt> burst;
        for (int i = 0; i < 16; ++i) {
            double a = i * kPi / 8 + 0.2;
            double r = i % 2 ? 9.5 : 16;
            burst.push_back({w.x + std::cos(a) * r * 1.25, w.y + 2 + std::sin(a) * r * 0.85});
        }
        c.fill(polygon(burst), rgb(255, 226, 110));
        std::vector<Strip> strips;
        const double angles[] = {-84, 84, -70, 70, -98, 98};
        for (int i = 0; i < 6; ++i) {
            const int pair = i / 2;
            double len = (i >= 4) ? 17 : 22 - pair * 1.5;
            strips.push_back(makeStrip({w.x, w.y - 4.5}, angles[i], len, 1.2, i * 1.7,
                                       kStripCols[(i + 1) % 6], false));
        }
        drawStrips(c, strips, outline);
        drawWeight(c, w, outline, true);
        return;
    }
    const bool rising = phase >= 4;
    const int p = rising ? phase - 4 : phase;
    // Falling, the weight hangs low with the strips above it; rising, it
    // leads on top with the strips trailing beneath.
    Pt w{kWeightX, rising ? 9.0 : 40.0};
    double flutter = forIcon ? 0.0 : p * 2.0 * kPi / 3.0;
    double spreadK = forIcon ? 1.0 : 1.0 + 0.12 * std::sin(flutter);
    std::vector<Strip> strips;
    const double angles[] = {-38, 38, -24, 24, -9, 9};
    const double lengths[] = {24, 24, 27, 27, 29, 29};
    for (int i = 0; i < 6; ++i) {
        double a = angles[i] * spreadK;
        strips.push_back(
            makeStrip({w.x + (angles[i] < 0 ? -1.2 : 1.2), rising ? w.y + 4.6 : w.y - 4.6}, a,
                      lengths[i], forIcon ? 1.0 : 2.4, flutter + i * 1.3, kStripCols[i], rising));
    }
    drawStrips(c, strips, outline);
    drawWeight(c, w, outline, !rising);
}

Image shuttle(int n) {
    Canvas c(80, 50, kSamples);
    drawShuttle(c, n - 1, false);
    return resolve(c, kWhite);
}

}  // namespace ag
