#pragma once

// Exporting the picture as a square PNG with a transparent background.
//   save action → openPngExportDialog: a save dialog as a sheet on the main window, with the
//   suggested name and, below, SaveOptions2 with the edge and enlargement last chosen (or the
//   suggested edge) → the user confirms → the options become PngExportSettings and the
//   composition a value → exportPng, on a worker with progress and Cancel, draws every visible
//   curve as an export does into one image, the whole composition fitted, encodes it with the
//   design's text in a text chunk (DesignText.h) and writes it safely (SafeWrite.h).
// The design comes as a value (ShownDesign): nothing here reads the view or the controls.

#include "art/Composition.h"
#include "output/ExportProgress.h"
#include "output/PngEncoding.h"

#include <QImage>
#include <QString>

class QFileDialog;
class QWidget;
struct ShownDesign;

// The range of the image's edge, in pixels.
constexpr int kMinimumImageEdge = 16;
constexpr int kMaximumImageEdge = 5000;

// The edge the dialog proposes: the diameter of the circle the visible curves reach plus a margin.
int suggestedImageEdge(const FitExtent& reach);
// The edge that the size field's text asks for: its leading number, held within the range
// (text that is no number gives the smallest edge), rounded to a whole pixel.
int imageEdge(const QString& sizeText);

// The densities a user may ask for, in dots per inch.
constexpr int kMostPngDotsPerInch = 10000;

// Defaults as the window's dialog starts and the command line takes them.
struct PngExportSettings {
    QString target;                  // the file to write
    int edge = kMinimumImageEdge;    // width and height in pixels, within the range
    bool enlarge = true;             // the art may grow beyond its natural size to fill the image
    bool greaseIt = false;           // the grease checkbox's, not the view's
    QString designText;              // the design as text, kept in the image; none when empty
    // The density the image tells printers and editors; 0: the one at which it prints the
    // design at its natural size, a unit of the design a point, as SVG, PDF and the clipboard do.
    double dotsPerInch = 0;
};

// The density at which an image `edge` pixels wide, the design of this reach fitted into it
// (enlarged when `enlarge`), prints the design at its natural size: a unit of the design a point.
double naturalDotsPerInch(const FitExtent& reach, int edge, bool enlarge);
// The printed width in millimetres of `edge` pixels at this density.
double printedMillimetres(int edge, double dotsPerInch);

// The composition shown as the export draws it (see exportedComposition): each visible curve
// without its overlay or partial drawing, turned, first to last, the whole fitted into a
// transparent square image. On any thread: null when there is no memory for the image or the
// drawing was cancelled.
QImage renderExportImage(const Composition& shown, int edge, bool enlarge, bool greaseIt,
                         const OutputControl& control = {});
// The same of a composition made ready for export already (exportedComposition), fitted by its
// reach (fitExtent): for whoever draws one design into more than one output.
QImage drawExportImage(const Composition& design, const FitExtent& reach, int edge, bool enlarge,
                       const OutputControl& control = {});
// Encodes an image as PNG in memory, with its texts and a density of `dotsPerInch`, so that a
// failure of the encoder and one of the disk each say what went wrong. Empty on failure, with
// the reason in `error`.
QByteArray encodePng(const QImage& image, QString* error, double dotsPerInch = kDefaultPngDotsPerInch);
// Renders, encodes and writes the composition shown to settings.target, on the calling thread,
// any thread. False, with the reason in `error`, when it could not; false when `control` cancels
// it, `error` left as it was. Either way the target is then unchanged.
bool writePngExport(const Composition& shown, const PngExportSettings& settings, QString* error,
                    const OutputControl& control = {});

// Renders, encodes and writes the composition shown (as the view holds it) on a worker, with a
// progress dialog over `window` when it takes a while; the window goes on answering meanwhile.
// Cancelling it writes nothing and counts as no failure.
bool exportPng(QWidget* window, const Composition& shown, const PngExportSettings& settings, QString* error);

// Opens the export dialog as a window-modal sheet on `window` and returns it at once. When the
// user confirms, reads the options from the dialog as they stand then, remembers them, and
// exports the design; a failure is reported in a message. The design's text goes into the image
// as it is.
QFileDialog* openPngExportDialog(QWidget* window, const ShownDesign& design);
