#pragma once

// A picture made of many curves: an ordered list of designs, drawn first to last, so that a
// later curve lies over an earlier one. Each curve has a name, may be hidden, and may be turned
// about the anchor's centre, which all curves share. A composition of one curve, shown and not
// turned, is that design and draws exactly as it.

#include "art/ArtParameters.h"
#include "art/CurveCopies.h"

#include <QColor>
#include <QString>
#include <QTransform>

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

struct ComposedCurve {
    ArtParameters art;
    QString name;
    bool visible = true;
    double turn = 0;   // degrees, counter-clockwise as curve space has it (y up)
    CurveCopies copies;   // drawn as laidOutCopies lays them out
    double scale = 1;     // a copy's size, as a factor of the curve's own

    // From this curve's own curve space into the composition's: scaled and turned about the
    // centre.
    QTransform turning() const;

    bool operator==(const ComposedCurve& other) const
    {
        // By its bits, as the design's numbers compare.
        return art == other.art && name == other.name && visible == other.visible
            && std::memcmp(&turn, &other.turn, sizeof turn) == 0 && copies == other.copies
            && std::memcmp(&scale, &other.scale, sizeof scale) == 0;
    }
    bool operator!=(const ComposedCurve& other) const { return !(*this == other); }
};

struct Composition {
    static constexpr std::size_t kMaximumCurves = 64;

    Composition(std::vector<ComposedCurve> drawn = {}, const QColor& under = QColor())
        : curves(std::move(drawn)), background(under)
    {
    }

    std::vector<ComposedCurve> curves;
    // What lies under every curve; invalid: nothing, the picture stays transparent.
    QColor background;

    bool operator==(const Composition& other) const
    {
        return curves == other.curves && background == other.background;
    }
    bool operator!=(const Composition& other) const { return !(*this == other); }
};

// How far from the centre the visible curves reach: the largest of their bounding radii, each
// grown by its largest copy. A turn moves a curve round the centre and leaves its reach as it
// was. 0 when none shows.
float boundingRadius(const Composition& composition);

// What a fit of the whole composition must hold: its bounding radius and its widest pen. The
// one account of a composition's reach that the window, the exports and printing fit by.
FitExtent fitExtent(const Composition& composition);

// The widest pen of the visible curves, in view units; 0 when none shows.
float widestPen(const Composition& composition);

// Whether any curve shows.
bool hasVisibleCurve(const Composition& composition);

// The composition with each precise curve (and each of nested wheels) traced as finely as an
// output needs: no chord straying more than `chordError` curve units from the curve. An output
// gives what a quarter of its pixel, or 0.01 mm of its paper, is in curve units; the screen
// keeps its own steps.
Composition tracedFiner(const Composition& composition, double chordError);
