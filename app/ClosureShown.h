#pragma once

// When the design the window shows closes on itself: what the status line tells and Close the
// Design Exactly sets. Wheels of whole teeth close as their counts do: their radii, multiples of
// 1/2π, are no decimals to count with.

#include "app/WindowControls.h"
#include "art/GearTeeth.h"

#include <optional>

struct ArtParameters;

// As many revolutions as the stepper goes to: the most that a design is looked at closing within.
int mostRevolutions(const WindowControls& controls);

// After how many revolutions the selected curve, drawn as `art`, closes on itself, within
// mostRevolutions.
std::optional<int> revolutionsToClose(const WindowControls& controls, const ArtParameters& art);

// The petals and turns of a curve given by whole teeth, when it has petals to count: two wheels,
// not greased, the pen away from the runner's centre.
std::optional<ToothClosure> toothClosureShown(const WindowControls& controls, const ArtParameters& art);
