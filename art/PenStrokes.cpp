#include "art/PenStrokes.h"

#include "art/DrawingProgress.h"
#include "art/ImageRasteriser.h"
#include "art/UpperVectorState.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// Wide antialiased pens are stroked in runs of this many segments. Qt's rasteriser renders an
// outline in bands of rows and goes over every edge of the outline again for each band, so one
// outline for the whole curve costs several times more than short pieces of it. Measured at
// 1000 by 1000, width 3: 16 segments are best for long segments (1260 points: 2.7 ms, 32: 2.8,
// 64: 3.2, whole: 16 ms), 32 for short ones (375,000 points: 16: 210 ms, 32: 180, 64: 210).
constexpr std::size_t kStrokeRunLength = 32;
// AGG's rasteriser, which strokes wide pens into images, pays a little for every run it lays on
// and nothing for a long one: its runs are longer.
constexpr std::size_t kRasterRunLength = 256;
// How many runs go by between looks at whether the drawing is still wanted: a few thousand
// points, a few milliseconds at most.
constexpr std::size_t kRunsBetweenChecks = 64;
// Thin lines are drawn in pieces of this many segments, the drawing's chance to stop between.
constexpr std::size_t kThinPieceLength = 4096;

// Thin pens take the fast path of the rasteriser, and a translucent pen must be one outline or
// its overlaps would darken: both are stroked whole, wide opaque pens in runs.
bool isStrokedInRuns(const QColor& color, float width)
{
    return penWidthOf(width) > 1 && color.alpha() == 255;
}

// How a line is cut into pieces drawn on their own.
enum class Pieces {
    Thin,   // long pieces: the rasteriser draws a thin line segment by segment anyway
    Runs,   // short runs, each starting one segment back, so that every join is drawn
    Ink,    // short runs that meet end to end, so that no part of the line is drawn twice
};

// Strokes one stretch of a line in pieces drawn on their own, leaving out those that cannot
// reach what the target paints. Thin lines are drawn segment by segment, so pieces that share
// their end points come out as the whole line does. Wide ones and ink are cut in runs that end
// at every kStrokeRunLength-th point of the whole line, so that a line stroked piece by piece,
// as a growing curve is, is cut where the whole line would be; each run of a wide opaque line
// starts one segment back, so that every join of the whole line is still drawn. False when the
// drawing was cancelled.
bool strokeInPieces(const StrokeTarget& target, const QColor& color, const Stretch& stretch, Pieces cut,
                    qreal penWidth, const DrawingControl& control, StrokeProgress* progress)
{
    QPainter& painter = *target.painter;
    // Thin lines, ink too, stay with the painter, which draws them sooner.
    ImageRasteriser* raster = penWidth > 1 ? target.raster : nullptr;
    const QRectF reached = reachedBy(target.shown, penWidth);
    // A device of no size worth trusting (a pixmap, say) shows everything: the far edges of its
    // unbounded rectangle are not numbers to compare with.
    const bool showsAll = !std::isfinite(reached.width()) || !std::isfinite(reached.height());
    std::vector<QPointF> buffer;
    const auto drawIfShown = [&](const QPointF* piece, std::size_t count, bool firstSegmentDrawn) {
        const auto [left, right] = std::minmax_element(piece, piece + count,
            [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
        const auto [top, bottom] = std::minmax_element(piece, piece + count,
            [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
        if (showsAll || (right->x() >= reached.left() && left->x() <= reached.right() && bottom->y() >= reached.top()
                         && top->y() <= reached.bottom())) {
            clearUpperVectorState();
            if (raster) {
                const PointRun run{piece, count};
                raster->stroke(color, &run, 1, penWidth, firstSegmentDrawn);
            } else {
                painter.drawPolyline(piece, static_cast<int>(count));
            }
        }
    };
    const bool wide = cut != Pieces::Thin;
    const std::size_t pieceLength = !wide ? kThinPieceLength : raster ? kRasterRunLength : kStrokeRunLength;
    const std::size_t piecesBetweenChecks = wide ? kRunsBetweenChecks : 1;
    const std::size_t count = stretch.points.count;
    std::size_t pieces = 0;
    clearUpperVectorState();
    for (std::size_t first = 0; first + 1 < count;) {
        const std::size_t toPieceEnd = wide ? pieceLength - (stretch.offset + first) % pieceLength : pieceLength;
        const std::size_t begin = cut == Pieces::Runs && first != 0 ? first - 1 : first;
        const std::size_t end = std::min(count, first + toPieceEnd + 1);
        // The rasteriser takes the segment before a run as drawn: it adds its join, and goes
        // back over only the end of it.
        drawIfShown(stretch.points.points(begin, end - begin, buffer), end - begin, begin != first);
        if (++pieces % piecesBetweenChecks == 0) {
            if (progress)
                progress->add(piecesBetweenChecks * pieceLength);
            if (isCancelled(control))
                return false;
        }
        first = end - 1;
    }
    return !isCancelled(control);
}

// Strokes a pen's line. False when the drawing was cancelled part way.
bool strokePen(const StrokeTarget& target, const PenStroke& pen, float width, const DrawingControl& control,
               StrokeProgress* progress)
{
    if (!pen.color.isValid() || pen.stretches.empty())
        return true;
    QPainter& painter = *target.painter;
    const qreal penWidth = drawnPenWidth(width, target.picture);
    painter.setPen(linePen(pen.color, penWidth));
    painter.setBrush(Qt::NoBrush);
    // Pieces pay off only where the painter rasterises. A printer, a PDF or a picture keeps each
    // pen one line: a plotter would draw the segment where two runs overlap twice. A wide
    // translucent pen is one outline, or its overlaps would darken.
    const QPaintEngine* engine = painter.paintEngine();
    const bool rasterised = engine && engine->type() == QPaintEngine::Raster;
    const bool wide = penWidthOf(width) > 1;
    if (pen.ink || (rasterised && (!wide || isStrokedInRuns(pen.color, width)))) {
        const Pieces cut = pen.ink ? Pieces::Ink : wide ? Pieces::Runs : Pieces::Thin;
        for (const Stretch& stretch : pen.stretches)
            if (!strokeInPieces(target, pen.color, stretch, cut, penWidth, control, progress))
                return false;
        return true;
    }
    clearUpperVectorState();
    std::vector<QPointF> buffer;
    if (target.raster && wide) {
        // One outline for every stretch, each mapped into a buffer of its own.
        std::vector<std::vector<QPointF>> buffers(pen.stretches.size());
        std::vector<PointRun> lines;
        for (std::size_t i = 0; i < pen.stretches.size(); ++i) {
            const PointSpan& line = pen.stretches[i].points;
            lines.push_back({line.points(0, line.count, buffers[i]), line.count});
        }
        target.raster->stroke(pen.color, lines.data(), lines.size(), penWidth);
    } else if (pen.stretches.size() == 1) {
        const PointSpan& line = pen.stretches.front().points;
        painter.drawPolyline(line.points(0, line.count, buffer), static_cast<int>(line.count));
    } else {
        // One outline for every stretch: a translucent line must not darken where it overlaps.
        QPainterPath path;
        path.reserve(static_cast<int>(pen.pointCount()));
        for (const Stretch& stretch : pen.stretches) {
            const QPointF* points = stretch.points.points(0, stretch.points.count, buffer);
            path.moveTo(points[0]);
            for (std::size_t i = 1; i < stretch.points.count; ++i)
                path.lineTo(points[i]);
        }
        painter.drawPath(path);
    }
    if (progress)
        progress->add(pen.pointCount());
    return !isCancelled(control);
}

}

std::size_t PenStroke::pointCount() const
{
    std::size_t points = 0;
    for (const Stretch& stretch : stretches)
        points += stretch.points.count;
    return points;
}

std::size_t pointsToStroke(const std::vector<PenStroke>& pens)
{
    std::size_t points = 0;
    for (const PenStroke& pen : pens)
        points += pen.pointCount();
    return points;
}

bool strokePens(const StrokeTarget& target, const std::vector<PenStroke>& pens, float width,
                const DrawingControl& control, StrokeProgress* progress)
{
    for (const PenStroke& pen : pens)
        if (!strokePen(target, pen, width, control, progress))
            return false;
    return true;
}
