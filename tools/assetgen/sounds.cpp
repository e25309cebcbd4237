// The two sound effects, synthesised: a soft knock for the kick and a short
// buzzing chirp for a struck dragonfly. Both stay well below full scale.
#include <cmath>
#include <numbers>

#include "art.h"

namespace ag {

namespace {

constexpr double kTau = 2 * std::numbers::pi;

std::vector<int16_t> toPcm(const std::vector<double>& v, double peak) {
    double m = 1e-9;
    for (double s : v) m = std::max(m, std::abs(s));
    std::vector<int16_t> out;
    out.reserve(v.size());
    for (double s : v) out.push_back(static_cast<int16_t>(std::lround(s / m * peak * 32767.0)));
    return out;
}

}  // namespace

std::vector<int16_t> kickSound(int rate) {
    // A foot meeting a feathered weight: a low thump falling in pitch, a
    // hollow body tone and a brief padded click, all gone within 0.16 s.
    const int n = rate * 16 / 100;
    std::vector<double> v(n);
    Rand r(5);
    double phase = 0, lp = 0;
    for (int i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double f = 90 + 130 * std::exp(-t * 40);
        phase += kTau * f / rate;
        double attack = std::min(1.0, t / 0.002);
        double thump = std::sin(phase) * std::exp(-t * 32);
        double body = 0.35 * std::sin(kTau * 340 * t) * std::exp(-t * 60);
        lp += 0.25 * (r.range(-1, 1) - lp);  // softened noise
        double click = 0.6 * lp * std::exp(-t * 260);
        v[i] = attack * (thump + body + click);
    }
    return toPcm(v, 0.7);
}

std::vector<int16_t> dragonflySound(int rate) {
    // Wings buzzing at about 90 beats a second over a chirp that rises and
    // falls, 0.3 s in all, fading in and out so it never clicks.
    const int n = rate * 30 / 100;
    std::vector<double> v(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double u = t / 0.3;
        double f = 1500 + 1300 * std::sin(std::numbers::pi * u) - 500 * u;
        phase += kTau * f / rate;
        double buzz = 0.55 + 0.45 * std::sin(kTau * 90 * t);
        double tone = std::sin(phase) + 0.3 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase);
        double env = std::min(1.0, t / 0.01) * std::pow(1.0 - u, 1.5);
        v[i] = tone * buzz * env;
    }
    return toPcm(v, 0.6);
}

}  // namespace ag
