#pragma once

// A line coloured along its length, plotted with pens: a plotter holds a few pens, not a colour
// for each step. Each step takes the pen nearest its colour in OKLab, where near looks near, and
// the steps of one pen that follow each other become one, so that each pen draws its stretches
// end to end, as long as the curve allows.

#include "art/CurveColouring.h"

#include <vector>

// The pens for `colouring`: with `count` 0, one for each distinct colour of its stops, in their
// order; otherwise `count` colours spread evenly over one run of the gradient, its ends included.
std::vector<QColor> gradientPens(const CurveColouring& colouring, int count);

// `steps` in `pens`: each step's colour the nearest pen's (its own alpha kept), the steps that
// follow each other in one pen joined. No pens: the steps as they are.
std::vector<ColourStep> stepsInPens(const std::vector<ColourStep>& steps, const std::vector<QColor>& pens);
