#pragma once

// The design as an SVG drawing for pen plotters and vector editors: millimetres throughout, one
// layer per pen in painting order (the fill, when on, on a layer 0 below them), every colour
// stretch one stroked path, and the design's text in the metadata.

class QIODevice;
class Rotagraph;
struct VectorExportSettings;

// Writes the design that `design` holds (a private export view: the whole curve, no overlay) as
// an SVG document to `device`, a large chunk at a time. False when the device refuses a write.
bool writeSvg(QIODevice& device, const Rotagraph& design, const VectorExportSettings& settings);
