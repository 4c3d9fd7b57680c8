#pragma once

// Printing: a private art view in print mode, made from the on-screen view's design and painted
// on one page, centred in the paper less its margins and shrunk to fit it, never enlarged.

#include <memory>

class QPainter;
class QPrinter;
class Rotagraph;

// Paints the view's drawing onto `painter` as vector paths, one view unit to one unit of the
// painter's coordinates as they stand. Printing and the PDF export go through it: a widget
// rendered straight onto a printer or a PDF goes through a bitmap.
void paintAsVectors(Rotagraph& view, QPainter& painter);

// A print-mode view holding the source's design: the wheels, pen, colours, revolutions, closing,
// fill and grease. What belongs to the screen stays behind: the view keeps the overlays off,
// draws the whole curve (percentToDraw 100) and is never enlarged (allowScaleUp off).
std::unique_ptr<Rotagraph> makePrintView(const Rotagraph& source);

// Prints the source's design on one page of `printer`, using its page layout as it stands.
// False, with nothing printed, when the printer cannot be opened for painting.
bool printArt(const Rotagraph& source, QPrinter& printer);
