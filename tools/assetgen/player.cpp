// The player: a child in a knitted hat and scarf, seen from the side. The
// figure is posed from joint angles, drawn facing right and mirrored for the
// pictures that face left. Its lowest point always rests on the bottom row,
// and the body stays on the middle column.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "art.h"

namespace ag {

namespace {

constexpr double kOutline = 1.3;
constexpr double kThigh = 15, kShin = 14, kUpperArm = 11, kForearm = 10;

struct Pose {
    double lean = 0;  // torso, degrees forward of upright
    double nearThigh = 0,
           nearKnee = 0;  // thigh from straight down (forward +), knee bend (+ folds back)
    double farThigh = 0, farKnee = 0;
    double nearToe = 0, farToe = 0;  // foot tilt, toes down +
    double nearArm = 0,
           nearElbow = 0;  // shoulder from straight down (forward +), elbow bend (forward +)
    double farArm = 0, farElbow = 0;
    double scarfFlutter = 0;  // 0 hangs, 1 streams out behind
    double scarfWave = 0;     // phase of the streaming scarf's wave
    bool wideEye = false;     // the kick: eye wide open
};

Pt dir(double degrees) {
    double a = degrees * std::numbers::pi / 180.0;
    return Pt{std::sin(a), std::cos(a)};
}

Pt add(Pt p, Pt d, double k) { return Pt{p.x + d.x * k, p.y + d.y * k}; }

Col lighter(Col c, double k) { return mix(c, rgb(255, 252, 240), k); }
Col darker(Col c, double k) { return scale(c, 1.0 - k); }

// Light from the upper left across a part's box.
Paint lit(Col base, double x0, double y0, double x1, double y1) {
    return gradient({x0, y0}, lighter(base, 0.16), {x1, y1}, darker(base, 0.16));
}

struct Leg {
    Pt hip, knee, ankle;
    double footAngle;  // direction the foot points, degrees from straight down
};

Leg legFrom(Pt hip, double thigh, double knee, double toe) {
    Leg l;
    l.hip = hip;
    l.knee = add(hip, dir(thigh), kThigh);
    l.ankle = add(l.knee, dir(thigh - knee), kShin);
    // The foot is square to the shin, toes forward, tilted by toe.
    l.footAngle = thigh - knee + 90 + toe;
    return l;
}

// The lowest point of a shoe, for resting the figure on the ground.
double shoeBottom(const Leg& l) {
    Pt f = dir(l.footAngle);
    double lowest = -1e9;
    for (double t = -3; t <= 10; t += 1)
        for (double s = -1; s <= 1; s += 2) {
            Pt p = add(l.ankle, f, t);
            // Sole: perpendicular below the foot line.
            Pt n{-f.y, f.x};
            if (n.y < 0) n = Pt{-n.x, -n.y};
            p = add(p, n, s > 0 ? 4.5 : 0);
            lowest = std::max(lowest, p.y);
        }
    return lowest;
}

class Figure {
public:
    explicit Figure(Canvas& c) : c_(c) {}

    void limb(Pt a, Pt b, double r, Col col) {
        c_.fill(capsule(a, b, r + kOutline), pal::ink);
        c_.fill(capsule(a, b, r), lit(col, std::min(a.x, b.x) - r, std::min(a.y, b.y) - r,
                                      std::max(a.x, b.x) + r, std::max(a.y, b.y) + r));
    }
    void ball(Pt p, double r, Col col) {
        c_.fill(circle(p.x, p.y, r + kOutline), pal::ink);
        c_.fill(circle(p.x, p.y, r), lit(col, p.x - r, p.y - r, p.x + r, p.y + r));
    }
    void shoe(const Leg& l, Col col) {
        Pt f = dir(l.footAngle);
        Pt n{-f.y, f.x};
        if (n.y < 0) n = Pt{-n.x, -n.y};
        Pt heel = add(add(l.ankle, f, -2.5), n, 2.2);
        Pt toe = add(add(l.ankle, f, 7.5), n, 2.6);
        c_.fill(taper(heel, toe, 3.6 + kOutline, 3.2 + kOutline), pal::ink);
        c_.fill(taper(heel, toe, 3.6, 3.2), lit(col, heel.x - 4, heel.y - 4, toe.x + 4, toe.y + 4));
        // Pale sole along the bottom of the shoe.
        Pt h2 = add(heel, n, 2.6), t2 = add(toe, n, 2.2);
        c_.fill(intersect(taper(heel, toe, 3.6, 3.2), capsule(h2, t2, 1.6)), rgb(226, 208, 180));
    }
    void leg(const Leg& l, bool near) {
        Col t = near ? pal::trousers : pal::trousersDark;
        limb(l.hip, l.knee, 4.6, t);
        limb(l.knee, l.ankle, 4.0, t);
        shoe(l, near ? pal::shoe : pal::shoeDark);
    }
    void arm(Pt shoulder, double a, double elbow, bool near) {
        Pt e = add(shoulder, dir(a), kUpperArm);
        Pt h = add(e, dir(a + elbow), kForearm);
        Col sleeve = near ? pal::jacketBlue : pal::jacketBlueDark;
        limb(shoulder, e, 3.8, sleeve);
        limb(e, h, 3.4, sleeve);
        ball(h, 3.4, near ? pal::scarfRed : pal::scarfRedDark);  // knitted mitten
    }

    Canvas& c_;
};

// Draws the figure facing right with its hip at (hx, hy).
void drawFigure(Canvas& c, const Pose& p, double hx, double hy) {
    Figure f(c);
    Pt hip{hx, hy};
    Pt up = dir(180 - p.lean);  // from hip toward the shoulders
    Pt shoulder = add(hip, up, 25);
    Pt neck = add(hip, up, 30);
    Pt headC = add(add(hip, up, 45), Pt{1, 0}, 1.5);

    Leg nearLeg = legFrom({hx + 1.5, hy}, p.nearThigh, p.nearKnee, p.nearToe);
    Leg farLeg = legFrom({hx - 1.5, hy}, p.farThigh, p.farKnee, p.farToe);

    // Back to front: far arm, far leg, scarf tail, near leg, jacket, head,
    // hat, scarf knot, near arm.
    f.arm(add(shoulder, Pt{-2, 0}, 1), p.farArm, p.farElbow, false);
    f.leg(farLeg, false);

    // Scarf tail, hanging or streaming out behind.
    {
        Pt root = add(neck, Pt{-5, 2}, 1);
        std::vector<Pt> tail;
        for (int i = 0; i <= 8; ++i) {
            double t = i / 8.0;
            double hang = (1 - p.scarfFlutter);
            double wave = std::sin(t * 5.0 + p.scarfWave) * 2.2 * t * p.scarfFlutter;
            tail.push_back(Pt{root.x - t * (5 * hang + 24 * p.scarfFlutter),
                              root.y + t * (22 * hang + 5 * p.scarfFlutter) + wave});
        }
        for (size_t i = 0; i + 1 < tail.size(); ++i)
            c.fill(capsule(tail[i], tail[i + 1], 3.4 + kOutline), pal::ink);
        for (size_t i = 0; i + 1 < tail.size(); ++i)
            c.fill(capsule(tail[i], tail[i + 1], 3.4), i % 3 == 2 ? pal::cream : pal::scarfRedDark);
        // Fringe at the end.
        Pt end = tail.back();
        Pt prev = tail[tail.size() - 2];
        double dx = end.x - prev.x, dy = end.y - prev.y, len = std::hypot(dx, dy);
        Pt d{dx / len, dy / len}, n{-d.y, d.x};
        for (int k = -1; k <= 1; ++k) {
            Pt a = add(end, n, k * 2.2);
            c.fill(capsule(a, add(a, d, 4), 0.9 + 0.8), pal::ink);
            c.fill(capsule(a, add(a, d, 4), 0.9), pal::scarfRedDark);
        }
    }

    f.leg(nearLeg, true);

    // Jacket: a rounded body from hip to shoulders, leaning with the torso.
    {
        Affine t = Affine::rotate(p.lean).then(Affine::translate(hx, hy));
        c.setTransform(t);
        c.fill(roundRect(-11 - kOutline, -28 - kOutline, 11 + kOutline, 5 + kOutline, 8 + kOutline),
               pal::ink);
        c.fill(roundRect(-11, -28, 11, 5, 8), lit(pal::jacketBlue, -11, -28, 11, 5));
        // Zip and pocket, and the hem band.
        c.fill(rect(4.2, -22, 5.4, 3), pal::jacketBlueDark);
        c.fill(roundRect(-10.5, 0, 10.5, 5, 3.5), solid(pal::jacketBlueDark), 1, 1.0,
               Where::Painted);
        c.fill(roundRect(-6, -9, 2, -3, 1.5), solid(darker(pal::jacketBlue, 0.12)), 1, 1.0,
               Where::Painted);
        c.resetTransform();
    }

    // Head: face, ear, hair at the back.
    f.ball(headC, 14, pal::skin);
    c.fill(circle(headC.x + 14.2, headC.y + 3.0, 2.8 + kOutline), pal::ink);  // nose
    c.fill(circle(headC.x + 14.2, headC.y + 3.0, 2.8), pal::skin);
    // The face again over the nose's outline, so the nose joins the face.
    c.fill(circle(headC.x, headC.y, 14),
           lit(pal::skin, headC.x - 14, headC.y - 14, headC.x + 14, headC.y + 14));
    c.fill(ellipse(headC.x - 6, headC.y + 2, 6.5, 8), solid(rgb(120, 70, 44)), 1, 1.0,
           Where::Painted);
    c.fill(intersect(circle(headC.x, headC.y, 14), ellipse(headC.x - 6, headC.y + 2, 6.5, 8)),
           rgb(120, 70, 44));
    c.fill(circle(headC.x - 1, headC.y + 3, 3.2 + 1.0), pal::ink);  // ear
    c.fill(circle(headC.x - 1, headC.y + 3, 3.2), pal::skinShade);
    c.fill(circle(headC.x + 7.5, headC.y + 7.5, 3.0), pal::cheek);
    if (p.wideEye) {
        c.fill(ellipse(headC.x + 7.8, headC.y + 1, 2.2, 3.0), pal::ink);
        c.fill(circle(headC.x + 7.2, headC.y - 0.2, 0.9), rgb(255, 250, 240));
    } else {
        c.fill(ellipse(headC.x + 7.8, headC.y + 1.5, 1.7, 2.6), pal::ink);
        c.fill(circle(headC.x + 7.3, headC.y + 0.5, 0.7), rgb(255, 250, 240));
    }
    // Smile.
    for (int i = 0; i < 5; ++i) {
        double a = (20 + i * 18) * std::numbers::pi / 180.0;
        c.fill(circle(headC.x + 9.5 + 3.2 * std::cos(a) * 0.8, headC.y + 8.5 + 2.0 * std::sin(a),
                      0.75),
               rgb(150, 60, 60));
    }

    // Knitted hat: a dome over the top of the head with a ribbed band and a
    // pompom at the back.
    {
        Pt hc{headC.x - 0.5, headC.y - 1};
        Shape dome = intersect(ellipse(hc.x, hc.y, 15.6, 15.4),
                               rect(hc.x - 20, hc.y - 20, hc.x + 20, hc.y - 1));
        Shape band = roundRect(hc.x - 16.2, hc.y - 4.5, hc.x + 15.8, hc.y + 1.8, 3);
        Pt pom{hc.x - 9.5, hc.y - 13.5};
        c.fill(circle(pom.x, pom.y, 5.4 + kOutline), pal::ink);
        c.fill(unite({transformed(dome, Affine{}), band}), pal::ink);
        c.fill(intersect(ellipse(hc.x, hc.y, 14.4, 14.2),
                         rect(hc.x - 20, hc.y - 20, hc.x + 20, hc.y - 1)),
               lit(pal::hatTeal, hc.x - 14, hc.y - 15, hc.x + 14, hc.y));
        // A cream stripe across the dome.
        c.fill(intersect(ellipse(hc.x, hc.y, 14.4, 14.2),
                         rect(hc.x - 20, hc.y - 10.5, hc.x + 20, hc.y - 7.5)),
               pal::cream);
        c.fill(roundRect(hc.x - 15, hc.y - 3.3, hc.x + 14.6, hc.y + 0.6, 2.2),
               lit(pal::scarfRed, hc.x - 15, hc.y - 4, hc.x + 15, hc.y + 1));
        for (double x = hc.x - 13; x < hc.x + 14; x += 3)
            c.fill(rect(x, hc.y - 3.0, x + 0.9, hc.y + 0.3), pal::scarfRedDark);
        c.fill(circle(pom.x, pom.y, 5.4),
               lit(pal::cream, pom.x - 5, pom.y - 5, pom.x + 5, pom.y + 5));
        c.fill(circle(pom.x + 1.2, pom.y + 1.4, 1.2), rgb(226, 210, 180));
        c.fill(circle(pom.x - 1.8, pom.y + 0.4, 1.0), rgb(226, 210, 180));
    }

    // Scarf knot around the neck.
    {
        Affine t = Affine::rotate(p.lean).then(Affine::translate(neck.x, neck.y));
        c.setTransform(t);
        c.fill(
            roundRect(-11 - kOutline, -3.5 - kOutline, 11 + kOutline, 4 + kOutline, 4 + kOutline),
            pal::ink);
        c.fill(roundRect(-11, -3.5, 11, 4, 4), lit(pal::scarfRed, -11, -4, 11, 4));
        c.fill(rect(-4, -3.5, -2, 4), solid(pal::cream), 1, 1.0, Where::Painted);
        c.fill(rect(3, -3.5, 5, 4), solid(pal::cream), 1, 1.0, Where::Painted);
        c.resetTransform();
    }

    f.arm(shoulder, p.nearArm, p.nearElbow, true);
}

// Poses the figure and rests it on the bottom row.
Image drawPose(const Pose& p, double hipX) {
    Leg nearLeg = legFrom({hipX + 1.5, 0}, p.nearThigh, p.nearKnee, p.nearToe);
    Leg farLeg = legFrom({hipX - 1.5, 0}, p.farThigh, p.farKnee, p.farToe);
    double lowest = std::max(shoeBottom(nearLeg), shoeBottom(farLeg));
    // The shoe's outline reaches kOutline below the sole; put it half a
    // sample past the last row so the bottom row is fully covered.
    double hipY = 120.4 - lowest - kOutline;
    Canvas c(120, 120, kSamples);
    drawFigure(c, p, hipX, hipY);
    return resolve(c, kWhite);
}

Pose runPose(int phase) {
    // Contact, passing, contact with the other leg, passing.
    Pose p;
    p.lean = 9;
    p.scarfFlutter = 1;
    p.scarfWave = phase * std::numbers::pi / 2;
    struct LegArm {
        double thigh, knee, toe, arm, elbow;
    };
    const LegArm front{30, 14, -6, -38, 60}, back{-34, 66, 18, 40, 70};
    const LegArm under{2, 20, 4, -6, 70}, tucked{38, 96, 10, 10, 75};
    LegArm n, f;
    switch (phase) {
        case 0:
            n = front;
            f = back;
            break;
        case 1:
            n = under;
            f = tucked;
            break;
        case 2:
            n = back;
            f = front;
            break;
        default:
            n = tucked;
            f = under;
            break;
    }
    p.nearThigh = n.thigh;
    p.nearKnee = n.knee;
    p.nearToe = n.toe;
    p.farThigh = f.thigh;
    p.farKnee = f.knee;
    p.farToe = f.toe;
    // Arms swing against the legs on the same side.
    p.nearArm = n.arm;
    p.nearElbow = n.elbow;
    p.farArm = f.arm;
    p.farElbow = f.elbow;
    return p;
}

}  // namespace

Image playerStand() {
    Pose p;
    p.nearThigh = 2;
    p.farThigh = -3;
    p.nearArm = 6;
    p.nearElbow = 20;
    p.farArm = -6;
    p.farElbow = 16;
    p.scarfFlutter = 0.1;
    return mirrored(drawPose(p, 60));
}

Image playerKick() {
    // Drawn facing right and mirrored: the raised shoe ends up left of the
    // middle column, where the shuttlecock is met.
    Pose p;
    p.lean = -10;
    p.farThigh = -6;
    p.farKnee = 6;
    p.nearThigh = 84;
    p.nearKnee = 26;
    p.nearToe = -18;
    p.nearArm = 70;
    p.nearElbow = 30;
    p.farArm = -60;
    p.farElbow = 20;
    p.scarfFlutter = 0.55;
    p.scarfWave = 1;
    p.wideEye = true;
    return mirrored(drawPose(p, 60));
}

Image playerRun(int phase, bool right) {
    Image im = drawPose(runPose(phase), 60);
    return right ? im : mirrored(im);
}

}  // namespace ag
