#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ag {

Col rgb(int r, int g, int b) { return Col{double(r), double(g), double(b)}; }

Col mix(Col a, Col b, double t) {
    return Col{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Col scale(Col c, double k) { return Col{c.r * k, c.g * k, c.b * k}; }

static uint8_t channel(double v) {
    long n = std::lround(v);
    return static_cast<uint8_t>(std::clamp(n, 0L, 255L));
}

Rgb toRgb(Col c) { return Rgb{channel(c.r), channel(c.g), channel(c.b)}; }
Col toCol(Rgb c) { return rgb(c.r, c.g, c.b); }

// ---- transforms ----

Affine Affine::translate(double x, double y) { return Affine{1, 0, x, 0, 1, y}; }

Affine Affine::rotate(double degrees) {
    double a = degrees * std::numbers::pi / 180.0;
    double c = std::cos(a), s = std::sin(a);
    return Affine{c, -s, 0, s, c, 0};
}

Affine Affine::scaling(double sx, double sy) { return Affine{sx, 0, 0, 0, sy, 0}; }

Affine Affine::then(const Affine& n) const {
    return Affine{n.a * a + n.b * d, n.a * b + n.b * e, n.a * c + n.b * f + n.c,
                  n.d * a + n.e * d, n.d * b + n.e * e, n.d * c + n.e * f + n.f};
}

Affine Affine::inverse() const {
    double det = a * e - b * d;
    double ia = e / det, ib = -b / det, id = -d / det, ie = a / det;
    return Affine{ia, ib, -(ia * c + ib * f), id, ie, -(id * c + ie * f)};
}

Pt Affine::apply(Pt p) const { return Pt{a * p.x + b * p.y + c, d * p.x + e * p.y + f}; }

// ---- shapes ----

Shape circle(double cx, double cy, double r) {
    return Shape{cx - r, cy - r, cx + r, cy + r, [=](double x, double y) {
                     double dx = x - cx, dy = y - cy;
                     return dx * dx + dy * dy <= r * r;
                 }};
}

Shape ellipse(double cx, double cy, double rx, double ry) {
    return Shape{cx - rx, cy - ry, cx + rx, cy + ry, [=](double x, double y) {
                     double dx = (x - cx) / rx, dy = (y - cy) / ry;
                     return dx * dx + dy * dy <= 1.0;
                 }};
}

Shape rotatedEllipse(double cx, double cy, double rx, double ry, double degrees) {
    Affine t = Affine::rotate(degrees).then(Affine::translate(cx, cy));
    return transformed(ellipse(0, 0, rx, ry), t);
}

Shape rect(double x0, double y0, double x1, double y1) {
    return Shape{x0, y0, x1, y1,
                 [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; }};
}

Shape roundRect(double x0, double y0, double x1, double y1, double r) {
    return Shape{x0, y0, x1, y1, [=](double x, double y) {
                     if (x < x0 || x >= x1 || y < y0 || y >= y1) return false;
                     double cx = std::clamp(x, x0 + r, x1 - r);
                     double cy = std::clamp(y, y0 + r, y1 - r);
                     double dx = x - cx, dy = y - cy;
                     return dx * dx + dy * dy <= r * r;
                 }};
}

Shape polygon(std::vector<Pt> pts) {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt& p : pts) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    return Shape{x0, y0, x1, y1, [pts = std::move(pts)](double x, double y) {
                     // Nonzero winding rule.
                     int wind = 0;
                     size_t n = pts.size();
                     for (size_t i = 0; i < n; ++i) {
                         const Pt& a = pts[i];
                         const Pt& b = pts[(i + 1) % n];
                         double cross = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
                         if (a.y <= y) {
                             if (b.y > y && cross > 0) ++wind;
                         } else if (b.y <= y && cross < 0) {
                             --wind;
                         }
                     }
                     return wind != 0;
                 }};
}

Shape capsule(Pt p, Pt q, double r) { return taper(p, q, r, r); }

Shape taper(Pt p, Pt q, double r0, double r1) {
    double rm = std::max(r0, r1);
    double dx = q.x - p.x, dy = q.y - p.y;
    double len2 = dx * dx + dy * dy;
    return Shape{std::min(p.x, q.x) - rm, std::min(p.y, q.y) - rm, std::max(p.x, q.x) + rm,
                 std::max(p.y, q.y) + rm, [=](double x, double y) {
                     double t = len2 > 0 ? ((x - p.x) * dx + (y - p.y) * dy) / len2 : 0.0;
                     t = std::clamp(t, 0.0, 1.0);
                     double ex = x - (p.x + dx * t), ey = y - (p.y + dy * t);
                     double r = r0 + (r1 - r0) * t;
                     return ex * ex + ey * ey <= r * r;
                 }};
}

Shape unite(std::vector<Shape> parts) {
    Shape s{1e9, 1e9, -1e9, -1e9, nullptr};
    for (const Shape& p : parts) {
        s.x0 = std::min(s.x0, p.x0);
        s.y0 = std::min(s.y0, p.y0);
        s.x1 = std::max(s.x1, p.x1);
        s.y1 = std::max(s.y1, p.y1);
    }
    s.inside = [parts = std::move(parts)](double x, double y) {
        for (const Shape& p : parts)
            if (x >= p.x0 && x <= p.x1 && y >= p.y0 && y <= p.y1 && p.inside(x, y)) return true;
        return false;
    };
    return s;
}

Shape intersect(Shape a, Shape b) {
    Shape s{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1),
            nullptr};
    s.inside = [a, b](double x, double y) { return a.inside(x, y) && b.inside(x, y); };
    return s;
}

Shape subtract(Shape a, Shape b) {
    Shape s{a.x0, a.y0, a.x1, a.y1, nullptr};
    s.inside = [a, b](double x, double y) { return a.inside(x, y) && !b.inside(x, y); };
    return s;
}

Shape transformed(Shape s, const Affine& t) {
    Pt c[4] = {t.apply({s.x0, s.y0}), t.apply({s.x1, s.y0}), t.apply({s.x0, s.y1}),
               t.apply({s.x1, s.y1})};
    Shape r{1e9, 1e9, -1e9, -1e9, nullptr};
    for (const Pt& p : c) {
        r.x0 = std::min(r.x0, p.x);
        r.y0 = std::min(r.y0, p.y);
        r.x1 = std::max(r.x1, p.x);
        r.y1 = std::max(r.y1, p.y);
    }
    Affine inv = t.inverse();
    r.inside = [s, inv](double x, double y) {
        Pt l = inv.apply({x, y});
        return s.inside(l.x, l.y);
    };
    return r;
}

Paint solid(Col c) {
    return [c](double, double) { return c; };
}

Paint gradient(Pt p0, Col c0, Pt p1, Col c1) {
    double dx = p1.x - p0.x, dy = p1.y - p0.y;
    double len2 = dx * dx + dy * dy;
    return [=](double x, double y) {
        double t = len2 > 0 ? ((x - p0.x) * dx + (y - p0.y) * dy) / len2 : 0.0;
        return mix(c0, c1, std::clamp(t, 0.0, 1.0));
    };
}

// ---- canvas ----

Canvas::Canvas(int width, int height, int samples)
    : w_(width),
      h_(height),
      n_(samples),
      sw_(width * samples),
      sh_(height * samples),
      s_(static_cast<size_t>(sw_) * sh_) {}

void Canvas::setTransform(const Affine& t) {
    t_ = t;
    inv_ = t.inverse();
}

void Canvas::fill(const Shape& s, const Paint& p, uint8_t tag, double alpha, Where where,
                  uint8_t onlyTag) {
    Pt c[4] = {t_.apply({s.x0, s.y0}), t_.apply({s.x1, s.y0}), t_.apply({s.x0, s.y1}),
               t_.apply({s.x1, s.y1})};
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt& q : c) {
        x0 = std::min(x0, q.x);
        y0 = std::min(y0, q.y);
        x1 = std::max(x1, q.x);
        y1 = std::max(y1, q.y);
    }
    int sx0 = std::max(0, static_cast<int>(std::floor(x0 * n_)) - 1);
    int sy0 = std::max(0, static_cast<int>(std::floor(y0 * n_)) - 1);
    int sx1 = std::min(sw_ - 1, static_cast<int>(std::ceil(x1 * n_)) + 1);
    int sy1 = std::min(sh_ - 1, static_cast<int>(std::ceil(y1 * n_)) + 1);
    double inv = 1.0 / n_;
    for (int sy = sy0; sy <= sy1; ++sy) {
        for (int sx = sx0; sx <= sx1; ++sx) {
            Sample& smp = s_[static_cast<size_t>(sy) * sw_ + sx];
            if (where == Where::Painted && smp.tag == 0) continue;
            if (where == Where::Tagged && smp.tag != onlyTag) continue;
            if (alpha < 1.0 && smp.tag == 0) continue;
            Pt l = inv_.apply({(sx + 0.5) * inv, (sy + 0.5) * inv});
            if (!s.inside(l.x, l.y)) continue;
            Col col = p(l.x, l.y);
            smp.c = alpha < 1.0 ? mix(smp.c, col, alpha) : col;
            if (alpha >= 1.0) smp.tag = tag;
        }
    }
}

void Canvas::clear(const Shape& s) {
    Shape whole = transformed(s, t_);
    int sx0 = std::max(0, static_cast<int>(std::floor(whole.x0 * n_)) - 1);
    int sy0 = std::max(0, static_cast<int>(std::floor(whole.y0 * n_)) - 1);
    int sx1 = std::min(sw_ - 1, static_cast<int>(std::ceil(whole.x1 * n_)) + 1);
    int sy1 = std::min(sh_ - 1, static_cast<int>(std::ceil(whole.y1 * n_)) + 1);
    double inv = 1.0 / n_;
    for (int sy = sy0; sy <= sy1; ++sy)
        for (int sx = sx0; sx <= sx1; ++sx)
            if (whole.inside((sx + 0.5) * inv, (sy + 0.5) * inv))
                s_[static_cast<size_t>(sy) * sw_ + sx].tag = 0;
}

void Canvas::stroke(const std::vector<Pt>& line, double r, const Paint& p, uint8_t tag, Where where,
                    uint8_t onlyTag) {
    if (line.size() == 1) {
        fill(circle(line[0].x, line[0].y, r), p, tag, 1.0, where, onlyTag);
        return;
    }
    for (size_t i = 0; i + 1 < line.size(); ++i)
        fill(capsule(line[i], line[i + 1], r), p, tag, 1.0, where, onlyTag);
}

// ---- pictures ----

Image::Image(int width, int height, Rgb keyColour, bool hasKey)
    : w(width),
      h(height),
      px(static_cast<size_t>(width) * height, keyColour),
      drawn(static_cast<size_t>(width) * height, hasKey ? 0 : 1),
      key(keyColour),
      keyed(hasKey) {}

Image resolve(const Canvas& c, Rgb key, bool keyed) {
    Image im(c.width(), c.height(), key, keyed);
    int n = c.samples();
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            Col sum;
            int painted = 0;
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    const Canvas::Sample& s = c.at(x * n + i, y * n + j);
                    if (s.tag == 0) continue;
                    sum.r += s.c.r;
                    sum.g += s.c.g;
                    sum.b += s.c.b;
                    ++painted;
                }
            }
            if (!keyed) {
                if (painted > 0) im.at(x, y) = toRgb(scale(sum, 1.0 / painted));
                continue;
            }
            if (painted * 2 >= n * n) im.set(x, y, toRgb(scale(sum, 1.0 / painted)));
        }
    }
    return im;
}

Image mirrored(const Image& im) {
    Image out(im.w, im.h, im.key, im.keyed);
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            size_t from = static_cast<size_t>(y) * im.w + x;
            size_t to = static_cast<size_t>(y) * im.w + (im.w - 1 - x);
            out.px[to] = im.px[from];
            out.drawn[to] = im.drawn[from];
        }
    return out;
}

Image turnedClockwise(const Image& im) {
    Image out(im.h, im.w, im.key, im.keyed);
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            // (x, y) goes to (h-1-y, x)
            size_t from = static_cast<size_t>(y) * im.w + x;
            size_t to = static_cast<size_t>(x) * out.w + (im.h - 1 - y);
            out.px[to] = im.px[from];
            out.drawn[to] = im.drawn[from];
        }
    return out;
}

Image turnedCounterClockwise(const Image& im) {
    Image out(im.h, im.w, im.key, im.keyed);
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            // (x, y) goes to (y, w-1-x)
            size_t from = static_cast<size_t>(y) * im.w + x;
            size_t to = static_cast<size_t>(im.w - 1 - x) * out.w + y;
            out.px[to] = im.px[from];
            out.drawn[to] = im.drawn[from];
        }
    return out;
}

bool maps565ToKey(Rgb c, Rgb key) {
    return (c.r >> 3) == (key.r >> 3) && (c.g >> 2) == (key.g >> 2) && (c.b >> 3) == (key.b >> 3);
}

bool nearKey(Rgb c, Rgb key) {
    return std::abs(c.r - key.r) <= 40 && std::abs(c.g - key.g) <= 40 &&
           std::abs(c.b - key.b) <= 40;
}

static bool touchesKey(const Image& im, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= im.w || ny >= im.h) continue;
            if (!im.isDrawn(nx, ny)) return true;
        }
    return false;
}

// Moves a colour away from the key until at least one channel is more than
// `gap` from it, keeping its hue.
static Rgb pushAway(Rgb c, Rgb key, int gap) {
    Col k = toCol(key);
    Col v = toCol(c);
    for (int step = 0; step < 64; ++step) {
        Rgb r = toRgb(v);
        if (std::abs(r.r - key.r) > gap || std::abs(r.g - key.g) > gap ||
            std::abs(r.b - key.b) > gap)
            return r;
        // Away from the key: from white toward darker, from black toward lighter.
        v = Col{k.r + (v.r - k.r) * 1.15 + (key.r > 127 ? -2 : 2),
                k.g + (v.g - k.g) * 1.15 + (key.g > 127 ? -2 : 2),
                k.b + (v.b - k.b) * 1.15 + (key.b > 127 ? -2 : 2)};
    }
    return toRgb(v);
}

int guardKey(Image& im) {
    if (!im.keyed) return 0;
    int changed = 0;
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            if (!im.isDrawn(x, y)) continue;
            Rgb c = im.at(x, y);
            Rgb fixed = c;
            if (touchesKey(im, x, y) && nearKey(c, im.key))
                fixed = pushAway(c, im.key, 44);
            else if (maps565ToKey(c, im.key))
                fixed = pushAway(c, im.key, 12);
            if (!(fixed == c)) {
                im.at(x, y) = fixed;
                ++changed;
            }
        }
    return changed;
}

}  // namespace ag
