// The playfield: the whole 1280 x 960 world behind the game. Sky with
// clouds, far hills, a gravel path along the bottom on which the player's
// feet stand at y 908, and a narrow dark timber post down each side.
// Painted in full colour, then reduced to a palette of 255 colours for the
// 8-bit file.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "art.h"

namespace ag {

namespace {

constexpr int kW = 1280, kH = 960;
constexpr int kBorder = 16;        // width of the dark post on each side
constexpr int kGrassTop = 846;     // top of the grass bank
constexpr int kGravelTop = 858;    // top of the gravel path
constexpr int kCurbTop = 934;      // stones below the path
const Rgb kBorderCol{35, 35, 35};  // the posts' outline, and the top-left pixel

struct Buffer {
    std::vector<Col> px = std::vector<Col>(static_cast<size_t>(kW) * kH);
    Col& at(int x, int y) { return px[static_cast<size_t>(y) * kW + x]; }
    void blend(int x, int y, Col c, double a) {
        if (x < 0 || y < 0 || x >= kW || y >= kH || a <= 0) return;
        Col& p = at(x, y);
        p = mix(p, c, std::min(1.0, a));
    }
};

double smooth(double e0, double e1, double x) {
    double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

void paintSky(Buffer& b) {
    const Col top = rgb(74, 136, 214), low = rgb(186, 222, 244);
    for (int y = 0; y < kH; ++y) {
        double t = std::pow(std::min(1.0, y / double(kGrassTop)), 1.3);
        Col c = mix(top, low, t);
        for (int x = 0; x < kW; ++x) b.at(x, y) = c;
    }
    // A soft warm glow where the light comes from, up on the left.
    const double sx = 150, sy = 110;
    Rand grain(3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            double d = std::hypot(x - sx, y - sy);
            b.blend(x, y, rgb(255, 246, 214), 0.55 * std::exp(-d / 170.0));
            // A faint grain, so that the palette's steps dissolve evenly.
            double n = grain.range(-2, 2);
            Col& p = b.at(x, y);
            p = Col{p.r + n, p.g + n, p.b + n};
        }
}

// A cloud: a cluster of round puffs on a flat base, lit from the upper left.
void paintCloud(Buffer& b, double cx, double cy, double size, Rand& r) {
    struct Puff {
        double x, y, r;
    };
    std::vector<Puff> puffs;
    int n = 5 + static_cast<int>(r.next() % 4);
    for (int i = 0; i < n; ++i) {
        double t = (i + 0.5) / n - 0.5;
        double pr = size * r.range(0.34, 0.5) * (1.0 - std::abs(t) * 0.9);
        puffs.push_back({cx + t * size * 2.2, cy - pr * 0.55 + r.range(-0.08, 0.08) * size, pr});
    }
    puffs.push_back({cx, cy - size * 0.28, size * 0.55});
    double baseY = cy + size * 0.12;
    int x0 = static_cast<int>(cx - size * 1.8), x1 = static_cast<int>(cx + size * 1.8);
    int y0 = static_cast<int>(cy - size * 1.3), y1 = static_cast<int>(baseY + 2);
    for (int y = std::max(0, y0); y <= std::min(kH - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(kW - 1, x1); ++x) {
            double best = 1e9, lx = 0, ly = 0;
            for (const Puff& p : puffs) {
                double d = std::hypot(x - p.x, y - p.y) - p.r;
                if (d < best) {
                    best = d;
                    lx = (x - p.x) / p.r;
                    ly = (y - p.y) / p.r;
                }
            }
            best = std::max(best, y - baseY);
            double a = 1.0 - smooth(-1.2, 1.2, best);
            if (a <= 0) continue;
            // Light from the upper left, shade toward the flat base.
            double light = std::clamp(0.55 - 0.45 * (lx + ly) / 1.4, 0.0, 1.0);
            double base = smooth(cy - size * 0.4, baseY, y);
            Col c = mix(rgb(204, 214, 236), rgb(255, 255, 255), light);
            c = mix(c, rgb(176, 190, 222), base * 0.55);
            b.blend(x, y, c, a);
        }
}

void paintHills(Buffer& b) {
    struct Layer {
        double base, amp, f1, f2, ph;
        Col top, bottom;
    };
    const Layer layers[] = {
        {790, 34, 0.006, 0.017, 0.7, rgb(136, 180, 190), rgb(150, 192, 196)},
        {818, 26, 0.009, 0.023, 2.1, rgb(96, 168, 112), rgb(78, 146, 96)},
    };
    for (const Layer& l : layers)
        for (int x = 0; x < kW; ++x) {
            double h = l.base - l.amp * (0.6 * std::sin(x * l.f1 + l.ph) +
                                         0.4 * std::sin(x * l.f2 + l.ph * 3));
            for (int y = static_cast<int>(h) - 1; y < kGravelTop; ++y) {
                double a = std::clamp(y + 1 - h, 0.0, 1.0);
                b.blend(x, y, mix(l.top, l.bottom, smooth(h, kGrassTop, y)), a);
            }
        }
    // Round bushes along the foot of the near hill, lit from the left.
    Rand r(31);
    for (double x = 10; x < kW; x += r.range(60, 150)) {
        double rr = r.range(14, 26), cy = kGrassTop - rr * 0.35;
        for (int y = static_cast<int>(cy - rr - 1); y <= kGrassTop; ++y)
            for (int xx = static_cast<int>(x - rr - 1); xx <= static_cast<int>(x + rr + 1); ++xx) {
                double d = std::hypot(xx - x, (y - cy) * 1.15);
                double a = 1.0 - smooth(rr - 1, rr + 0.6, d);
                double light = std::clamp(0.6 - ((xx - x) + (y - cy)) / (2.2 * rr), 0.0, 1.0);
                if (xx >= 0 && xx < kW)
                    b.blend(xx, y, mix(rgb(40, 112, 62), rgb(106, 182, 92), light), a);
            }
    }
}

void paintGround(Buffer& b) {
    Rand r(77);
    // Grass bank with a lit upper edge.
    for (int y = kGrassTop; y < kGravelTop; ++y)
        for (int x = 0; x < kW; ++x) {
            double t = (y - kGrassTop) / double(kGravelTop - kGrassTop);
            b.at(x, y) = mix(rgb(118, 190, 86), rgb(70, 142, 62), t);
        }
    for (int i = 0; i < 900; ++i) {
        double x = r.range(0, kW), h = r.range(3, 7);
        for (int k = 0; k < static_cast<int>(h); ++k)
            b.blend(static_cast<int>(x + k * 0.3), kGrassTop + 2 - k, rgb(92, 164, 74), 0.9);
    }
    // Gravel: a sandy bed strewn with pebbles, smaller toward the back.
    for (int y = kGravelTop; y < kCurbTop; ++y) {
        double t = (y - kGravelTop) / double(kCurbTop - kGravelTop);
        for (int x = 0; x < kW; ++x) {
            double n = r.range(-7, 7);
            Col c = mix(rgb(198, 178, 146), rgb(180, 158, 126), t);
            b.at(x, y) = Col{c.r + n, c.g + n, c.b + n};
        }
        for (int x = 0; x < kW; ++x)
            if (y < kGravelTop + 3) b.at(x, y) = mix(b.at(x, y), rgb(104, 96, 80), 0.5);
    }
    const Col stones[] = {rgb(150, 140, 128), rgb(168, 150, 124), rgb(126, 120, 118),
                          rgb(186, 172, 150), rgb(140, 124, 104)};
    for (int i = 0; i < 5200; ++i) {
        double y = r.range(kGravelTop + 2, kCurbTop - 1);
        double t = (y - kGravelTop) / double(kCurbTop - kGravelTop);
        double x = r.range(0, kW);
        double rx = r.range(1.0, 2.6) * (0.6 + 0.8 * t), ry = rx * r.range(0.5, 0.8);
        Col base = stones[r.next() % 5];
        for (int yy = static_cast<int>(y - ry - 1); yy <= static_cast<int>(y + ry + 2); ++yy)
            for (int xx = static_cast<int>(x - rx - 1); xx <= static_cast<int>(x + rx + 1); ++xx) {
                if (yy >= kCurbTop) continue;
                double dx = (xx + 0.5 - x) / rx, dy = (yy + 0.5 - y) / ry;
                double d = std::sqrt(dx * dx + dy * dy);
                // Shadow below right, then the pebble lit from above left.
                double ds = std::hypot((xx + 0.5 - x - 0.8) / rx, (yy + 0.5 - y - 0.9) / ry);
                b.blend(xx, yy, rgb(120, 100, 78), 0.5 * (1.0 - smooth(0.8, 1.1, ds)));
                double a = 1.0 - smooth(0.85, 1.1, d);
                double light = std::clamp(0.5 - 0.5 * (dx + dy), 0.0, 1.0);
                b.blend(xx, yy, mix(scale(base, 0.82), mix(base, rgb(255, 250, 236), 0.35), light),
                        a);
            }
    }
    // Curb stones along the bottom, edge on.
    for (int y = kCurbTop; y < kH; ++y)
        for (int x = 0; x < kW; ++x) b.at(x, y) = rgb(112, 96, 84);
    double x = 0;
    while (x < kW) {
        double w = r.range(46, 90);
        for (int y = kCurbTop + 2; y < kH - 1; ++y)
            for (int xx = static_cast<int>(x) + 2; xx < static_cast<int>(x + w) - 1; ++xx) {
                if (xx >= kW) break;
                double t = (y - kCurbTop) / double(kH - kCurbTop);
                double edge = std::min(
                    {xx - x - 2, x + w - 1 - xx, double(y - kCurbTop - 2), double(kH - 2 - y)});
                Col c = mix(rgb(176, 164, 150), rgb(130, 118, 108), t);
                if (edge < 1.5)
                    c = y - kCurbTop < 4 || xx - x < 4 ? rgb(206, 196, 182) : rgb(96, 84, 76);
                double n = r.range(-5, 5);
                b.at(xx, y) = Col{c.r + n, c.g + n, c.b + n};
            }
        x += w;
    }
}

// A dark timber post stands at each side of the world, in front of the
// scenery and taller than the view: an outline, a lit chamfer on its left
// (the light comes from there), a face of dark wood with grain and knots, a
// shaded chamfer on its right, and iron straps with rivets at intervals.
// It is painted in these colours only, which keep their own palette entries;
// entry 0 is the outline that makes the top-left pixel.
enum PostColour {
    kOutline,      // on the post's left, and the top-left pixel
    kOutlineDark,  // on its right
    kWood0,        // darkest: deep grain, the shaded chamfer's edge
    kWood1,
    kWood2,
    kWood3,
    kWood4,  // lightest on the face
    kChamfer,
    kChamferEdge,  // the lit chamfer's bright edge
    kIronShade,
    kIron,
    kIronLit,    // a strap's top edge
    kGlint,      // on a rivet
    kUnderStrap  // wood in a strap's shadow
};
const std::array<Rgb, kUnderStrap + 1> kPostColours = {{kBorderCol,
                                                        {20, 16, 14},
                                                        {27, 20, 16},
                                                        {34, 25, 19},
                                                        {41, 30, 22},
                                                        {48, 35, 26},
                                                        {55, 40, 30},
                                                        {76, 54, 37},
                                                        {102, 73, 49},
                                                        {22, 22, 26},
                                                        {34, 34, 40},
                                                        {50, 50, 57},
                                                        {112, 110, 118},
                                                        {30, 22, 18}}};
Col post(PostColour c) { return toCol(kPostColours[c]); }

constexpr int kStrapH = 7;
const int kStraps[] = {64, 300, 536, 772};

// The wood of the face at column c (3..12) of the post, row y, between the
// darkest and lightest wood; the palette then keeps it to the five steps.
// `seed` makes the two posts different pieces of wood.
Col postFace(int c, int y, int seed) {
    const double x = c + 0.5;
    // Lighter toward the lit side, with long soft streaks down the board.
    double v = 0.62 - 0.028 * (x - 3) + 0.12 * std::sin(y * 0.006 + seed * 1.7 + x * 0.9) +
               0.08 * std::sin(y * 0.021 + seed * 4.1 - x * 1.3);
    // Grain: thin darker lines wandering slowly down the board.
    for (int k = 0; k < 4; ++k) {
        double gx = 4.0 + k * 2.5 + 0.8 * std::sin(y * 0.009 + seed * 2.3 + k * 1.9) +
                    0.4 * std::sin(y * 0.043 + k * 3.1 + seed);
        double d = std::abs(x - gx);
        v -= 0.42 * std::max(0.0, 1.0 - d / 0.75);
    }
    // Knots: a dark heart with a lighter ring pressed around it.
    Rand r(static_cast<uint32_t>(41 + seed));
    for (double ky = r.range(120, 200); ky < kH; ky += r.range(180, 300)) {
        double kx = r.range(5.5, 9.5);
        double d = std::hypot((x - kx) / 1.3, (y + 0.5 - ky) / 2.4);
        if (d < 1.0)
            v = 0.1;
        else if (d < 2.0)
            v = std::max(v, 0.9 - 0.35 * (d - 1.0));
    }
    return mix(post(kWood0), post(kWood4), std::clamp(v, 0.0, 1.0));
}

void paintPost(Buffer& b, int x0, int seed) {
    for (int y = 0; y < kH; ++y) {
        auto put = [&](int c, Col col) { b.at(x0 + c, y) = col; };
        put(0, post(kOutline));
        put(1, post(kChamferEdge));
        put(2, post(kChamfer));
        for (int c = 3; c <= 12; ++c) put(c, postFace(c, y, seed));
        put(13, post(kWood1));
        put(14, post(kWood0));
        put(15, post(kOutlineDark));
        for (int top : kStraps) {
            int row = y - top;
            if (row == kStrapH)
                for (int c = 1; c <= 14; ++c) put(c, post(kUnderStrap));
            if (row < 0 || row >= kStrapH) continue;
            PostColour iron = row == 0 ? kIronLit : row == kStrapH - 1 ? kIronShade : kIron;
            for (int c = 1; c <= 13; ++c) put(c, post(iron));
            put(14, post(kIronShade));
            // Two rivets, lit on their upper left.
            for (int rc : {4, 11}) {
                if (row == 2) put(rc, post(kGlint));
                if (row == 3) put(rc + 1, post(kIronShade));
            }
        }
    }
}

void paintBorders(Buffer& b) {
    paintPost(b, 0, 0);
    paintPost(b, kW - kBorder, 1);
    // The light from the left throws the left post's shadow across the
    // ground beside it; the right post's falls behind it, out of sight,
    // leaving only a little darkening where it stands.
    for (int y = kGrassTop; y < kH; ++y) {
        for (int i = 0; i < 10; ++i) {
            Col& p = b.at(kBorder + i, y);
            p = mix(p, scale(p, 0.5), std::pow(1.0 - i / 10.0, 1.4));
        }
        for (int i = 0; i < 3; ++i) {
            Col& p = b.at(kW - kBorder - 1 - i, y);
            p = mix(p, scale(p, 0.7), 1.0 - i / 3.0);
        }
    }
}

// Median cut over a histogram of 5 bits per channel.
std::vector<Rgb> medianCut(const std::vector<Col>& px, const std::vector<uint8_t>& skip,
                           int colours) {
    struct Bin {
        double r = 0, g = 0, b = 0;
        long n = 0;
    };
    std::vector<Bin> hist(32768);
    for (size_t i = 0; i < px.size(); ++i) {
        if (skip[i]) continue;
        Rgb c = toRgb(px[i]);
        Bin& h = hist[(c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3)];
        h.r += c.r;
        h.g += c.g;
        h.b += c.b;
        ++h.n;
    }
    std::vector<int> bins;
    for (int i = 0; i < 32768; ++i)
        if (hist[i].n) bins.push_back(i);
    auto chan = [](int bin, int k) { return (bin >> (10 - 5 * k)) & 31; };
    struct Box {
        size_t lo, hi;  // range of `bins`
    };
    std::vector<Box> boxes{{0, bins.size()}};
    auto score = [&](const Box& bx, int& axis) {
        int mn[3] = {31, 31, 31}, mx[3] = {0, 0, 0};
        long n = 0;
        for (size_t i = bx.lo; i < bx.hi; ++i) {
            for (int k = 0; k < 3; ++k) {
                mn[k] = std::min(mn[k], chan(bins[i], k));
                mx[k] = std::max(mx[k], chan(bins[i], k));
            }
            n += hist[bins[i]].n;
        }
        axis = 0;
        for (int k = 1; k < 3; ++k)
            if (mx[k] - mn[k] > mx[axis] - mn[axis]) axis = k;
        return (mx[axis] - mn[axis]) * std::sqrt(double(n));
    };
    while (static_cast<int>(boxes.size()) < colours) {
        size_t best = 0;
        int bestAxis = 0;
        double bestScore = -1;
        for (size_t i = 0; i < boxes.size(); ++i) {
            int axis = 0;
            double s = boxes[i].hi - boxes[i].lo > 1 ? score(boxes[i], axis) : -1;
            if (s > bestScore) {
                bestScore = s;
                best = i;
                bestAxis = axis;
            }
        }
        if (bestScore <= 0) break;
        Box bx = boxes[best];
        std::sort(bins.begin() + static_cast<long>(bx.lo), bins.begin() + static_cast<long>(bx.hi),
                  [&](int a, int c) {
                      return chan(a, bestAxis) < chan(c, bestAxis) ||
                             (chan(a, bestAxis) == chan(c, bestAxis) && a < c);
                  });
        long total = 0, half = 0;
        for (size_t i = bx.lo; i < bx.hi; ++i) total += hist[bins[i]].n;
        size_t cut = bx.lo + 1;
        for (size_t i = bx.lo; i < bx.hi - 1; ++i) {
            half += hist[bins[i]].n;
            cut = i + 1;
            if (half * 2 >= total) break;
        }
        boxes[best] = {bx.lo, cut};
        boxes.push_back({cut, bx.hi});
    }
    std::vector<Rgb> pal;
    for (const Box& bx : boxes) {
        double r = 0, g = 0, bl = 0;
        long n = 0;
        for (size_t i = bx.lo; i < bx.hi; ++i) {
            const Bin& h = hist[bins[i]];
            r += h.r;
            g += h.g;
            bl += h.b;
            n += h.n;
        }
        pal.push_back(toRgb(scale(Col{r, g, bl}, 1.0 / static_cast<double>(n))));
    }
    return pal;
}

}  // namespace

Indexed background() {
    Buffer b;
    paintSky(b);
    Rand r(12);
    // Clouds spread over the whole sky, a few low over the hills.
    const double clouds[][2] = {{260, 120}, {640, 90},  {1010, 150}, {420, 300},
                                {860, 330}, {150, 470}, {1150, 430}, {560, 560},
                                {330, 680}, {980, 640}, {760, 760},  {1200, 250}};
    for (const auto& cl : clouds) paintCloud(b, cl[0], cl[1], r.range(40, 72), r);
    paintHills(b);
    paintGround(b);
    paintBorders(b);

    Indexed out;
    out.w = kW;
    out.h = kH;
    std::vector<uint8_t> border(b.px.size(), 0);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (x < kBorder || x >= kW - kBorder) border[static_cast<size_t>(y) * kW + x] = 1;
    // The first entries are the posts' own colours, entry 0 their outline;
    // the rest come from the picture.
    out.palette.assign(kPostColours.begin(), kPostColours.end());
    const size_t reserved = out.palette.size();
    for (Rgb c : medianCut(b.px, border, 255 - static_cast<int>(reserved)))
        out.palette.push_back(c);
    while (out.palette.size() < 255) out.palette.push_back(out.palette.back());

    // The entry among the first `count` closest to c, green weighing most.
    auto nearestOf = [&](Col c, size_t count) {
        Rgb q = toRgb(c);
        int best = 0;
        double bd = 1e18;
        for (size_t i = 0; i < count; ++i) {
            const Rgb& p = out.palette[i];
            double dr = p.r - q.r, dg = p.g - q.g, db = p.b - q.b;
            double d = 2 * dr * dr + 4 * dg * dg + db * db;
            if (d < bd) {
                bd = d;
                best = static_cast<int>(i);
            }
        }
        return best;
    };
    std::vector<int> cache(1 << 18, -1);
    auto nearest = [&](Col c) {
        Rgb q = toRgb(c);
        int key = (q.r >> 2) << 12 | (q.g >> 2) << 6 | (q.b >> 2);
        if (cache[key] >= 0) return cache[key];
        return cache[key] = nearestOf(c, out.palette.size());
    };
    // Error diffusion keeps the sky's gradient free of bands.
    out.idx.assign(b.px.size(), 0);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            size_t i = static_cast<size_t>(y) * kW + x;
            if (border[i]) {
                // The posts keep to their own colours, undithered.
                out.idx[i] = static_cast<uint8_t>(nearestOf(b.px[i], reserved));
                continue;
            }
            Col c = b.px[i];
            c = Col{std::clamp(c.r, 0.0, 255.0), std::clamp(c.g, 0.0, 255.0),
                    std::clamp(c.b, 0.0, 255.0)};
            int k = nearest(c);
            out.idx[i] = static_cast<uint8_t>(k);
            Col p = toCol(out.palette[k]);
            Col e{c.r - p.r, c.g - p.g, c.b - p.b};
            auto spread = [&](int dx, int dy, double w) {
                int nx = x + dx, ny = y + dy;
                if (nx < 0 || nx >= kW || ny >= kH) return;
                size_t j = static_cast<size_t>(ny) * kW + nx;
                if (border[j]) return;
                b.px[j] = Col{b.px[j].r + e.r * w, b.px[j].g + e.g * w, b.px[j].b + e.b * w};
            };
            spread(1, 0, 7 / 16.0);
            spread(-1, 1, 3 / 16.0);
            spread(0, 1, 5 / 16.0);
            spread(1, 1, 1 / 16.0);
        }
    return out;
}

}  // namespace ag
