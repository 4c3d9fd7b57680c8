#include "art/DesignPainter.h"

#include "art/ImageRasteriser.h"
#include "art/PathClipping.h"
#include "art/PenColourSteps.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>
#include <system_error>
#include <thread>
#include <tuple>

namespace {

constexpr qreal kOverlayLineWidth = 1;
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
// A pen is drawn at most this many picture diagonals wide. Wider, it would still cover the whole
// picture about any line drawn across or near it, while its outline reached far beyond the
// rasteriser's coordinate range, where one stroke takes seconds.
constexpr qreal kWidestPenInDiagonals = 4;
// The fill is handed to the rasteriser in bands of about this many rows, each with only the
// edges that reach it: Qt's rasteriser goes over every edge it is given once for each of its own
// bands of a few dozen rows, so a long outline filled whole costs it several times more.
// Measured at 1000 × 800 for 4 million points: whole 2.4 s, 400 rows 2.1 s, 100 rows 0.97 s,
// 50 rows 1.3 s.
constexpr int kFillBandRows = 100;
// How far beyond a band its outline is kept as it is: a cut this far out changes no pixel of
// the band.
constexpr qreal kFillBandMargin = 2;
// The share of a drawing's time that tracing, and filling when there is a fill, take: what the
// progress reports before the strokes start.
constexpr int kTracedPercent = 10;
constexpr int kFilledPercent = 35;
constexpr int kWholePercent = 100;
// In drawingWork: a wide pen's runs and a fill cost about this many thin points per point.
constexpr std::size_t kWidePenWork = 4;
constexpr std::size_t kFillWork = 3;

QColor overlayGrey() { return QColor::fromRgbF(0.5f, 0.5f, 0.5f); }

// Qt's AVX2 fill and blend routines can return with the upper halves of the vector registers in
// use. Until the next vzeroupper every SSE instruction pays for merging them, in the trace and in
// Qt's own stroker alike: measured here, tracing ran ten times slower after the first drawing,
// and a wide pen twice as slow. So the state is cleared before each of those stages.
void clearUpperVectorState()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx)
        __asm__ volatile("vzeroupper" ::: "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6",
                         "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
#endif
}

bool isFinitePath(const QPainterPath& path)
{
    const QRectF bounds = path.controlPointRect();
    return std::isfinite(bounds.left()) && std::isfinite(bounds.top())
        && std::isfinite(bounds.width()) && std::isfinite(bounds.height());
}

// Every line is drawn in one style: butt ends, mitred joins that turn to bevels past a mitre
// length of 10 widths. Qt::MiterJoin cuts an over-long mitre off at 10 widths instead, which
// leaves a spike that long wherever the line turns back on itself, as at a cusp of the curve.
QPen linePen(const QColor& color, qreal width)
{
    QPen pen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
    pen.setMiterLimit(kMiterLimit);
    return pen;
}

void strokeOverlay(QPainter& painter, const QPainterPath& path)
{
    if (!isFinitePath(path))
        return;
    painter.strokePath(path, linePen(overlayGrey(), kOverlayLineWidth));
}

// A circle of radius |r| about the origin.
QPainterPath circle(qreal r)
{
    QPainterPath path;
    path.addEllipse(QRectF(-r, -r, 2 * r, 2 * r).normalized());
    return path;
}

// The wheels that roll, each with an arm from its centre along its angle so that its turning
// shows: to its rim, and the last wheel's to the pen.
QPainterPath wheelsOverlay(const WheelsAt& at)
{
    QPainterPath path;
    for (int k = 1; k < at.count; ++k) {
        const WheelPlace& wheel = at.wheels[std::size_t(k)];
        const QPointF centre(wheel.x, wheel.y);
        path.addPath(circle(wheel.radius).translated(centre));
        path.moveTo(centre);
        if (k == at.count - 1)
            path.lineTo(at.penX, at.penY);
        else
            path.lineTo(centre + std::fabs(wheel.radius) * QPointF(std::cos(wheel.angle), std::sin(wheel.angle)));
    }
    return path;
}

qreal penWidthOf(float width)
{
    return std::isfinite(width) && width > 0 ? width : 0;   // 0: the thinnest line
}

// Thin pens take the fast path of the rasteriser, and a translucent pen must be one outline or
// its overlaps would darken: both are stroked whole, wide opaque pens in runs.
bool isStrokedInRuns(const QColor& color, float width)
{
    return penWidthOf(width) > 1 && color.alpha() == 255;
}

// How far beyond its points a stroke can paint: half the width, as far again as the longest
// mitre, and a pixel of antialiasing.
qreal strokeReach(float width)
{
    return penWidthOf(width) / 2 * kMiterLimit + 1;
}

// Everything of a design that its strokes depend on: all but how much of it is drawn and the
// overlays.
auto strokedDesign(const ArtParameters& a)
{
    return std::tie(a.anchorRadius, a.runnerRadius, a.penHoleRadius, a.penDrawSize, a.penColor,
                    a.pen2Color, a.pen3Color, a.numberOfColors, a.rotationsToMake, a.closeCurve,
                    a.drawMode, a.greaseIt, a.colouring, a.precise, a.nested);
}

bool pensAreOpaque(const ArtParameters& art)
{
    const auto opaque = [](const QColor& c) { return !c.isValid() || c.alpha() == 255; };
    if (art.colouring.inkOpacity < kOpaqueInk)
        return false;
    if (art.colouring.mode != ColourMode::Stretches)
        return std::all_of(art.colouring.stops.begin(), art.colouring.stops.end(),
                           [&opaque](const GradientStop& stop) { return opaque(stop.colour); });
    const QColor pens[] = {art.penColor, art.pen2Color, art.pen3Color};
    return std::all_of(pens, pens + std::min(std::max(art.numberOfColors, 1), 3), opaque);
}

int pensInUse(const ArtParameters& art)
{
    return std::clamp(art.numberOfColors, 1, 3);
}

bool isCancelled(const DrawingControl& control)
{
    return control.cancelled && control.cancelled->load(std::memory_order_relaxed);
}

void reportPercent(const DrawingControl& control, int percent)
{
    if (control.percentDone)
        control.percentDone->store(percent, std::memory_order_relaxed);
}

// Maps traced points into the painter's coordinates. Every drawing maps with this one
// formula, so that a point lands on the same spot whichever way it is drawn.
void mapPoints(const TracedPoint* points, std::size_t count, const QTransform& t, QPointF* into)
{
    const qreal m11 = t.m11(), m12 = t.m12(), m21 = t.m21(), m22 = t.m22(), dx = t.dx(), dy = t.dy();
    for (std::size_t i = 0; i < count; ++i) {
        const qreal x = points[i].x;
        const qreal y = points[i].y;
        into[i] = QPointF(m11 * x + m21 * y + dx, m12 * x + m22 * y + dy);
    }
}

// Consecutive points of a line: already in the painter's coordinates, or as traced, mapped only
// when they are drawn. A long curve then needs no second copy of itself.
struct PointSpan {
    const QPointF* mapped = nullptr;
    const TracedPoint* traced = nullptr;
    const QTransform* transform = nullptr;   // for the traced points
    std::size_t count = 0;

    // `n` points from `first`.
    PointSpan slice(std::size_t first, std::size_t n) const
    {
        PointSpan part = from(first);
        part.count = std::min(n, part.count);
        return part;
    }

    PointSpan from(std::size_t first) const
    {
        PointSpan rest = *this;
        rest.count = count - first;
        if (mapped)
            rest.mapped = mapped + first;
        if (traced)
            rest.traced = traced + first;
        return rest;
    }

    // `n` points from `first` in the painter's coordinates: the span's own, or mapped into `buffer`.
    const QPointF* points(std::size_t first, std::size_t n, std::vector<QPointF>& buffer) const
    {
        if (mapped)
            return mapped + first;
        buffer.resize(n);
        mapPoints(traced + first, n, *transform, buffer.data());
        return buffer.data();
    }

    // Whether every point lies inside or on the edge of `rect`.
    bool liesWithin(const QRectF& rect) const
    {
        constexpr std::size_t kChunk = 1024;
        std::vector<QPointF> buffer;
        for (std::size_t first = 0; first < count; first += kChunk) {
            const std::size_t n = std::min(kChunk, count - first);
            if (!holdsAll(rect, points(first, n, buffer), qsizetype(n)))
                return false;
        }
        return true;
    }
};

// The curve's paths. A curve whose points are all finite is read where it was traced, each path
// a stretch of its one array; otherwise each path is mapped on its own, the points that are not
// finite left out.
class MappedCurve
{
public:
    MappedCurve(const TracedCurve& curve, const QTransform& transform)
        : m_transform(transform)
    {
        const PolylineView paths[] = {curve.fillPath(), curve.penPath(), curve.pen2Path(), curve.pen3Path()};
        for (int i = 0; i < 4; ++i) {
            if (curve.allPointsFinite) {
                m_spans[i] = {nullptr, paths[i].data(), &m_transform, paths[i].size()};
                continue;
            }
            for (std::size_t p = 0; p < paths[i].size(); ++p) {
                const QPointF q = transform.map(QPointF(paths[i][p].x, paths[i][p].y));
                if (std::isfinite(q.x()) && std::isfinite(q.y()))
                    m_ownPoints[i].push_back(q);
            }
            m_spans[i] = {m_ownPoints[i].data(), nullptr, nullptr, m_ownPoints[i].size()};
        }
    }

    PointSpan fill() const { return m_spans[0]; }
    PointSpan pen(int index) const { return m_spans[1 + index]; }

private:
    QTransform m_transform;
    PointSpan m_spans[4];
    std::vector<QPointF> m_ownPoints[4];
};

// Where strokes go: a painter, the part of its coordinates that it paints (outside which a
// piece of a line is left out), and the whole picture, which sets the widest pen. Wide pens go
// through the rasteriser, when there is one: the painter's image's, over the same rows.
struct StrokeTarget {
    QPainter* painter;
    QRectF shown;
    QRectF picture;
    ImageRasteriser* raster = nullptr;
};

// How wide a pen is drawn: its width, but at most kWidestPenInDiagonals picture diagonals.
qreal drawnPenWidth(float width, const QRectF& picture)
{
    const qreal diagonal = std::hypot(picture.width(), picture.height());
    return std::isfinite(diagonal) ? std::min(penWidthOf(width), kWidestPenInDiagonals * diagonal) : penWidthOf(width);
}

// The rectangle grown by what a stroke reaches beyond its points.
QRectF reachedBy(const QRectF& rect, qreal penWidth)
{
    const qreal reach = strokeReach(float(penWidth));
    return rect.adjusted(-reach, -reach, reach, reach);
}

// Counts what has been stroked, across all the threads that stroke, for the progress.
class StrokeProgress
{
public:
    StrokeProgress(const DrawingControl& control, std::size_t total, int startPercent)
        : m_control(control), m_total(std::max<std::size_t>(total, 1)), m_start(startPercent)
    {
    }

    void add(std::size_t points)
    {
        const std::size_t done = m_done.fetch_add(points, std::memory_order_relaxed) + points;
        reportPercent(m_control, m_start + int(double(kWholePercent - m_start) * double(std::min(done, m_total)) / double(m_total)));
    }

private:
    const DrawingControl& m_control;
    std::size_t m_total;
    int m_start;
    std::atomic<std::size_t> m_done{0};
};

// Some consecutive points of a pen's line, the first being point `offset` of the whole line.
struct Stretch {
    PointSpan points;
    std::size_t offset = 0;
};

// A pen's line as it is stroked: one stretch, or, where the line leaves the picture, the
// stretches that cross it.
struct PenStroke {
    QColor color;
    std::vector<Stretch> stretches;
    // Translucent ink: stroked in runs that meet end to end, never overlapping, so that where
    // the line crosses another run of itself the colour deepens, on every device.
    bool ink = false;

    std::size_t pointCount() const
    {
        std::size_t points = 0;
        for (const Stretch& stretch : stretches)
            points += stretch.points.count;
        return points;
    }
};

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

bool strokePens(const StrokeTarget& target, const std::vector<PenStroke>& pens, float width,
                const DrawingControl& control, StrokeProgress* progress)
{
    for (const PenStroke& pen : pens)
        if (!strokePen(target, pen, width, control, progress))
            return false;
    return true;
}

// The fill of an outline, in the painter's coordinates, over `area` of the picture only: the
// outline is first cut down to what winds round that area, so the rasteriser walks no edge far
// from it.
void fillArea(QPainter& painter, const QColor& color, PointSpan outline, const QRectF& area)
{
    const QRectF reach = area.adjusted(-kFillBandMargin, -kFillBandMargin, kFillBandMargin, kFillBandMargin);
    const QPolygonF clipped = clippedOutline(outline.mapped, qsizetype(outline.count), reach, kFillBandMargin);
    painter.save();
    painter.setClipRect(area);
    fillOutline(painter, color, clipped.constData(), std::size_t(clipped.size()));
    painter.restore();
}

// What a band of the picture gets: the fill, in bands of kFillBandRows, then the pens.
struct BandWork {
    const QColor* fillColor = nullptr;   // none: no fill
    PointSpan outline;
    PointSpan pictureOutline;   // the outline cut down to what winds round the picture
    const std::vector<PenStroke>* pens = nullptr;
    float penWidth = 0;
};

// Paints into an image, each of `bands` threads into its own rows. Every thread paints the whole
// picture's memory through a painter of its own, clipped to its rows: a line that crosses into
// another band is drawn as one painter over the whole picture draws it (a picture cut into
// smaller images would cut such lines where they leave it, a shade differently).
bool paintInBands(QImage& image, const BandWork& work, int bands, const DrawingControl& control,
                  StrokeProgress* progress)
{
    const qreal pixelRatio = image.devicePixelRatio();
    const int rows = image.height();
    bands = std::clamp(bands, 1, std::max(1, rows));
    const QRectF picture(0, 0, image.width() / pixelRatio, rows / pixelRatio);
    std::vector<char> paintedWhole(std::size_t(bands), 1);
    const auto paintBand = [&](int band) {
        // A picture of its own over the same memory: one painter per picture at a time.
        QImage memory(image.bits(), image.width(), rows, image.bytesPerLine(), image.format());
        memory.setDevicePixelRatio(pixelRatio);
        const int firstRow = rows * band / bands;
        const int endRow = rows * (band + 1) / bands;
        const QRectF bandRows(0, firstRow / pixelRatio, picture.width(), (endRow - firstRow) / pixelRatio);
        QPainter painter(&memory);
        painter.setRenderHint(QPainter::Antialiasing);
        std::optional<ImageRasteriser> raster;
        if (ImageRasteriser::drawsInto(memory))
            raster.emplace(memory, ImageRows{firstRow, endRow});
        if (work.fillColor && raster) {
            clearUpperVectorState();
            raster->fill(*work.fillColor, work.pictureOutline.mapped, work.pictureOutline.count);
            if (isCancelled(control)) {
                paintedWhole[std::size_t(band)] = 0;
                return;
            }
        } else if (work.fillColor) {
            for (int top = firstRow; top < endRow; top += kFillBandRows) {
                const int bottom = std::min(endRow, top + kFillBandRows);
                fillArea(painter, *work.fillColor, work.outline,
                         QRectF(0, top / pixelRatio, picture.width(), (bottom - top) / pixelRatio));
                if (isCancelled(control)) {
                    paintedWhole[std::size_t(band)] = 0;
                    return;
                }
            }
        }
        if (bands > 1)
            painter.setClipRect(bandRows);
        paintedWhole[std::size_t(band)] = strokePens({&painter, bandRows, picture, raster ? &*raster : nullptr}, *work.pens,
                                                     work.penWidth, control, progress);
    };
    std::vector<std::thread> helpers;
    for (int band = 1; band < bands; ++band) {
        try {
            helpers.emplace_back(paintBand, band);
        } catch (const std::system_error&) {
            paintBand(band);   // no thread to be had: this one paints the band
        }
    }
    paintBand(0);
    for (std::thread& helper : helpers)
        helper.join();
    return std::all_of(paintedWhole.begin(), paintedWhole.end(), [](char whole) { return whole != 0; });
}

// The drawing of one design up to its pens: the wheels, the trace and the fill. Then its pens
// are stroked by whichever way the caller paints.
class DesignDrawing
{
public:
    // `picture`: the part of the painter's coordinates that the picture covers; everything is
    // cut down to what can show there. An unbounded one cuts nothing.
    DesignDrawing(const ArtParameters& art, const QTransform& transform, const QRectF& picture,
                  const DrawingControl& control)
        : m_art(art)
        , m_transform(transform)
        , m_picture(picture)
        , m_control(control)
        , m_percent(art.percentToDraw)   // the trace, the overlay and the fill go by one value
        , m_onScreen(art.drawMode == ScreenMode)
        , m_buffers(control.buffers ? *control.buffers : m_ownBuffers)
        , m_traced(control.traced)
    {
    }

    // The wheels, the trace and, with `fillHere`, the fill. False when cancelled.
    bool paintUnderPens(QPainter& painter, bool fillHere)
    {
        if (m_art.showAnchor && m_onScreen)
            strokeOverlay(painter, m_transform.map(circle(m_art.anchorRadius)));

        clearUpperVectorState();
        if (!m_traced && !traceCurve(curveParameters(m_art), m_buffers.curve, m_control.cancelled))
            return false;
        m_outcome.pointCount = curve().pointCount();
        m_outcome.truncated = curve().truncated;
        reportPercent(m_control, kTracedPercent);

        if (m_art.showAnchor && m_percent < 100 && m_onScreen
            && rollingNestedWheels(m_art.nested, m_art.runnerRadius) > 0) {
            strokeOverlay(painter, m_transform.map(wheelsOverlay(wheelsAt(curveParameters(m_art), curve().lastOrbitAngle))));
        } else if (m_art.showAnchor && m_percent < 100 && m_onScreen) {
            // The runner where the trace left it, with its arm from the centre to the pen.
            QPainterPath runner = circle(m_art.runnerRadius);
            runner.moveTo(0, 0);
            runner.lineTo(m_art.penHoleRadius, 0);
            QTransform atRunner = m_transform;
            atRunner.translate(curve().lastRunnerCenter.x, curve().lastRunnerCenter.y);
            atRunner.rotateRadians(curve().lastRunnerAngle);
            strokeOverlay(painter, atRunner.map(runner));
        }

        m_mapped.emplace(curve(), m_transform);
        if (fillHere && fills()) {
            fillWhole(painter);
            if (isCancelled(m_control))
                return false;
        }
        reportPercent(m_control, strokesStartAt());
        return true;
    }

    bool fills() const { return m_art.fillShape && m_percent >= 100; }

    // The fill outline in the painter's coordinates, mapped once for all that fill it. It
    // begins at the start point, so closing it returns there.
    PointSpan outline()
    {
        PointSpan outline = m_mapped->fill();
        if (outline.mapped)
            return outline;
        // Kept between drawings, so that a long curve does not take fresh pages each time.
        std::vector<QPointF>& mapped = m_buffers.mapped;
        mapped.resize(outline.count);
        mapPoints(outline.traced, outline.count, m_transform, mapped.data());
        return {mapped.data(), nullptr, nullptr, outline.count};
    }

    // The fill outline cut down to what winds round the picture: as it is, when it reaches no
    // further than a picture's size beyond it.
    PointSpan pictureOutline()
    {
        const PointSpan points = outline();
        if (!cutsToThePicture())
            return points;
        constexpr qreal kPixel = 1;
        const QRectF clip = m_picture.adjusted(-kPixel, -kPixel, kPixel, kPixel);
        const qreal wholeReach = std::max(clip.width(), clip.height());
        if (holdsAll(clip.adjusted(-wholeReach, -wholeReach, wholeReach, wholeReach), points.mapped, qsizetype(points.count)))
            return points;
        m_clippedOutline = clippedOutline(points.mapped, qsizetype(points.count), clip, wholeReach);
        return {m_clippedOutline.constData(), nullptr, nullptr, std::size_t(m_clippedOutline.size())};
    }

    int strokesStartAt() const { return fills() ? kFilledPercent : kTracedPercent; }

    // The pens of the whole curve so far, each from its first point.
    std::vector<PenStroke> wholePens()
    {
        if (coloursAlong())
            return colourStepsFrom(0);
        std::vector<PenStroke> pens;
        for (int pen = 0; pen < pensInUse(m_art); ++pen)
            pens.push_back(penStroke(penColour(pen), {m_mapped->pen(pen), 0}));
        return pens;
    }

    static std::size_t pointsToStroke(const std::vector<PenStroke>& pens)
    {
        std::size_t points = 0;
        for (const PenStroke& pen : pens)
            points += pen.pointCount();
        return points;
    }

    // Whether the pens go onto a layer that keeps the strokes of the frames before: a curve
    // growing on screen, frame by frame in a slow drawing. Translucent pens are always stroked
    // whole, as one line each.
    bool growsOnALayer() const
    {
        return m_control.growing && m_onScreen && m_percent < 100 && pensAreOpaque(m_art) && curve().allPointsFinite;
    }

    // Makes the growing layer hold what this frame continues from, and returns the stretches
    // that are new since the frames before.
    std::vector<PenStroke> newStretches(const QImage& picture)
    {
        GrowingStrokes& growing = *m_control.growing;
        // A partial curve is an exact prefix of a longer one of the same design: what the layer
        // holds stays right as long as the design is the same and the curve has not shrunk.
        const PolylineView paths[] = {curve().penPath(), curve().pen2Path(), curve().pen3Path()};
        bool layerHolds = growing.layer.size() == picture.size()
            && growing.layer.devicePixelRatio() == picture.devicePixelRatio()
            && growing.transform == m_transform
            && strokedDesign(growing.design) == strokedDesign(m_art);
        for (int pen = 0; pen < 3; ++pen)
            layerHolds = layerHolds && paths[pen].size() >= growing.strokedPoints[pen];
        if (!layerHolds) {
            growing.layer = QImage(picture.size(), QImage::Format_ARGB32_Premultiplied);
            growing.layer.setDevicePixelRatio(picture.devicePixelRatio());
            growing.layer.fill(Qt::transparent);
            growing.design = m_art;
            growing.transform = m_transform;
            growing.strokedPoints = {};
        }
        std::vector<PenStroke> stretches;
        for (int pen = 0; pen < (coloursAlong() ? 1 : pensInUse(m_art)); ++pen) {
            // From the last point stroked; a wide pen from one segment back, so that the join
            // with the strokes already there is drawn.
            const std::size_t stroked = growing.strokedPoints[pen];
            const std::size_t back = penWidthOf(m_art.penDrawSize) > 1 ? 2 : 1;
            const std::size_t first = stroked >= back ? stroked - back : 0;
            const PointSpan whole = m_mapped->pen(pen);
            if (whole.count > stroked) {
                if (coloursAlong())
                    stretches = colourStepsFrom(first);
                else
                    stretches.push_back(penStroke(penColour(pen), {whole.from(first), first}));
            }
            growing.strokedPoints[pen] = whole.count;
        }
        return stretches;
    }

    // A layer cut short by a cancelled frame holds a stretch the next frame would skip.
    void forgetGrowingLayer() { *m_control.growing = GrowingStrokes{}; }

    DrawingOutcome finished() const
    {
        DrawingOutcome outcome = m_outcome;
        outcome.finished = true;
        reportPercent(m_control, kWholePercent);
        return outcome;
    }

private:
    const TracedCurve& curve() const { return m_traced ? *m_traced : m_buffers.curve; }

    bool coloursAlong() const { return m_art.colouring.mode != ColourMode::Stretches; }

    QColor penColour(int pen) const
    {
        const QColor colours[] = {m_art.penColor, m_art.pen2Color, m_art.pen3Color};
        return inked(colours[pen], m_art.colouring.inkOpacity);
    }

    // The pen line's colour steps from point `from` on, each stroked as one line. A wide opaque
    // step reaches one segment into the next, so that the join between them is drawn: the next
    // step, stroked after it, covers that segment in its own colour.
    std::vector<PenStroke> colourStepsFrom(std::size_t from)
    {
        const PointSpan line = m_mapped->pen(0);
        const bool wide = penWidthOf(m_art.penDrawSize) > 1;
        std::vector<PenStroke> strokes;
        for (const ColourStep& step : penColourSteps(m_art, curveParameters(m_art), line.count)) {
            if (step.last <= from)
                continue;
            const std::size_t first = std::max(step.first, from);
            const std::size_t last = wide && step.colour.alpha() == 255 ? std::min(step.last + 1, line.count - 1) : step.last;
            strokes.push_back(penStroke(step.colour, {line.slice(first, last - first + 1), first}));
        }
        return strokes;
    }

    bool cutsToThePicture() const
    {
        return std::isfinite(m_picture.width()) && std::isfinite(m_picture.height());
    }

    // A stretch of a pen's line, cut down, where it leaves the picture, to the stretches that
    // cross it.
    PenStroke penStroke(const QColor& color, const Stretch& stretch)
    {
        PenStroke pen{color, {}, m_art.colouring.inkOpacity < kOpaqueInk};
        if (stretch.points.count == 0 || !color.isValid())
            return pen;   // nothing to stroke: the line is not gone over to cut it
        const QRectF clip = reachedBy(m_picture, drawnPenWidth(m_art.penDrawSize, m_picture));
        // Within one picture's size of it the rasteriser takes a line as it is, and the pieces
        // that miss the picture are left out as they are stroked: only a line reaching further
        // is cut.
        const qreal wholeReach = std::max(clip.width(), clip.height());
        if (!cutsToThePicture() || stretch.points.liesWithin(clip.adjusted(-wholeReach, -wholeReach, wholeReach, wholeReach))) {
            pen.stretches.push_back(stretch);
            return pen;
        }
        std::vector<QPointF> buffer;
        const QPointF* line = stretch.points.points(0, stretch.points.count, buffer);
        const ClippedPolyline& clipped = m_clipped.emplace_back(clippedPolyline(line, qsizetype(stretch.points.count), clip));
        for (const ClippedPolyline::Stretch& cut : clipped.stretches)
            pen.stretches.push_back({{clipped.points.constData() + cut.first, nullptr, nullptr, std::size_t(cut.count)},
                                     stretch.offset + std::size_t(cut.sourceFirst)});
        return pen;
    }

    // The fill over the whole picture.
    void fillWhole(QPainter& painter)
    {
        const PointSpan points = pictureOutline();
        fillOutline(painter, m_art.fillColor, points.mapped, points.count);
    }

    const ArtParameters& m_art;
    QTransform m_transform;
    QRectF m_picture;
    const DrawingControl& m_control;
    float m_percent;
    bool m_onScreen;
    DrawingBuffers m_ownBuffers;
    DrawingBuffers& m_buffers;
    const TracedCurve* m_traced;   // made beforehand; none: traced into m_buffers
    std::optional<MappedCurve> m_mapped;
    std::deque<ClippedPolyline> m_clipped;   // the points of the stretches that were cut
    QPolygonF m_clippedOutline;              // the fill outline, when it was cut
    DrawingOutcome m_outcome;
};

// The part of a painter's coordinates that lands on its device: an image's or a widget's
// rectangle. A printer or a picture reports no size worth trusting, and nothing is left out there.
QRectF shownArea(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    QRectF area;
    if (device && device->devType() == QInternal::Image)
        area = QRectF(0, 0, device->width() / device->devicePixelRatio(), device->height() / device->devicePixelRatio());
    else if (device && device->devType() == QInternal::Widget)
        area = QRectF(0, 0, device->width(), device->height());
    if (area.isEmpty())
        return QRectF(QPointF(-qInf(), -qInf()), QPointF(qInf(), qInf()));
    area = painter.worldTransform().inverted().mapRect(area);
    return painter.hasClipping() ? area.intersected(painter.clipBoundingRect()) : area;
}
}

void fillOutline(QPainter& painter, const QColor& color, const QPointF* points, std::size_t count)
{
    if (!color.isValid() || count == 0)
        return;
    QPainterPath outline;
    outline.reserve(static_cast<int>(count) + 1);
    outline.moveTo(points[0]);
    for (std::size_t i = 1; i < count; ++i)
        outline.lineTo(points[i]);
    outline.closeSubpath();
    outline.setFillRule(Qt::WindingFill);
    clearUpperVectorState();
    painter.fillPath(outline, color);
}

DrawingOutcome paintDesign(QPainter& painter, const ArtParameters& art, const QTransform& transform,
                           const DrawingControl& control)
{
    DrawingControl withoutLayer = control;
    withoutLayer.growing = nullptr;   // a layer belongs to a picture: paintDesignInBands
    const QRectF picture = shownArea(painter);
    DesignDrawing drawing(art, transform, picture, withoutLayer);
    if (!drawing.paintUnderPens(painter, true))
        return {};
    const std::vector<PenStroke> pens = drawing.wholePens();
    StrokeProgress progress(withoutLayer, DesignDrawing::pointsToStroke(pens), drawing.strokesStartAt());
    if (!strokePens({&painter, picture, picture}, pens, art.penDrawSize, withoutLayer, &progress))
        return {};
    return drawing.finished();
}

DrawingOutcome paintDesignInBands(QImage& image, const ArtParameters& art, const QTransform& transform,
                                  int bands, const DrawingControl& control)
{
    const qreal pixelRatio = image.devicePixelRatio();
    DesignDrawing drawing(art, transform, QRectF(0, 0, image.width() / pixelRatio, image.height() / pixelRatio), control);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        // The fill goes band by band, under each band's strokes.
        if (!drawing.paintUnderPens(painter, false))
            return {};
    }
    BandWork work;
    work.penWidth = art.penDrawSize;
    if (!drawing.growsOnALayer()) {
        const std::vector<PenStroke> pens = drawing.wholePens();
        work.pens = &pens;
        if (drawing.fills() && art.fillColor.isValid()) {
            work.fillColor = &art.fillColor;
            work.outline = drawing.outline();
            if (ImageRasteriser::drawsInto(image))
                work.pictureOutline = drawing.pictureOutline();
        }
        // Every band goes over every point, to stroke it or to find it lies elsewhere.
        StrokeProgress progress(control, DesignDrawing::pointsToStroke(pens) * std::size_t(bands), drawing.strokesStartAt());
        if (!paintInBands(image, work, bands, control, &progress))
            return {};
        return drawing.finished();
    }
    const std::vector<PenStroke> stretches = drawing.newStretches(image);
    work.pens = &stretches;
    StrokeProgress progress(control, DesignDrawing::pointsToStroke(stretches) * std::size_t(bands), drawing.strokesStartAt());
    if (!paintInBands(control.growing->layer, work, bands, control, &progress)) {
        drawing.forgetGrowingLayer();
        return {};
    }
    QPainter painter(&image);
    painter.drawImage(QPointF(0, 0), control.growing->layer);
    return drawing.finished();
}

CurveParameters curveParameters(const ArtParameters& art)
{
    CurveParameters p;
    p.anchorRadius = art.anchorRadius;
    p.runnerRadius = art.runnerRadius;
    p.penHoleRadius = art.penHoleRadius;
    p.rotationsToMake = art.rotationsToMake;
    p.percentToDraw = art.percentToDraw;
    p.greaseIt = art.greaseIt;
    // Colour along the curve runs over one line, the whole curve's.
    p.numberOfColors = art.colouring.mode == ColourMode::Stretches ? art.numberOfColors : 1;
    p.closeCurve = art.closeCurve;
    p.precise = art.precise;
    p.nested = art.nested;
    return p;
}

std::vector<CurveParameters> curveParameters(const Composition& composition)
{
    std::vector<CurveParameters> traced;
    traced.reserve(composition.curves.size());
    std::size_t left = kCompositionPointBudget;
    for (const ComposedCurve& curve : composition.curves) {
        traced.push_back(curveParameters(curve.art));
        if (!curve.visible)
            continue;
        const std::size_t points = estimatedPointCount(traced.back());
        if (points > left)
            traced.back().pointBudget = left;
        left -= std::min(points, left);
    }
    return traced;
}

bool traceForDrawing(const CurveParameters& parameters, TracedCurve& into, const std::atomic<bool>* cancelled)
{
    clearUpperVectorState();
    return traceCurve(parameters, into, cancelled);
}

void addCurveOutcome(DrawingOutcome& whole, const DrawingOutcome& curve, int index)
{
    whole.pointCount += curve.pointCount;
    whole.truncated = whole.truncated || curve.truncated;
    if (curve.truncated && whole.firstCutCurve < 0)
        whole.firstCutCurve = index;
}

DrawingOutcome paintComposition(QPainter& painter, const Composition& composition, const QTransform& transform,
                                int overlayCurve, const DrawingControl& control)
{
    DrawingOutcome whole;
    whole.finished = true;
    const std::vector<CurveParameters> traced = curveParameters(composition);
    DrawingBuffers ownBuffers;
    DrawingBuffers& buffers = control.buffers ? *control.buffers : ownBuffers;
    for (std::size_t i = 0; i < composition.curves.size(); ++i) {
        const ComposedCurve& curve = composition.curves[i];
        if (!curve.visible)
            continue;
        ArtParameters art = curve.art;
        art.showAnchor = art.showAnchor && int(i) == overlayCurve;
        if (!traceForDrawing(traced[i], buffers.curve, control.cancelled))
            return {};
        DrawingControl withTrace = control;
        withTrace.buffers = &buffers;
        withTrace.traced = &buffers.curve;
        const DrawingOutcome outcome = paintDesign(painter, art, curve.turning() * transform, withTrace);
        if (!outcome.finished)
            return {};
        addCurveOutcome(whole, outcome, int(i));
    }
    return whole;
}

QTransform fittedTransform(const Composition& composition, float width, float height, bool mayEnlarge)
{
    const qreal scale = fitFactor(width, height, boundingRadius(composition), widestPen(composition), mayEnlarge);
    return QTransform(scale, 0, 0, -scale, width / 2.0, height / 2.0);
}

QTransform fittedTransform(const ArtParameters& art, float width, float height)
{
    // Curve space has y up; the transform centres the design and flips it into Qt's y down.
    const qreal scale = fitFactor(width, height, boundingRadius(art), art.penDrawSize,
                                  art.allowScaleUp && art.drawMode == ImageExportMode);
    return QTransform(scale, 0, 0, -scale, width / 2.0, height / 2.0);
}

std::size_t drawingWork(const ArtParameters& art)
{
    return drawingWork(art, curveParameters(art));
}

std::size_t drawingWork(const ArtParameters& art, const CurveParameters& traced)
{
    const std::size_t points = estimatedPointCount(traced);
    std::size_t perPoint = penWidthOf(art.penDrawSize) > 1 ? kWidePenWork : 1;
    if (art.fillShape && art.percentToDraw >= 100)
        perPoint += kFillWork;
    return points * perPoint;
}
