#pragma once

// A picture painted by several threads at once, each into its own rows: the fill and then the
// pens of one design. Every thread paints the whole picture's memory through a painter of its
// own, clipped to its rows, so that a line that crosses into another band is drawn as one
// painter over the whole picture draws it (a picture cut into smaller images would cut such
// lines where they leave it, a shade differently).

#include "art/DrawingGeometry.h"
#include "art/PenStrokes.h"

#include <QColor>

#include <vector>

class QImage;
class StrokeProgress;
struct DrawingControl;

// What each band of the picture gets: the fill, then the pens.
struct BandWork {
    const QColor* fillColor = nullptr;   // none: no fill
    PointSpan outline;
    PointSpan pictureOutline;   // the outline cut down to what winds round the picture
    const std::vector<PenStroke>* pens = nullptr;
    float penWidth = 0;
};

// Paints the work into `image` on `bands` threads (this one among them), each into its own rows;
// fewer when the image has fewer rows. False when the drawing was cancelled part way.
bool paintInBands(QImage& image, const BandWork& work, int bands, const DrawingControl& control,
                  StrokeProgress* progress);
