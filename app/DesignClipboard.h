#pragma once

// The design on the clipboard: copied as the PNG export's image of the whole composition,
// transparent, at the size the export suggests, together with the design's text, which the image
// carries too; pasted from that text, or from an image that carries one.

#include <QByteArray>
#include <optional>

#include "app/Design.h"
#include "output/ExportDialog.h"

class QWidget;

// Draws the image on a worker, with a progress dialog over `window` when it takes a while, and
// puts it on the clipboard with the design's text. Cancelled, it leaves the clipboard as it was.
void copyDesign(QWidget* window, const ShownDesign& design);

// The design the clipboard holds. When it holds none, says so in a message over `window`.
std::optional<Design> pasteDesign(QWidget* window);
