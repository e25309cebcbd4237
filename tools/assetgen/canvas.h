// Drawing core of the asset generator: shapes are tested at several sample
// points per pixel, and each pixel then takes the mean colour of only those
// samples that were painted. A pixel with too few painted samples stays the
// picture's transparent colour, so edges stand hard against the key and no
// pixel is ever blended toward it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace ag {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// A colour with channels in 0..255, kept in double for blending.
struct Col {
    double r = 0, g = 0, b = 0;
};

Col rgb(int r, int g, int b);
Col mix(Col a, Col b, double t);
Col scale(Col c, double k);

struct Pt {
    double x = 0, y = 0;
};

// x' = a x + b y + c, y' = d x + e y + f
struct Affine {
    double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;
    static Affine translate(double x, double y);
    static Affine rotate(double degrees);
    static Affine scaling(double sx, double sy);
    Affine then(const Affine& next) const;  // apply this, then next
    Affine inverse() const;
    Pt apply(Pt p) const;
};

// A region given by a bounding box and an inside test, both in the shape's
// own coordinates.
struct Shape {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::function<bool(double, double)> inside;
};

Shape circle(double cx, double cy, double r);
Shape ellipse(double cx, double cy, double rx, double ry);
Shape rotatedEllipse(double cx, double cy, double rx, double ry, double degrees);
Shape rect(double x0, double y0, double x1, double y1);
Shape roundRect(double x0, double y0, double x1, double y1, double radius);
Shape polygon(std::vector<Pt> pts);
Shape capsule(Pt p, Pt q, double r);
// A capsule whose radius runs from r0 at p to r1 at q.
Shape taper(Pt p, Pt q, double r0, double r1);
Shape unite(std::vector<Shape> parts);
Shape intersect(Shape a, Shape b);
Shape subtract(Shape a, Shape b);
Shape transformed(Shape s, const Affine& t);

// A colour for each point, in the shape's own coordinates.
using Paint = std::function<Col(double, double)>;
Paint solid(Col c);
// Linear gradient from c0 at p0 to c1 at p1, clamped beyond.
Paint gradient(Pt p0, Col c0, Pt p1, Col c1);

// Which samples a fill may paint.
enum class Where {
    Anywhere,  // painted or not
    Painted,   // only samples already painted (any tag)
    Tagged,    // only samples carrying the given tag
};

class Canvas {
public:
    Canvas(int width, int height, int samples);

    int width() const { return w_; }
    int height() const { return h_; }

    // The transform from shape coordinates to picture coordinates.
    void setTransform(const Affine& t);
    void resetTransform() { setTransform(Affine{}); }

    // Paints the shape. alpha below 1 blends over painted samples only, and
    // never paints an empty one.
    void fill(const Shape& s, const Paint& p, uint8_t tag = 1, double alpha = 1.0,
              Where where = Where::Anywhere, uint8_t onlyTag = 0);
    void fill(const Shape& s, Col c, uint8_t tag = 1) { fill(s, solid(c), tag); }
    // Makes the samples inside the shape empty again.
    void clear(const Shape& s);

    // Strokes a polyline as a chain of capsules.
    void stroke(const std::vector<Pt>& line, double r, const Paint& p, uint8_t tag = 1,
                Where where = Where::Anywhere, uint8_t onlyTag = 0);

    struct Sample {
        Col c;
        uint8_t tag = 0;
    };
    const Sample& at(int sx, int sy) const { return s_[static_cast<size_t>(sy) * sw_ + sx]; }
    int samples() const { return n_; }

private:
    int w_, h_, n_, sw_, sh_;
    std::vector<Sample> s_;
    Affine t_, inv_;
};

// A finished picture: one colour per pixel and whether the pixel was drawn
// (a pixel that is not drawn holds the key colour).
struct Image {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    std::vector<uint8_t> drawn;
    Rgb key{255, 255, 255};
    bool keyed = true;

    Image() = default;
    Image(int width, int height, Rgb keyColour, bool hasKey);
    Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Rgb& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    bool isDrawn(int x, int y) const { return drawn[static_cast<size_t>(y) * w + x] != 0; }
    void set(int x, int y, Rgb c) {
        at(x, y) = c;
        drawn[static_cast<size_t>(y) * w + x] = 1;
    }
};

// Turns the samples into pixels: a pixel is drawn when at least half of its
// samples are painted, with the mean colour of the painted ones.
Image resolve(const Canvas& c, Rgb key, bool keyed = true);

Image mirrored(const Image& im);
// Quarter turns: clockwise turns the right edge to the bottom.
Image turnedClockwise(const Image& im);
Image turnedCounterClockwise(const Image& im);

// Keeps every drawn pixel clear of the key after the display's 16-bit 5-6-5
// conversion, and pushes drawn pixels that touch the key away from it, so
// that no pale or dark rim shows. Returns how many pixels it had to change.
int guardKey(Image& im);

bool maps565ToKey(Rgb c, Rgb key);
bool nearKey(Rgb c, Rgb key);  // within 40 of the key in every channel

Rgb toRgb(Col c);
Col toCol(Rgb c);

}  // namespace ag
