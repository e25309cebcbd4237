#include "font.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <sstream>

namespace ag {

namespace {

// Glyph outlines in a small pen language:
//   M x y            start a new stroke
//   L x y            line to
//   A cx cy rx ry a0 a1   elliptic arc from angle a0 to a1 (degrees, y down,
//                    0 = right, 90 = down), joined to the stroke so far
//   Q cx cy x y      quadratic curve to (x, y) with control point (cx, cy)
std::vector<Polyline> parsePen(const char* src) {
    std::vector<Polyline> out;
    std::istringstream in(src);
    std::string cmd;
    auto num = [&in]() {
        double v = 0;
        in >> v;
        return v;
    };
    while (in >> cmd) {
        if (cmd == "M") {
            double x = num(), y = num();
            out.push_back({Pt{x, y}});
        } else if (cmd == "L") {
            double x = num(), y = num();
            out.back().push_back({x, y});
        } else if (cmd == "A") {
            double cx = num(), cy = num(), rx = num(), ry = num(), a0 = num(), a1 = num();
            if (out.empty() || cmd.empty()) out.emplace_back();
            int steps = std::max(8, static_cast<int>(std::abs(a1 - a0) / 6.0));
            Polyline& pl = out.back();
            for (int i = 0; i <= steps; ++i) {
                double a = (a0 + (a1 - a0) * i / steps) * std::numbers::pi / 180.0;
                pl.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
            }
        } else if (cmd == "N") {
            // N: the next arc starts a stroke of its own.
            out.emplace_back();
        } else if (cmd == "Q") {
            double cx = num(), cy = num(), x = num(), y = num();
            Polyline& pl = out.back();
            Pt p0 = pl.back();
            for (int i = 1; i <= 16; ++i) {
                double t = i / 16.0, u = 1 - t;
                pl.push_back({u * u * p0.x + 2 * u * t * cx + t * t * x,
                              u * u * p0.y + 2 * u * t * cy + t * t * y});
            }
        } else {
            std::fprintf(stderr, "assetgen: bad pen command '%s'\n", cmd.c_str());
            std::abort();
        }
    }
    return out;
}

struct Def {
    char c;
    double width;
    const char* pen;
};

// clang-format off
const Def kDefs[] = {
    {'0', 7.0, "N A 3.5 5 3.5 5 0 360"},
    {'1', 5.6, "M 0.6 2.4 L 3.4 0 L 3.4 10 M 0.6 10 L 5.6 10"},
    {'2', 7.0, "N A 3.5 3.3 3.3 3.3 195 380 L 0.2 10 L 7 10"},
    {'3', 7.0, "N A 3.4 2.6 3.2 2.6 205 450 A 3.4 7.4 3.5 2.6 270 515"},
    {'4', 7.4, "M 5.4 10 L 5.4 0 L 0 7 L 7.4 7"},
    {'5', 7.0, "M 6.6 0 L 1.1 0 L 0.6 4.5 N A 3.5 6.6 3.4 3.4 221 510"},
    {'6', 7.0, "M 6.2 0.6 Q 0.1 1.2 0.2 6.6 N A 3.5 6.6 3.3 3.4 0 360"},
    {'7', 7.0, "M 0 0 L 7 0 L 2.6 10"},
    {'8', 7.0, "N A 3.5 2.55 2.8 2.55 0 360 N A 3.5 7.4 3.4 2.6 0 360"},
    {'9', 7.0, "N A 3.5 3.4 3.3 3.4 0 360 M 6.8 3.4 Q 6.9 8.8 0.8 9.4"},
    {'A', 7.6, "M 0 10 L 3.8 0 L 7.6 10 M 1.4 6.6 L 6.2 6.6"},
    {'B', 6.8, "M 0.5 10 L 0.5 0 L 3.8 0 A 3.8 2.45 2.45 2.45 270 450 L 0.5 4.9 "
               "M 0.5 4.9 L 4.1 4.9 A 4.1 7.45 2.55 2.55 270 450 L 0.5 10"},
    {'C', 7.4, "N A 4.1 5 4.1 5 42 318"},
    {'D', 7.4, "M 0.5 0 L 0.5 10 L 2.6 10 A 2.6 5 4.8 5 90 -90 L 0.5 0"},
    {'E', 6.4, "M 6.4 0 L 0.5 0 L 0.5 10 L 6.4 10 M 0.5 5 L 5.4 5"},
    {'F', 6.2, "M 6.2 0 L 0.5 0 L 0.5 10 M 0.5 5 L 5.2 5"},
    {'G', 7.8, "N A 4.1 5 4.1 5 -42 -360 L 4.6 5"},
    {'H', 7.4, "M 0.5 0 L 0.5 10 M 6.9 0 L 6.9 10 M 0.5 5 L 6.9 5"},
    {'I', 1.0, "M 0.5 0 L 0.5 10"},
    {'J', 6.0, "M 5.5 0 L 5.5 6.8 A 3 6.8 2.5 3.2 0 165"},
    {'K', 7.0, "M 0.5 0 L 0.5 10 M 6.8 0 L 0.5 6.3 M 2.7 4.2 L 7 10"},
    {'L', 6.2, "M 0.5 0 L 0.5 10 L 6.2 10"},
    {'M', 9.0, "M 0.5 10 L 0.5 0 L 4.5 7 L 8.5 0 L 8.5 10"},
    {'N', 7.4, "M 0.5 10 L 0.5 0 L 6.9 10 L 6.9 0"},
    {'O', 8.4, "N A 4.2 5 4.2 5 0 360"},
    {'P', 6.8, "M 0.5 10 L 0.5 0 L 3.8 0 A 3.8 2.75 2.75 2.75 270 450 L 0.5 5.5"},
    {'Q', 8.4, "N A 4.2 5 4.2 5 0 360 M 5 6.9 L 8.2 10.2"},
    {'R', 7.0, "M 0.5 10 L 0.5 0 L 3.8 0 A 3.8 2.75 2.75 2.75 270 450 L 0.5 5.5 "
               "M 3.6 5.5 L 7 10"},
    {'S', 7.2, "N A 3.6 2.6 3.1 2.6 330 90 A 3.7 7.55 3.4 2.45 270 520"},
    {'T', 7.4, "M 0 0 L 7.4 0 M 3.7 0 L 3.7 10"},
    {'U', 7.4, "M 0.5 0 L 0.5 6.6 A 3.7 6.6 3.2 3.4 180 0 L 6.9 0"},
    {'V', 7.6, "M 0 0 L 3.8 10 L 7.6 0"},
    {'W', 10.0, "M 0 0 L 2.4 10 L 5 2.6 L 7.6 10 L 10 0"},
    {'X', 7.4, "M 0.3 0 L 7.1 10 M 7.1 0 L 0.3 10"},
    {'Y', 7.4, "M 0 0 L 3.7 5.2 L 7.4 0 M 3.7 5.2 L 3.7 10"},
    {'Z', 7.2, "M 0.4 0 L 6.8 0 L 0.4 10 L 6.8 10"},
    {'?', 6.0, "N A 3 2.8 2.9 2.8 200 450 L 3 7 M 3 9.8"},
    {'!', 1.0, "M 0.5 0 L 0.5 6.8 M 0.5 9.8"},
    {':', 1.0, "M 0.5 3.4 M 0.5 9.6"},
    {'.', 1.0, "M 0.5 9.8"},
    {',', 1.4, "M 1 9.6 L 0.4 11.2"},
    {'-', 4.4, "M 0.4 5.4 L 4 5.4"},
    {'/', 5.0, "M 5 0 L 0 10"},
    {'+', 6.0, "M 0 5 L 6 5 M 3 2 L 3 8"},
    {' ', 3.4, ""},
    // Lower case for the hand-lettered logo.
    {'a', 6.0, "N A 3 7.5 2.9 2.5 0 360 M 5.9 4.9 L 5.9 10"},
    {'b', 6.2, "M 0.5 0 L 0.5 10 N A 3.3 7.5 2.8 2.5 0 360"},
    {'k', 5.8, "M 0.5 0 L 0.5 10 M 5.6 4.8 L 0.5 8.2 M 2.5 6.9 L 5.8 10"},
    {'m', 7.4, "M 0.5 10 L 0.5 5 M 0.5 6.9 A 2.2 6.9 1.7 1.9 180 360 L 3.9 10 "
               "M 3.9 6.9 A 5.6 6.9 1.7 1.9 180 360 L 7.3 10"},
    {'o', 6.0, "N A 3 7.5 2.9 2.5 0 360"},
    {'u', 5.8, "M 0.5 5 L 0.5 7.7 A 2.9 7.7 2.4 2.3 180 0 M 5.3 5 L 5.3 10"},
};
// clang-format on

}  // namespace

const Glyph& glyph(char c) {
    static const std::map<char, Glyph> table = [] {
        std::map<char, Glyph> t;
        for (const Def& d : kDefs) {
            Glyph g;
            g.width = d.width;
            g.strokes = parsePen(d.pen);
            t[d.c] = g;
        }
        return t;
    }();
    auto it = table.find(c);
    if (it == table.end()) {
        std::fprintf(stderr, "assetgen: no glyph for '%c'\n", c);
        std::abort();
    }
    return it->second;
}

Layout layoutText(const std::string& text, double x, double baseline, double cap, double tracking) {
    Layout l;
    double k = cap / 10.0;
    double pen = 0;
    int index = 0;
    for (char ch : text) {
        const Glyph& g = glyph(ch);
        for (const Polyline& s : g.strokes) {
            Polyline p;
            for (const Pt& q : s) p.push_back({x + (pen + q.x) * k, baseline + (q.y - 10.0) * k});
            l.strokes.push_back(p);
            l.glyphOf.push_back(index);
        }
        pen += g.width + tracking;
        ++index;
    }
    l.width = (pen - (text.empty() ? 0 : tracking)) * k;
    return l;
}

double textWidth(const std::string& text, double cap, double tracking) {
    return layoutText(text, 0, 0, cap, tracking).width;
}

void drawStrokes(Canvas& c, const std::vector<Polyline>& strokes, double r, const Paint& p,
                 uint8_t tag, Where where, uint8_t onlyTag) {
    for (const Polyline& s : strokes) c.stroke(s, r, p, tag, where, onlyTag);
}

static std::vector<Polyline> shifted(const std::vector<Polyline>& in, double dx, double dy) {
    std::vector<Polyline> out = in;
    for (Polyline& s : out)
        for (Pt& q : s) {
            q.x += dx;
            q.y += dy;
        }
    return out;
}

void drawText(Canvas& c, const Layout& text, const TextLook& look) {
    const double outer = look.stroke + look.outline;
    for (const auto& [extra, col] : look.glow)
        drawStrokes(c, text.strokes, outer + extra, solid(col));
    if (look.shadowDx != 0 || look.shadowDy != 0)
        drawStrokes(c, shifted(text.strokes, look.shadowDx, look.shadowDy), outer,
                    solid(look.shadowCol));
    if (look.outline > 0) drawStrokes(c, text.strokes, outer, solid(look.outlineCol));
    // The fill carries tag 7 so that the highlight stays inside it.
    drawStrokes(c, text.strokes, look.stroke, look.fill, 7);
    if (look.highlight > 0) {
        double o = look.stroke * 0.42;
        drawStrokes(c, shifted(text.strokes, -o, -o), look.highlight, solid(look.highlightCol), 7,
                    Where::Tagged, 7);
    }
}

}  // namespace ag
