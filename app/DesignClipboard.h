#pragma once

// The design on the clipboard: copied as the PNG export's image, transparent, at the size the
// export suggests, together with the design's text, which the image carries too; pasted from that
// text, or from an image that carries one.

#include <QByteArray>
#include <optional>

#include "app/Design.h"

class QWidget;
class Rotagraph;

void copyDesign(const Rotagraph& art, bool greaseIt, const QByteArray& designText);

// The design the clipboard holds. When it holds none, says so in a message over `window`.
std::optional<Design> pasteDesign(QWidget* window);
