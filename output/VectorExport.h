#pragma once

// Exporting the picture as vectors for pen plotters: an SVG drawing or a one-page PDF.
//   File menu → openVectorExportDialog: the save dialog as a sheet on the main window, with the
//   suggested name and, below, VectorExportOptions (page, pen, simplification, fill, and what
//   the plot will cost) →
//   the user confirms → the options become VectorExportSettings and the composition a value →
//   exportVectorWithProgress writes it on a worker, with progress and Cancel, safely
//   (SafeWrite.h): the SVG (SvgExport.h) and the PDF (PdfExport.h) from the same plotted
//   drawing (PlotDrawing.h).
// Both draw what the window draws: every visible curve turned, first to last, within the point
// budget that the window draws it with (thinningNote tells which curves that cuts), no overlay,
// the grease from the checkbox; the composition's bounding circle is as wide as the
// drawing size, centred on the page, and every pen is the chosen width.

#include "art/Composition.h"
#include "output/ExportProgress.h"
#include "output/PlotOptions.h"

#include <QString>

class QFileDialog;
class QWidget;
struct ShownDesign;

enum class VectorFormat { Svg, Pdf };


struct VectorExportSettings {
    QString target;        // the file to write
    PlotOptions plot;      // the page, the pen, the simplification, the fill
    bool greaseIt = false; // the grease checkbox's, not the view's
    QString title;         // the document's title: the name of its file
    QString designText;    // the design as text, kept in the SVG's metadata
    // The SVG's solid fills hidden, as no pen draws them and plotting tools want them; a copy for
    // other programs shows them.
    bool hideUnplotted = true;
};

// What a user should know of a vector export of the composition shown: which curves it cuts
// short at the point budget, as the window draws them; empty when it draws every point.
QString thinningNote(const Composition& shown);

// The pen width that matches the design's on paper: one point of the view is 1/72 inch.
double penWidthInMillimetres(float designPenWidth);

// Why the settings cannot be exported, a sentence for each field that cannot (see
// optionRefusals), or an empty string when they can.
QString invalidSettingsReason(const VectorExportSettings& settings);

// Writes the composition shown (as the view holds it) in `format` to settings.target, on any
// thread. False, with the reason in `error`, when the settings are invalid or the file cannot be
// written; false when `control` cancels it. Either way the target is then unchanged.
bool exportVector(const Composition& shown, VectorFormat format, const VectorExportSettings& settings,
                  QString* error, const OutputControl& control = {});
// The same on a worker, with a progress dialog over `window` when it takes a while; the window
// goes on answering meanwhile. Cancelling it writes nothing and counts as no failure.
bool exportVectorWithProgress(QWidget* window, const Composition& shown, VectorFormat format,
                              const VectorExportSettings& settings, QString* error);

// A composition made ready for export (exportedComposition) as an SVG drawing at its natural
// size, a point of the view a point on paper, its page as large as its reach (fitExtent) and its
// pen the widest of its curves': what the clipboard offers a vector editor. Empty when cancelled.
QByteArray naturalSizeSvg(const Composition& design, const FitExtent& reach, const QString& designText,
                          const OutputControl& control = {});

// Opens the export dialog as a window-modal sheet on `window` and returns it at once. When the
// user confirms, reads the options as they stand then, remembers them for the next exports, in
// this run and the next, and exports the design; a failure is reported in a message. The
// document's title is the chosen file's name. The design's text goes into the SVG as it is.
QFileDialog* openVectorExportDialog(QWidget* window, const ShownDesign& design, VectorFormat format);
