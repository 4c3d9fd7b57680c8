#pragma once

// The design as one PDF page of vector paths, drawn by the view's own drawing: the same pens,
// fill and joins as on screen, the drawing's square centred on a page a margin larger.

#include <QString>

class QIODevice;
class Rotagraph;
struct VectorExportSettings;

// Writes the design that `design` holds (a private export view: the whole curve, no overlay) as
// a PDF to `device`; the view's frame and pen width are set here. False, with the reason in
// `error`, when the document cannot be made.
bool writePdf(QIODevice& device, Rotagraph& design, const VectorExportSettings& settings, QString* error);
