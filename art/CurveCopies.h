#pragma once

// A curve drawn as several copies of itself: each turned a step further about the anchor's
// centre than the one before, and optionally each scaled by a factor and its colours shifted
// round the hue circle by a step. The copies are laid out into the composition as drawn, one
// curve each, so that every output draws them as it draws any curve.

#include <QColor>

#include <cmath>
#include <cstring>

struct Composition;
struct ComposedCurve;
struct ArtParameters;

struct CurveCopies {
    static constexpr int kMost = 360;

    int count = 1;            // 1 to kMost; 1: the curve alone
    double turn = NAN;        // degrees from one copy to the next; NaN: a full turn shared out
    double scale = 1;         // each copy this many times the size of the one before
    double hueStep = 0;       // degrees round the hue circle from one copy's colours to the next's

    // The turn from one copy to the next, in degrees.
    double step() const { return std::isfinite(turn) ? turn : 360.0 / count; }
    bool operator==(const CurveCopies& other) const
    {
        const auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
        return count == other.count && same(turn, other.turn) && same(scale, other.scale) && same(hueStep, other.hueStep);
    }
    bool operator!=(const CurveCopies& other) const { return !(*this == other); }
};

// A colour turned `degrees` round the hue circle, its lightness, saturation and alpha kept; a
// grey stays grey, and an invalid colour stays invalid.
QColor hueShifted(const QColor& colour, double degrees);

// The k-th copy's art (from 0): every colour of the curve shifted by k hue steps.
ArtParameters copyArt(const ArtParameters& art, const CurveCopies& copies, int k);

// The largest size of any copy, as a factor of the curve's own: what its reach grows by.
double largestCopyScale(const CurveCopies& copies);

// The k-th copy (from 0) of a curve as a curve of its own, of one copy: its art's colours
// shifted, turned and scaled in its place. Only the first keeps the wheels.
ComposedCurve copyOf(const ComposedCurve& curve, int k);
// How many copies a curve is drawn as.
int copyCount(const ComposedCurve& curve);

// The composition with every curve's copies laid out as curves of their own, in order, each
// turned and scaled in its place; a curve of one copy stays as it is. Only the first copy of a
// curve shows the wheels.
Composition laidOutCopies(const Composition& composition);

// The smallest turn that maps a curve onto itself, in degrees: 360 / the number of its lobes, or
// 360 when it has no such symmetry that can be told (nested wheels, a curve that does not close).
double symmetryDegrees(const ArtParameters& art);

// How many of a curve's copies lie exactly on an earlier one, for a curve whose shape repeats
// each `symmetryDegrees` (360 when it does not): copies whose turns differ by a whole number of
// symmetries are drawn on top of each other. 0 when scaled, since no two copies are alike.
int coincidingCopies(const CurveCopies& copies, double symmetryDegrees);
