#pragma once

// Wide lines and fills drawn straight into an image of premultiplied ARGB, antialiased, by AGG's
// scanline rasteriser. Qt's rasteriser goes over every edge of an outline again for each of its
// own bands of rows, so a long wide line or a long outline costs it several times what it costs
// here; thin lines it draws faster, and they stay with it.
//
// Lines are stroked as every line of a design is: butt ends, mitred joins that turn to bevels
// past a mitre of kMiterLimit widths. Coordinates are a painter's on the image, scaled by the
// image's device pixel ratio into pixels: pixel (i, j) covers [i, i + 1) × [j, j + 1), its centre
// at (i + 0.5, j + 0.5), as for Qt's antialiased painter. Points that are not finite are left out,
// and points beyond a few million pixels are held there, which bends the lines that reach so far:
// cut those down first, as PathClipping does.

#include <QColor>
#include <QImage>
#include <QPointF>

#include <climits>
#include <cstddef>
#include <memory>

// Rows [first, end) of an image's pixels: all that a drawing may touch.
struct ImageRows {
    int first = 0;
    int end = INT_MAX;
};

// Consecutive points of a line.
struct PointRun {
    const QPointF* points = nullptr;
    std::size_t count = 0;
};

// Draws into the rows of one image, one shape at a time, each laid on as a whole: where a shape
// overlaps itself it is not laid on twice. It keeps its working memory from one shape to the
// next. Threads may draw into different rows of one image, each with a rasteriser of its own.
class ImageRasteriser
{
public:
    ImageRasteriser(QImage& image, ImageRows rows);
    ~ImageRasteriser();
    ImageRasteriser(const ImageRasteriser&) = delete;
    ImageRasteriser& operator=(const ImageRasteriser&) = delete;

    // Whether it draws into such an image at all: one of premultiplied ARGB.
    static bool drawsInto(const QImage& image);

    // Strokes `lines` together as one outline, `width` wide (in the painter's coordinates; 0 or
    // less: one pixel). With `firstSegmentDrawn`, the first segment of the first line is on the
    // image already, as the last of the piece before: only its join with the next is added, and
    // the two pixels of the segment next to it, so that no seam shows where the pieces meet.
    void stroke(const QColor& colour, const PointRun* lines, std::size_t lineCount, qreal width,
                bool firstSegmentDrawn = false);

    // Fills the outline of `count` points (closed: the last joins the first) by the non-zero
    // winding rule. One whose rows are crossed by thousands of its edges is filled in pieces,
    // each within the rasteriser's integer range, and their union laid on as one shape.
    void fill(const QColor& colour, const QPointF* points, std::size_t count);

private:
    struct Work;
    std::unique_ptr<Work> m_work;
};

// One line stroked into rows of an image, as ImageRasteriser::stroke does.
void strokeIntoImage(QImage& image, const QColor& colour, const QPointF* points, std::size_t count, qreal width,
                     ImageRows rows = {});

// One outline filled into rows of an image, as ImageRasteriser::fill does.
void fillIntoImage(QImage& image, const QColor& colour, const QPointF* points, std::size_t count,
                   ImageRows rows = {});
