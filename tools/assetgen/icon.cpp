// The icon: the shuttlecock on a round badge of sky, drawn afresh at each
// size the window and the desktop ask for, over a transparent square.
#include <algorithm>
#include <cmath>

#include "art.h"

namespace ag {

namespace {

// The shuttlecock's strips and weight span about x 2..50, y 2..48 of its
// 80 x 50 box; this centres that span in a square of side `size`.
Affine fitShuttle(double size, double margin) {
    const double x0 = 2, y0 = 2, x1 = 50, y1 = 49;
    double k = (size - 2 * margin) / std::max(x1 - x0, y1 - y0);
    double ox = (size - (x1 - x0) * k) / 2 - x0 * k;
    double oy = (size - (y1 - y0) * k) / 2 - y0 * k;
    return Affine::scaling(k, k).then(Affine::translate(ox, oy));
}

}  // namespace

std::vector<Rgba> iconPicture(int size) {
    // Laid out on a 256-unit square. Small sizes take more samples per
    // pixel, so that their edges get as many steps of coverage as the
    // large one's.
    const int n = std::max(kSamples, 1024 / size);
    const double k = size / 256.0;
    Canvas c(size, size, n);
    c.setTransform(Affine::scaling(k, k));
    // The dark rim stays at least 1.3 pixels wide, or the badge would lose
    // its edge against a light desktop at 32 pixels.
    const double rim = std::max(6.0, 1.3 / k);
    c.fill(circle(128, 128, 124), pal::ink);
    c.fill(circle(128, 128, 124 - rim),
           gradient({60, 20}, rgb(150, 206, 246), {190, 240}, rgb(62, 120, 204)));
    c.fill(circle(96, 84, 60), solid(rgb(255, 250, 226)), 1, 0.25, Where::Painted);
    c.setTransform(fitShuttle(256, 30).then(Affine::scaling(k, k)));
    drawShuttle(c, 0, true);
    // Each pixel keeps the mean of its painted samples, and covers as much
    // of the pixel as they do: smooth edges over any desktop.
    std::vector<Rgba> out(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Col sum;
            int painted = 0;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    const Canvas::Sample& s = c.at(x * n + i, y * n + j);
                    if (!s.tag) continue;
                    sum = Col{sum.r + s.c.r, sum.g + s.c.g, sum.b + s.c.b};
                    ++painted;
                }
            Rgba& p = out[static_cast<size_t>(y) * size + x];
            if (!painted) continue;
            Rgb m = toRgb(scale(sum, 1.0 / painted));
            p = Rgba{m.r, m.g, m.b, static_cast<uint8_t>(std::lround(255.0 * painted / (n * n)))};
        }
    return out;
}

}  // namespace ag
