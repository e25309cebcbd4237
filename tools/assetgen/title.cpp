// The title screen's pictures: the hand-lettered logo with its dragonfly,
// and the wooden signboard that teaches the keys.
#include <cmath>
#include <numbers>

#include "art.h"
#include "font.h"

namespace ag {

namespace {

// Turns every letter of a layout about its own middle and lifts or drops
// it, so that the word looks lettered by hand rather than typeset.
Layout handLettered(Layout l, const std::vector<double>& tilt, const std::vector<double>& lift) {
    int letters = 0;
    for (int g : l.glyphOf) letters = std::max(letters, g + 1);
    std::vector<double> x0(letters, 1e9), x1(letters, -1e9), y0(letters, 1e9), y1(letters, -1e9);
    for (size_t i = 0; i < l.strokes.size(); ++i)
        for (const Pt& p : l.strokes[i]) {
            int g = l.glyphOf[i];
            x0[g] = std::min(x0[g], p.x);
            x1[g] = std::max(x1[g], p.x);
            y0[g] = std::min(y0[g], p.y);
            y1[g] = std::max(y1[g], p.y);
        }
    for (size_t i = 0; i < l.strokes.size(); ++i) {
        int g = l.glyphOf[i];
        Pt mid{(x0[g] + x1[g]) / 2, (y0[g] + y1[g]) / 2};
        Affine t = Affine::translate(-mid.x, -mid.y)
                       .then(Affine::rotate(tilt[g % tilt.size()]))
                       .then(Affine::translate(mid.x, mid.y + lift[g % lift.size()]));
        for (Pt& p : l.strokes[i]) p = t.apply(p);
    }
    return l;
}

// A keycap: a rounded cream key with a darker rim and its label.
void keycap(Canvas& c, double x0, double y0, double x1, double y1, const std::string& label) {
    c.fill(roundRect(x0 - 1.2, y0 - 1.2, x1 + 1.2, y1 + 2.6, 4.2), rgb(60, 36, 24));
    c.fill(roundRect(x0, y0, x1, y1 + 1.6, 3.4), rgb(196, 178, 150));
    c.fill(roundRect(x0 + 0.8, y0 + 0.6, x1 - 0.8, y1 - 0.6, 2.8),
           gradient({x0, y0}, rgb(255, 250, 236), {x0, y1}, rgb(232, 222, 200)));
    if (label.empty()) return;
    const double cap = 8;
    TextLook look;
    look.stroke = 0.95;
    look.outline = 0;
    look.fill = solid(rgb(52, 34, 30));
    double w = textWidth(label, cap, 1.6);
    drawText(c, layoutText(label, (x0 + x1 - w) / 2, (y0 + y1 + cap) / 2, cap, 1.6), look);
}

void arrowCap(Canvas& c, double x0, double y0, bool right) {
    keycap(c, x0, y0, x0 + 18, y0 + 16, "");
    double cx = x0 + 9, cy = y0 + 8;
    std::vector<Pt> tri =
        right ? std::vector<Pt>{{cx - 3, cy - 4.5}, {cx - 3, cy + 4.5}, {cx + 4, cy}}
              : std::vector<Pt>{{cx + 3, cy - 4.5}, {cx + 3, cy + 4.5}, {cx - 4, cy}};
    c.fill(polygon(tri), rgb(52, 34, 30));
}

}  // namespace

Image logo() {
    Canvas c(415, 200, kSamples);
    // "Pako" above, "Tumbo" below and to the right, both bouncing.
    const double cap = 70;
    Layout top = layoutText("Pako", 26, 84, cap, 1.2);
    Layout bottom = layoutText("Tumbo", 128, 178, cap, 0.9);
    top = handLettered(top, {-7, 5, -4, 6}, {2, -3, 3, -5});
    bottom = handLettered(bottom, {4, -5, 3, -4, 6}, {-2, 3, -3, 2, -4});

    TextLook look;
    look.stroke = 7.0;
    look.outline = 3.0;
    look.outlineCol = pal::ink;
    look.shadowDx = 5;
    look.shadowDy = 5;
    look.shadowCol = pal::shadowBlue;
    look.highlight = 2.2;
    look.fill = gradient({0, 20}, rgb(255, 236, 110), {0, 86}, pal::sunOrange);
    drawText(c, top, look);
    look.fill = gradient({0, 110}, rgb(150, 236, 128), {0, 180}, rgb(30, 150, 80));
    look.highlightCol = rgb(230, 255, 210);
    drawText(c, bottom, look);

    // A small dragonfly darting up to the right from the end of "Pako",
    // with a dotted trail behind it.
    for (int i = 0; i < 6; ++i) {
        double t = i / 6.0;
        double x = 238 + t * 80, y = 62 - std::sin(t * std::numbers::pi * 0.9) * 26 - t * 4;
        c.fill(circle(x, y, 1.6 + t * 0.8), pal::shadowBlue);
    }
    c.setTransform(Affine::rotate(-24).then(Affine::translate(352, 40)));
    drawDragonfly(c, 1.45, false);
    c.resetTransform();
    return resolve(c, kWhite);
}

Image signboard() {
    Canvas c(240, 205, kSamples);
    // Two posts sunk in the ground, the board on them.
    for (double x : {44.0, 196.0}) {
        c.fill(rect(x - 7.5, 150, x + 7.5, 206), pal::woodDark);
        c.fill(rect(x - 6, 150, x + 6, 206),
               gradient({x - 6, 0}, pal::woodLight, {x + 6, 0}, pal::wood));
        c.fill(rect(x + 2.5, 150, x + 6, 206), solid(pal::woodDark), 1, 1.0, Where::Painted);
    }
    c.fill(roundRect(2, 2, 238, 170, 10), pal::woodDark);
    c.fill(roundRect(5, 5, 235, 167, 8), gradient({5, 5}, pal::woodLight, {235, 167}, pal::wood));
    // Planks and grain.
    for (int i = 1; i < 5; ++i) {
        double y = 5 + i * 32.4;
        c.fill(rect(5, y - 0.8, 235, y + 0.8), solid(pal::woodDark), 1, 1.0, Where::Painted);
    }
    Rand r(7);
    for (int i = 0; i < 26; ++i) {
        double y = r.range(9, 163), x = r.range(8, 200), len = r.range(14, 40);
        c.fill(capsule({x, y}, {x + len, y + r.range(-0.6, 0.6)}, 0.45),
               solid(scale(pal::wood, 0.86)), 1, 1.0, Where::Painted);
    }
    // Nails in the corners.
    for (Pt n : {Pt{13, 13}, Pt{227, 13}, Pt{13, 159}, Pt{227, 159}}) {
        c.fill(circle(n.x, n.y, 2.6), rgb(70, 66, 72));
        c.fill(circle(n.x - 0.6, n.y - 0.6, 1.4), rgb(190, 190, 200));
    }

    TextLook head;
    head.stroke = 1.5;
    head.outline = 1.1;
    head.outlineCol = rgb(70, 34, 22);
    head.fill = gradient({0, 10}, rgb(255, 244, 190), {0, 26}, pal::sunYellow);
    double hw = textWidth("HOW TO PLAY", 14, 1.8);
    drawText(c, layoutText("HOW TO PLAY", (240 - hw) / 2, 27, 14, 1.8), head);

    TextLook text;
    text.stroke = 1.1;
    text.outline = 0.9;
    text.outlineCol = rgb(70, 34, 22);
    text.fill = solid(pal::cream);
    const double cap = 10, tx = 94;
    struct Row {
        double y;
        const char* key;
        const char* says;
    };
    const Row rows[] = {{38, "SPACE", "HOLD TO CHARGE"},
                        {64, "SPACE", "LET GO TO KICK"},
                        {90, nullptr, "RUN"},
                        {116, "ENTER", "CHOOSE"},
                        {142, "ESC", "QUIT"}};
    for (const Row& row : rows) {
        if (row.key)
            keycap(c, row.key[1] == 'S' ? 40 : 16, row.y, 84, row.y + 16, row.key);
        else {
            arrowCap(c, 42, row.y, false);
            arrowCap(c, 66, row.y, true);
        }
        drawText(c, layoutText(row.says, tx, row.y + 8 + cap / 2, cap, 1.5), text);
    }
    Image im = resolve(c, kBlack);
    // The corner keeps the sign's customary near-black. It is left out of
    // the drawn pixels so the key guard does not move it.
    im.at(0, 0) = Rgb{5, 5, 5};
    return im;
}

}  // namespace ag
