// The red dragonfly, seen from above: big eyes, a slim segmented body and
// two pairs of white wings. Drawn heading right and turned for the other
// headings, so the four pictures are the same insect.
#include <cmath>
#include <numbers>

#include "art.h"

namespace ag {

namespace {

Shape scaled(Shape s, double k) { return transformed(std::move(s), Affine::scaling(k, k)); }

void wing(Canvas& c, double k, Pt root, double angle, double length, double width) {
    // A long ellipse from the root outward, angle 90 pointing down (+y).
    double a = angle * std::numbers::pi / 180.0;
    Pt mid{root.x + std::cos(a) * length / 2, root.y + std::sin(a) * length / 2};
    Shape outer = rotatedEllipse(mid.x, mid.y, length / 2 + 1.0, width + 1.0, angle);
    Shape inner = rotatedEllipse(mid.x, mid.y, length / 2, width, angle);
    c.fill(scaled(outer, k), pal::wingEdge);
    c.fill(scaled(inner, k), gradient({mid.x * k - 6, mid.y * k - 6}, rgb(250, 252, 255),
                                      {mid.x * k + 6, mid.y * k + 6}, pal::wing));
    // The dark spot near the wing tip.
    Pt tip{root.x + std::cos(a) * length * 0.82, root.y + std::sin(a) * length * 0.82};
    c.fill(scaled(rotatedEllipse(tip.x, tip.y, 1.6, width * 0.55, angle), k), solid(pal::wingEdge),
           1, 1.0, Where::Painted);
}

}  // namespace

void drawDragonfly(Canvas& c, double k, bool struck) {
    const Col ink = pal::inkOnBlack;
    // Wings: fore and hind pair, the struck insect's crumpled and swept back.
    double sweep = struck ? 28 : 0;
    wing(c, k, {4.5, -1.6}, -84 - sweep, 14.2, 2.6);
    wing(c, k, {4.5, 1.6}, 84 + sweep, 14.2, 2.6);
    wing(c, k, {1.5, -1.4}, -100 - sweep * 1.2, 13.2, 2.8);
    wing(c, k, {1.5, 1.4}, 100 + sweep * 1.2, 13.2, 2.8);

    const Col red = struck ? mix(pal::dragonRed, rgb(120, 90, 110), 0.35) : pal::dragonRed;
    // Body: tail, thorax, head, each outlined.
    Shape tail = taper({2, 0}, {-16.2, 0}, 2.0, 1.1);
    Shape thorax = ellipse(4.5, 0, 4.6, 3.0);
    Shape head =
        unite({circle(11.6, -2.3, 2.9), circle(11.6, 2.3, 2.9), ellipse(9.4, 0, 2.2, 2.6)});
    c.fill(scaled(taper({2, 0}, {-16.2, 0}, 3.0, 2.1), k), ink);
    c.fill(scaled(ellipse(4.5, 0, 5.6, 4.0), k), ink);
    c.fill(scaled(unite({circle(11.6, -2.3, 3.9), circle(11.6, 2.3, 3.9)}), k), ink);
    c.fill(scaled(tail, k), gradient({0, -2 * k}, pal::dragonRedLight, {0, 2 * k}, red));
    for (double x = -13.5; x < 0; x += 3.0)
        c.fill(scaled(rect(x, -2.2, x + 0.8, 2.2), k), solid(pal::dragonRedDark), 1, 1.0,
               Where::Painted);
    c.fill(scaled(thorax, k), gradient({2 * k, -3 * k}, pal::dragonRedLight, {7 * k, 3 * k}, red));
    c.fill(scaled(head, k), solid(pal::dragonRedDark));
    if (struck) {
        // Dazed: little crosses for eyes.
        for (double s : {-1.0, 1.0}) {
            Pt e{11.8, 2.3 * s};
            c.fill(scaled(capsule({e.x - 1.4, e.y - 1.4}, {e.x + 1.4, e.y + 1.4}, 0.55), k),
                   rgb(255, 236, 200));
            c.fill(scaled(capsule({e.x - 1.4, e.y + 1.4}, {e.x + 1.4, e.y - 1.4}, 0.55), k),
                   rgb(255, 236, 200));
        }
    } else {
        for (double s : {-1.0, 1.0}) {
            c.fill(scaled(circle(11.9, 2.3 * s, 2.2), k),
                   gradient({10 * k, -3 * k}, rgb(255, 120, 90), {13 * k, 3 * k}, pal::dragonRed));
            c.fill(scaled(circle(11.4, 2.3 * s - 0.9, 0.8), k), rgb(255, 240, 220));
        }
    }
}

Image dragonfly(char heading) {
    Canvas c(35, 31, kSamples);
    c.setTransform(Affine::translate(17.5 + 0.5, 15.5));
    drawDragonfly(c, 0.97, false);
    Image right = resolve(c, kBlack);
    switch (heading) {
        case 'L': return mirrored(right);
        case 'U': return turnedCounterClockwise(right);
        case 'D': return turnedClockwise(right);
        default: return right;
    }
}

Image dragonflyStruck() {
    // Tumbling head down, wings swept back, with two stars of the knock.
    Canvas c(31, 35, kSamples);
    c.setTransform(Affine::rotate(112).then(Affine::translate(16.5, 19)));
    drawDragonfly(c, 0.86, true);
    c.resetTransform();
    for (Pt s : {Pt{5.5, 5.5}, Pt{25.5, 4.5}}) {
        std::vector<Pt> star;
        for (int i = 0; i < 10; ++i) {
            double a = i * std::numbers::pi / 5 - std::numbers::pi / 2;
            double r = i % 2 ? 1.5 : 4.0;
            star.push_back({s.x + std::cos(a) * r, s.y + std::sin(a) * r});
        }
        c.fill(polygon(star), pal::sunYellow);
    }
    return resolve(c, kBlack);
}

}  // namespace ag
