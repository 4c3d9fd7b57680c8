#pragma once

// The picture as one PDF page of vector paths: the plotted drawing (PlotDrawing.h) on a page of
// exactly the size chosen, one layer for each of the SVG's layers, with the same labels
// (PdfWriter.h); a gradient's steps and a translucent ink's pieces are stroked one by one, as in
// the SVG. A printed page goes through Qt's PDF writer (writePdfPage): every byte of it
// goes through a checked write, since that writer does not look at what the writes to its
// device return, and would call a cut-off file finished.

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

// Writes `design` (an export's: see exportedComposition) as a PDF to `device`, on any thread, with
// the plot options of `settings`. False, with the reason in `error`, when the document cannot be made or
// written; false without one when `control` cancels it.
bool writePdf(QIODevice& device, const Composition& design, const VectorExportSettings& settings, QString* error,
              const OutputControl& control = {});
