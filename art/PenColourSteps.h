#pragma once

// The colour steps of a design's pen line, as every drawing of it colours them: the screen, the
// slow drawing's frames, images, pages and the vector exports.

#include "art/ArtParameters.h"
#include "art/CurveColouring.h"
#include "art/CurveTrace.h"

#include <cstddef>
#include <vector>

// The steps of the pen line of a design traced with `traced`, whose line holds `linePoints`
// points. A partial curve, as a slow drawing shows it, takes the steps of the whole one as far
// as it goes, so that each point has the colour the finished picture gives it. The colours are
// inked with the design's opacity. None in Stretches mode.
std::vector<ColourStep> penColourSteps(const ArtParameters& art, const CurveParameters& traced, std::size_t linePoints);
