#pragma once

// The picture as an SVG drawing for pen plotters and vector editors: millimetres throughout, the
// visible curves in painting order, each its fill layer (when filled) under its own pens' layers,
// every colour stretch one stroked path, and the design's text in the metadata. Each curve's
// points are written turned, as they lie on the page: a plotter takes them as they are.
// A picture of one curve numbers its pens by their place in the design and its fill 0 ("0 fill",
// "1 pen #ff0000"); a picture of several numbers every layer in painting order from 1 and names
// its curve ("1 fill Curve 1", "2 pen #ff0000 Curve 1", "3 pen #0066cc Curve 2").

#include "art/Composition.h"
#include "output/ExportProgress.h"

class QIODevice;
struct VectorExportSettings;

// Writes `design` (an export's: see exportedComposition) as an SVG document to `device`, a large
// chunk at a time, on any thread. False when the device refuses a write, or when `control`
// cancels it.
bool writeSvg(QIODevice& device, const Composition& design, const VectorExportSettings& settings,
              const OutputControl& control = {});
