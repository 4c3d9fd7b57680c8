#pragma once

// Exporting the design as a square PNG with a transparent background.
//   save action → openPngExportDialog: a save dialog as a sheet on the main window, with the
//   suggested name and, below, SaveOptions2 with the edge and enlargement last chosen (or the
//   suggested edge) → the user confirms → the options become PngExportSettings and the design a
//   value → exportPng, on a worker with progress and Cancel, draws the design as an export does
//   into an image, encodes it with the design's text in a text chunk (DesignText.h) and writes it
//   safely (SafeWrite.h).
// The view on screen is only read; the controls are only read.

#include "art/DesignPainter.h"

#include <QImage>
#include <QString>

class QCheckBox;
class QFileDialog;
class QWidget;
class Rotagraph;

// The range of the image's edge, in pixels.
constexpr int kMinimumImageEdge = 16;
constexpr int kMaximumImageEdge = 5000;

// The edge the dialog proposes: the diameter of the design's bounding circle plus a margin.
int suggestedImageEdge(const Rotagraph& art);
// The edge that the size field's text asks for: its leading number, held within the range
// (text that is no number gives the smallest edge), rounded to a whole pixel.
int imageEdge(const QString& sizeText);

struct PngExportSettings {
    QString target;                  // the file to write
    int edge = kMinimumImageEdge;    // width and height in pixels, within the range
    bool enlarge = false;            // the art may grow beyond its natural size to fill the image
    bool greaseIt = false;           // from the wheelGrease checkbox, not from the view
    QString designText;              // the design as text, kept in the image; none when empty
};

// The design of the view as the export draws it (see exportedDesign): its parameters but
// neither its overlay nor its partial drawing, painted into a transparent square image.
QImage renderExportImage(const Rotagraph& art, int edge, bool enlarge, bool greaseIt);
// The same for a design already made an export's (see exportedDesign), on any thread: null when
// there is no memory for the image or the drawing was cancelled.
QImage renderExportDesign(const ArtParameters& design, int edge, const DrawingControl& control = {});
// Encodes an image as PNG in memory, so that a failure of the encoder and one of the disk each
// say what went wrong. Empty on failure, with the reason in `error`.
QByteArray encodePng(const QImage& image, QString* error);
// Renders, encodes and writes the design shown (as the view holds it) on a worker, with a
// progress dialog over `window` when it takes a while; the window goes on answering meanwhile.
// Cancelling it writes nothing and counts as no failure.
bool exportPng(QWidget* window, const ArtParameters& shown, const PngExportSettings& settings, QString* error);

// Opens the export dialog as a window-modal sheet on `window` and returns it at once. When the
// user confirms, reads the design from `artView`, the grease from `wheelGrease` and the options
// from the dialog as they stand then, remembers the options, and exports; a failure is reported
// in a message.
// `designText` goes into the image as it is.
QFileDialog* openPngExportDialog(QWidget* window, Rotagraph* artView, QCheckBox* wheelGrease, QString designText);
