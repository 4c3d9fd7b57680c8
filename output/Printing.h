#pragma once

// Printing: the composition shown, handed on as a value and drawn curve by curve by the one
// drawing routine on one page, the whole of it centred in the paper less its margins and shrunk
// to fit it, never enlarged. A printer that prints to a PDF file writes it as every file is
// written, whole or not at all (SafeWrite.h).
//   print dialog confirmed → printWithProgress: printArt on a worker, with progress and Cancel,
//   the window answering meanwhile → false with the reason when nothing was printed.

#include "art/Composition.h"
#include "output/ExportProgress.h"

#include <QString>

class QPrinter;
class QWidget;

// The design that printing draws of the one shown: the wheels, pen, colours, revolutions,
// closing, fill and grease. What belongs to the screen stays behind: no overlay, the whole curve;
// fitted into the printable area and never enlarged.
ArtParameters printedDesign(const ArtParameters& shown);
// The same made of every curve of a composition.
Composition printedComposition(const Composition& shown);

// Prints the composition shown on one page of `printer`, with its page layout, resolution and
// colour mode as they stand, on any thread while nothing else uses the printer: the visible
// curves first to last, each turned, the whole fitted. False, with nothing printed and no file
// changed, when the printer cannot be started, the file cannot be written (the reason in
// `error`), or `control` cancels it.
bool printArt(const Composition& shown, QPrinter& printer, QString* error, const OutputControl& control = {});

// The same on a worker, with a progress dialog over `window` when it takes a while. Cancelling it
// prints nothing and counts as no failure.
bool printWithProgress(QWidget* window, const Composition& shown, QPrinter& printer, QString* error);
