#pragma once

// Printing: a private art view in print mode, made from the on-screen view's design and painted
// on one page, centred in the paper less its margins and shrunk to fit it, never enlarged.

#include <memory>

class QPrinter;
class Rotagraph;

// A print-mode view holding the source's design: the wheels, pen, colours, revolutions, closing,
// fill and grease. What belongs to the screen stays behind: the view keeps the overlays off,
// draws the whole curve (percentToDraw 100) and is never enlarged (allowScaleUp off).
std::unique_ptr<Rotagraph> makePrintView(const Rotagraph& source);

// Prints the source's design on one page of `printer`, using its page layout as it stands.
// False, with nothing printed, when the printer cannot be opened for painting.
bool printArt(const Rotagraph& source, QPrinter& printer);
