#pragma once

// The toy kit's catalogue: the rings and wheels that can be chosen by name, read from a JSON file
// shipped with the program (resources/gear-kit.json). A ring has teeth on both sides: rolled on
// from inside, it is its inner count; from outside, its outer one. A wheel has numbered holes for
// the pen, hole 1 nearest its edge. Hole distances are in tooth pitches, so that they scale with
// the wheels when the pitch changes.

#include "art/GearTeeth.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

struct KitRing {
    QString name;
    int innerTeeth = 0;
    int outerTeeth = 0;

    // The teeth a wheel rolls on: the inner ones from inside, the outer ones from outside.
    int teethFacing(bool fromInside) const { return fromInside ? innerTeeth : outerTeeth; }
};

struct KitWheel {
    int teeth = 0;
    double firstHoleFromEdge = 0;   // tooth pitches from the edge to hole 1
    double holeSpacing = 0;         // tooth pitches from one hole to the next, inwards
    int holes = 0;
};

struct GearKit {
    std::vector<KitRing> rings;
    std::vector<KitWheel> wheels;
};

struct GearKitReading {
    std::optional<GearKit> kit;
    QString error;   // why there is none, in a user's words
};

// A kit from its JSON. Every count must be a tooth count, every wheel's holes must lie inside it.
GearKitReading readGearKit(const QByteArray& json);
GearKitReading loadGearKit(const QString& path);

// How far hole `hole` (from 1) of `wheel` lies from its centre, at `pitch`; none for a hole the
// wheel does not have.
std::optional<double> holeRadius(const KitWheel& wheel, int hole, double pitch);

// The hole of `wheel` nearest `radius` from its centre, at `pitch`; none for a wheel without holes.
std::optional<int> nearestHole(const KitWheel& wheel, double radius, double pitch);
