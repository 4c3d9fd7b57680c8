#pragma once

// The picture as one PDF page of vector paths, drawn curve by curve by the one drawing routine:
// the same pens, fill and joins as on screen, each curve's fill under its own pens and over the
// curves before, the drawing's square centred on a page a margin larger. Every
// byte of a PDF goes through a checked write: Qt's PDF writer does not look at what the writes
// to its device return, and would call a cut-off file finished.

#include "art/Composition.h"
#include "output/ExportProgress.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QString>

#include <functional>

class QIODevice;
class QPainter;
struct VectorExportSettings;

// What a one-page PDF is made with, besides its drawing.
struct PdfPage {
    QPageLayout layout;       // the paper, its margins, and whether the drawing may use all of it
    int resolution = 1200;    // the painter's units per inch
    QString title;
    QString creator;
    QPagedPaintDevice::PdfVersion version = QPagedPaintDevice::PdfVersion_1_4;
};

// Writes a one-page PDF to `device`, on any thread. `paint` draws the page with a painter whose
// origin is the top left corner of the layout's paint rectangle, in units of the resolution, and
// returns false when it stopped part way. False when it stopped, when the document cannot be
// made, or when a write to `device` fails, with the reason in `error` for the last two.
bool writePdfPage(QIODevice& device, const PdfPage& page, const std::function<bool(QPainter&)>& paint, QString* error);

// Writes `design` (an export's: see exportedComposition) as a PDF to `device`, on any thread: its
// visible curves first to last, each turned, the whole fitted into the drawing's square with the
// pen width of `settings`. False, with the reason in `error`, when the document cannot be made or
// written; false without one when `control` cancels it.
bool writePdf(QIODevice& device, const Composition& design, const VectorExportSettings& settings, QString* error,
              const OutputControl& control = {});
