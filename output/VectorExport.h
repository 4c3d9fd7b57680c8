#pragma once

// Exporting the picture as vectors for pen plotters: an SVG drawing or a one-page PDF.
//   File menu → openVectorExportDialog: the save dialog as a sheet on the main window, with the
//   suggested name and, below, VectorExportOptions (size, margin, pen width, simplification) →
//   the user confirms → the options become VectorExportSettings and the composition a value →
//   exportVectorWithProgress writes it on a worker, with progress and Cancel, safely
//   (SafeWrite.h): the SVG from the traced curves (SvgExport.h), the PDF through the one drawing
//   routine (PdfExport.h).
// Both draw exactly what the PNG export draws: every visible curve whole and turned, first to
// last, no overlay, the grease from the checkbox, the whole composition fitted into the drawing
// size by the same rule; pen widths are the chosen width.

#include "art/Composition.h"
#include "output/ExportProgress.h"

#include <QString>

class QCheckBox;
class QFileDialog;
class QWidget;
class Rotagraph;

enum class VectorFormat { Svg, Pdf };

constexpr double kMillimetresPerInch = 25.4;
constexpr double kPointsPerInch = 72;
constexpr double kMillimetresPerPoint = kMillimetresPerInch / kPointsPerInch;

struct VectorExportSettings {
    QString target;                      // the file to write
    double sizeMm = 200;                 // the side of the square the design is fitted into
    double marginMm = 10;                // around it on every side: the page is size + 2 margins
    double penWidthMm = 0.35;            // every pen's stroke width on paper
    double simplifyToleranceMm = 0.05;   // SVG: points closer than this to the last one kept are left out; 0 keeps all
    bool greaseIt = false;               // from the wheelGrease checkbox, not from the view
    QString title;                       // the document's title: the name of its file
    QString designText;                  // the design as text, kept in the SVG's metadata
};

// The pen width that matches the design's on paper: one point of the view is 1/72 inch.
double penWidthInMillimetres(float designPenWidth);

// Why the settings cannot be exported (a size or width that is not a positive number, say), or
// an empty string when they can.
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

// Opens the export dialog as a window-modal sheet on `window` and returns it at once (null
// without an art view). When the user confirms, reads the composition from `artView`, the grease from
// `wheelGrease` and the options as they stand then, remembers the options for the next exports,
// in this run and the next, and exports; a failure is reported in a message. The document's
// title is the chosen file's name. `designText` goes into the SVG as it is.
QFileDialog* openVectorExportDialog(QWidget* window, Rotagraph* artView, QCheckBox* wheelGrease,
                                    VectorFormat format, QString designText);
