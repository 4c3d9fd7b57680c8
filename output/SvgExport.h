#pragma once

// The design as an SVG drawing for pen plotters and vector editors: millimetres throughout, one
// layer per pen in painting order (the fill, when on, on a layer 0 below them), every colour
// stretch one stroked path, and the design's text in the metadata.

#include "art/DesignPainter.h"

class QIODevice;
struct VectorExportSettings;

// Writes `design` (an export's: see exportedDesign) as an SVG document to `device`, a large chunk
// at a time, on any thread. False when the device refuses a write, or when `control` cancels it.
bool writeSvg(QIODevice& device, const ArtParameters& design, const VectorExportSettings& settings,
              const DrawingControl& control = {});
