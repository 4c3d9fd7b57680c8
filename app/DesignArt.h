#pragma once

// What the art view draws of a design: each curve's values as the controls would hand them to
// the view (drawNow), and the composition of all of them. The selected curve is the exception:
// its art is the view's own, since the controls may have changed an option of it alone.

#include "app/Design.h"
#include "art/Composition.h"

// The most revolutions worth drawing for an anchor and runner radius: fewer for large ratios,
// at least 1, and 1 when the ratio is not a positive number.
float revolutionLimit(float anchorRadius, float runnerRadius);

// The nested wheels as the art holds them: each radius as its field reads it, negative inside.
NestedWheels nestedWheelsOf(const QList<NestedWheelDesign>& wheels);

// The art of a curve entered through the controls: the numbers its fields read as, the runner
// on its side, the revolutions limited when it says so; whole, in screen mode, no overlay.
ArtParameters artOf(const CurveDesign& curve);

// Every curve of `curves` with its name, whether it shows and its turn, each drawn as artOf has
// it, but the `selected` one, which draws `selectedArt`.
Composition compositionOf(const QList<CurveDesign>& curves, int selected, const ArtParameters& selectedArt);

// What a design draws, as it was saved: every curve as artOf has it, on its background.
Composition compositionOf(const Design& design);
