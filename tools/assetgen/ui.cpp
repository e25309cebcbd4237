// Lettering and interface pictures: digits, menu words, countdown words, the
// continue question, the pointer, the HERE marker and the power gauge.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "font.h"

namespace ag {

namespace {

// A polygon with its edges pulled in by d.
Shape insetPolygon(std::vector<Pt> pts, double d) {
    Shape base = polygon(pts);
    Shape s{base.x0, base.y0, base.x1, base.y1, nullptr};
    s.inside = [base, pts, d](double x, double y) {
        if (!base.inside(x, y)) return false;
        for (size_t i = 0; i < pts.size(); ++i) {
            Pt a = pts[i], b = pts[(i + 1) % pts.size()];
            double dx = b.x - a.x, dy = b.y - a.y;
            double t =
                std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            double ex = x - (a.x + dx * t), ey = y - (a.y + dy * t);
            if (ex * ex + ey * ey < d * d) return false;
        }
        return true;
    };
    return s;
}

// A polygon with a rounded rim of radius r around it.
Shape roundedPolygon(const std::vector<Pt>& pts, double r) {
    std::vector<Shape> parts = {polygon(pts)};
    for (size_t i = 0; i < pts.size(); ++i)
        parts.push_back(capsule(pts[i], pts[(i + 1) % pts.size()], r));
    return unite(parts);
}

Paint warmFill(double top, double bottom) {
    return gradient({0, top}, rgb(255, 232, 96), {0, bottom}, pal::sunOrange);
}

// Centres text horizontally in a picture of width w, with the cap from top.
Layout centred(const std::string& s, double w, double top, double cap, double tracking) {
    double tw = textWidth(s, cap, tracking);
    return layoutText(s, (w - tw) / 2.0, top + cap, cap, tracking);
}

}  // namespace

Image digit(int d) {
    Canvas c(30, 30, kSamples);
    const double cap = 20, top = 5;
    Layout l = centred(std::string(1, static_cast<char>('0' + d)), 30, top, cap, 0);
    TextLook look;
    look.stroke = 2.4;
    look.outline = 1.6;
    look.outlineCol = pal::ink;
    look.fill = warmFill(top, top + cap);
    look.highlight = 0.9;
    drawText(c, l, look);
    return resolve(c, kWhite);
}

Image menuWord(const std::string& word, int variant) {
    Canvas c(240, 120, kSamples);
    const double cap = 44, top = 34;
    Layout l = centred(word, 236, top, cap, 2.0);
    TextLook look;
    look.stroke = 5.0;
    look.outline = 2.6;
    look.outlineCol = pal::ink;
    look.highlight = 1.8;
    if (variant == 1) {
        // The plain picture: warm letters with a drop shadow.
        look.fill = warmFill(top, top + cap);
        look.shadowDx = 5;
        look.shadowDy = 5;
        look.shadowCol = pal::shadowBlue;
    } else if (variant == 2) {
        // Drawn over the plain one to blink: paler letters, no shadow.
        look.fill = gradient({0, top}, rgb(255, 250, 226), {0, top + cap}, rgb(255, 222, 120));
    } else {
        // Chosen: hot letters in a golden glow.
        look.fill = gradient({0, top}, rgb(255, 128, 96), {0, top + cap}, rgb(226, 36, 84));
        look.highlightCol = rgb(255, 206, 180);
        look.glow = {{10, rgb(255, 238, 150)}, {6.5, rgb(255, 220, 96)}, {3.2, rgb(255, 190, 64)}};
    }
    drawText(c, l, look);
    return resolve(c, kWhite);
}

Image countdownWord(const std::string& word, int w, int h) {
    Canvas c(w, h, kSamples);
    const bool go = word == "GO";
    const double cap = go ? 25 : 23;
    const double stroke = go ? 3.3 : 2.9, outline = 1.9;
    const double top = (h - cap) / 2.0;
    Layout l = centred(word, w, top, cap, go ? 1.8 : 1.7);
    TextLook look;
    look.stroke = stroke;
    look.outline = outline;
    look.outlineCol = pal::ink;
    look.highlight = 1.1;
    if (go)
        look.fill = gradient({0, top}, pal::leafLight, {0, top + cap}, rgb(36, 160, 70));
    else
        look.fill = warmFill(top, top + cap);
    drawText(c, l, look);
    return resolve(c, kWhite);
}

Image continuePicture() {
    // Keyed black; ANGLE stands at (280, 20) and (280, 67) of this picture,
    // so the answers start right of x 322.
    Canvas c(480, 120, kSamples);
    TextLook look;
    look.stroke = 3.4;
    look.outline = 2.2;
    look.outlineCol = rgb(64, 44, 120);
    look.shadowDx = 3;
    look.shadowDy = 3;
    look.shadowCol = rgb(40, 52, 104);
    look.highlight = 1.3;

    const double qCap = 34, qTop = 43;
    look.fill = gradient({0, qTop}, pal::cream, {0, qTop + qCap}, pal::sunYellow);
    drawText(c, layoutText("CONTINUE?", 14, qTop + qCap, qCap, 1.7), look);

    const double aCap = 32;
    const double yesTop = 45 - aCap / 2, noTop = 92 - aCap / 2;
    look.fill = gradient({0, yesTop}, rgb(190, 250, 150), {0, yesTop + aCap}, rgb(52, 178, 76));
    drawText(c, layoutText("YES", 330, yesTop + aCap, aCap, 1.7), look);
    look.fill = gradient({0, noTop}, rgb(255, 180, 160), {0, noTop + aCap}, rgb(222, 56, 64));
    drawText(c, layoutText("NO", 330, noTop + aCap, aCap, 1.7), look);
    return resolve(c, kBlack);
}

Image anglePointer() {
    Canvas c(40, 50, kSamples);
    std::vector<Pt> tri = {{7, 7}, {7, 43}, {34, 25}};
    c.fill(roundedPolygon(tri, 3.0), pal::ink);
    c.fill(insetPolygon(tri, 0.4), gradient({7, 7}, rgb(255, 236, 110), {30, 40}, pal::sunOrange),
           2);
    c.fill(insetPolygon({{10, 12}, {10, 26}, {21, 19}}, 0.5), solid(rgb(255, 248, 200)), 2, 0.75,
           Where::Tagged, 2);
    return resolve(c, kWhite);
}

Image hereMarker() {
    Canvas c(120, 100, kSamples);
    const double cap = 24, top = 6.5;
    TextLook look;
    look.stroke = 2.9;
    look.outline = 1.9;
    look.outlineCol = pal::ink;
    look.fill = warmFill(top, top + cap);
    look.highlight = 1.1;
    drawText(c, centred("HERE", 120, top, cap, 1.8), look);

    // The arrow: its tip reaches past the bottom row, so the bottom row holds
    // the point right above the player.
    const Col rim = rgb(22, 86, 40);
    std::vector<Pt> head = {{24, 63}, {96, 63}, {61.5, 101}, {58.5, 101}};
    Shape shaft = roundRect(47, 39, 73, 68, 4);
    c.fill(unite({roundedPolygon(head, 2.6), transformed(roundRect(47, 39, 73, 68, 4), Affine{}),
                  roundRect(44.4, 36.4, 75.6, 68, 6.6)}),
           rim);
    Paint green = gradient({0, 39}, pal::leafLight, {0, 100}, rgb(40, 150, 60));
    c.fill(unite({insetPolygon(head, 0.3), shaft}), green, 3);
    c.fill(insetPolygon({{30, 66}, {56, 66}, {56, 84}}, 0.3), solid(rgb(196, 240, 168)), 3, 0.55,
           Where::Tagged, 3);
    c.fill(roundRect(50, 42, 56, 66, 3), solid(rgb(196, 240, 168)), 3, 0.55, Where::Tagged, 3);
    return resolve(c, kWhite);
}

Image gauge(int tenths) {
    Canvas c(50, 90, kSamples);
    // Frame: a rounded metal rim around a dark well.
    c.fill(roundRect(5, 2, 45, 88, 9), rgb(92, 100, 136));
    c.fill(roundRect(6.5, 3.5, 43.5, 86.5, 7.8),
           gradient({6, 3}, rgb(236, 240, 250), {44, 87}, rgb(150, 160, 190)));
    c.fill(roundRect(10.5, 7.5, 39.5, 82.5, 5), rgb(70, 76, 110));
    c.fill(roundRect(11.5, 8.5, 38.5, 81.5, 4.2), rgb(30, 32, 62));
    // Ten cells from the bottom, green through yellow to red.
    const Col low = rgb(70, 214, 90), mid = rgb(255, 220, 60), high = rgb(240, 62, 50);
    for (int i = 0; i < 10; ++i) {
        double y1 = 80.0 - 7.0 * i, y0 = y1 - 6.0;
        Shape cell = roundRect(13.5, y0, 36.5, y1, 1.6);
        if (i < tenths) {
            double t = i / 9.0;
            Col col = t < 0.5 ? mix(low, mid, t * 2) : mix(mid, high, (t - 0.5) * 2);
            c.fill(cell, col, 4);
            c.fill(roundRect(15, y0 + 1, 35, y0 + 2.8, 0.9),
                   solid(mix(col, rgb(255, 255, 240), 0.55)), 4, 1.0, Where::Tagged, 4);
        } else {
            c.fill(cell, rgb(44, 48, 84), 5);
        }
    }
    return resolve(c, kBlack);
}

}  // namespace ag
