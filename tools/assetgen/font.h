// The game's lettering: a stroke font drawn as round-ended pen strokes.
// Capitals, digits and punctuation stand on a cap height of 10 units with the
// baseline at 10; the few lower-case letters of the logo have their x-height
// from 5 to 10.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

namespace ag {

using Polyline = std::vector<Pt>;

struct Glyph {
    double width = 0;
    std::vector<Polyline> strokes;
};

const Glyph& glyph(char c);

// Text laid out in pixels: `cap` is the cap height, `tracking` the gap
// between letters in font units. x is the left edge, baseline the y of the
// baseline.
struct Layout {
    std::vector<Polyline> strokes;
    std::vector<int> glyphOf;  // which letter each stroke belongs to
    double width = 0;
};
Layout layoutText(const std::string& text, double x, double baseline, double cap, double tracking);
double textWidth(const std::string& text, double cap, double tracking);

// A word drawn in layers, back to front: shadow, glow bands, outline, fill,
// highlight. Radii are in pixels; zero leaves a layer out.
struct TextLook {
    double stroke = 2;     // pen radius of the letters
    double outline = 1.5;  // extra radius of the outline
    Col outlineCol = rgb(40, 28, 48);
    Paint fill = solid(rgb(255, 200, 60));
    double shadowDx = 0, shadowDy = 0;
    Col shadowCol = rgb(70, 80, 130);
    std::vector<std::pair<double, Col>> glow;  // extra radius and colour, outermost first
    double highlight = 0;  // radius of the light streak on the upper left of strokes
    Col highlightCol = rgb(255, 250, 220);
};

void drawStrokes(Canvas& c, const std::vector<Polyline>& strokes, double r, const Paint& p,
                 uint8_t tag = 1, Where where = Where::Anywhere, uint8_t onlyTag = 0);
void drawText(Canvas& c, const Layout& text, const TextLook& look);

}  // namespace ag
