#pragma once

// A design to start from, drawn at random but pleasing: whole-number radii whose curve closes
// within a few dozen revolutions, the pen inside its runner, colours that go together, now and
// then a second colour or a fill. The same seed always gives the same design.

#include "app/Design.h"

#include <QtGlobal>

// The most revolutions a random design takes to close.
constexpr int kMostRandomRevolutions = 40;

CurveDesign randomCurve(quint32 seed);

// A whole design from the same range as the gallery: randomCurve's curve, often drawn as copies
// that never lie on one another, often in a gradient, now and then with a wheel rolling on its
// runner, a second curve within it and a background, each curve closing exactly.
Design randomDesign(quint32 seed);
