#include "art/Rotagraph.h"

#include "art/CurveTrace.h"
#include "art/PathClipping.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// The margin the fit leaves: a circle of the bounding radius spans 2 / 2.05 of the narrower side.
constexpr double kFitMargin = 2.05;
constexpr qreal kOverlayLineWidth = 1;
constexpr qreal kMiterLimit = 10;
constexpr qreal kWidestPenInDiagonals = 4;
// Wide antialiased pens are stroked in runs of this many segments. Qt's rasteriser renders an
// outline in bands of rows and goes over every edge of the outline again for each band, so one
// outline for the whole curve costs several times more than short pieces of it. Measured at
// 1000 by 1000, width 3: 16 segments are best for long segments (1260 points: 2.7 ms, 32: 2.8,
// 64: 3.2, whole: 16 ms), 32 for short ones (375,000 points: 16: 210 ms, 32: 180, 64: 210).
constexpr int kStrokeRunLength = 32;

QColor overlayGrey() { return QColor::fromRgbF(0.5f, 0.5f, 0.5f); }

// The uniform scale from curve units to the drawing area: the smaller of the two fits, never
// above 1 unless enlarging is allowed. A bounding radius of 0 gives no finite fit: scale 1.
float fitFactor(float width, float height, float radius, bool mayEnlarge)
{
    const double span = static_cast<double>(radius) * kFitMargin;
    const auto fx = static_cast<float>(static_cast<double>(width) / span);
    const auto fy = static_cast<float>(static_cast<double>(height) / span);
    const auto clamped = [](float f) { return std::isnan(f) ? 1.0f : std::min(f, 1.0f); };
    const float x = mayEnlarge ? fx : clamped(fx);
    const float y = mayEnlarge ? fy : clamped(fy);
    const float s = std::isnan(x) ? y : std::isnan(y) ? x : std::min(x, y);
    return std::isfinite(s) ? s : 1.0f;
}

// A polyline, from its point `first` on, mapped into view coordinates; a point that is not
// finite is left out.
QPolygonF mapped(const Polyline& polyline, const QTransform& transform, std::size_t first = 0)
{
    QPolygonF points;
    points.reserve(static_cast<qsizetype>(polyline.size() - std::min(first, polyline.size())));
    for (std::size_t i = first; i < polyline.size(); ++i) {
        const QPointF q = transform.map(QPointF(polyline[i].x, polyline[i].y));
        if (std::isfinite(q.x()) && std::isfinite(q.y()))
            points.append(q);
    }
    return points;
}

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

// What a drawing can show: the view's own rectangle, for a view paints nothing outside it, and
// the size of a device pixel in view units.
struct Picture {
    QRectF rect;
    qreal pixel = 1;
};

Picture pictureOf(const QWidget& view, const QPainter& painter)
{
    const qreal pixelsPerUnit = std::sqrt(std::abs(painter.deviceTransform().determinant()));
    return {QRectF(view.rect()), pixelsPerUnit > 0 && std::isfinite(pixelsPerUnit) ? 1 / pixelsPerUnit : 1};
}

// How wide a pen is drawn: its width, but at most kWidestPenInDiagonals picture diagonals. Wider,
// it would still cover the whole picture about any line drawn across or near it, while its
// outline reached far beyond the rasteriser's coordinate range, where one stroke takes seconds.
qreal drawnPenWidth(float width, const Picture& picture)
{
    const qreal diagonal = std::hypot(picture.rect.width(), picture.rect.height());
    return std::min(penWidthOf(width), kWidestPenInDiagonals * diagonal);
}

// The picture grown by what a stroke reaches beyond its points: half its width, times the mitre
// limit at a sharp join, and a pixel of antialiasing.
QRectF strokeClip(const Picture& picture, qreal penWidth)
{
    const qreal reach = std::max(penWidth, picture.pixel) / 2 * kMiterLimit + picture.pixel;
    return picture.rect.adjusted(-reach, -reach, reach, reach);
}

// Strokes `count` points in runs of kStrokeRunLength segments. The runs end at every
// kStrokeRunLength-th point of the whole line, the first point being point `offset` of it, so
// that a line stroked piece by piece, as a growing or clipped curve is, is cut where the whole
// line would be. Each run starts one segment back, so that every join of the whole line is
// still drawn.
void strokeInRuns(QPainter& painter, const QPointF* points, qsizetype count, std::size_t offset)
{
    const auto runLength = static_cast<std::size_t>(kStrokeRunLength);
    for (qsizetype first = 0; first + 1 < count;) {
        const auto toRunEnd = static_cast<qsizetype>(runLength - (offset + std::size_t(first)) % runLength);
        const qsizetype begin = first == 0 ? 0 : first - 1;
        const qsizetype end = std::min(count, first + toRunEnd + 1);
        clearUpperVectorState();
        painter.drawPolyline(points + begin, static_cast<int>(end - begin));
        first = end - 1;
    }
}

// Strokes what can show in the picture of a polyline whose first point is point `offset` of its
// whole line.
void strokePolyline(QPainter& painter, const QPolygonF& points, const Picture& picture,
                    const QColor& color, float width, std::size_t offset = 0)
{
    if (!color.isValid() || points.isEmpty())
        return;
    const qreal penWidth = drawnPenWidth(width, picture);
    const ClippedPolyline clipped = clippedPolyline(points, strokeClip(picture, penWidth));
    painter.setPen(linePen(color, penWidth));
    painter.setBrush(Qt::NoBrush);
    if (isStrokedInRuns(color, width)) {
        for (const ClippedPolyline::Stretch& stretch : clipped.stretches)
            strokeInRuns(painter, clipped.points.constData() + stretch.first, stretch.count,
                         offset + static_cast<std::size_t>(stretch.sourceFirst));
        return;
    }
    clearUpperVectorState();
    if (clipped.stretches.size() == 1) {
        painter.drawPolyline(clipped.points);
        return;
    }
    // One outline for every stretch: a translucent line must not darken where it overlaps.
    QPainterPath path;
    path.reserve(clipped.points.size());
    for (const ClippedPolyline::Stretch& stretch : clipped.stretches) {
        path.moveTo(clipped.points.at(stretch.first));
        for (qsizetype i = stretch.first + 1; i < stretch.first + stretch.count; ++i)
            path.lineTo(clipped.points.at(i));
    }
    painter.drawPath(path);
}

// Everything of a design that its strokes depend on: all but how much of it is drawn and the
// overlays.
auto strokedDesign(const ArtParameters& a)
{
    return std::tie(a.anchorRadius, a.runnerRadius, a.penHoleRadius, a.penDrawSize, a.penColor,
                    a.pen2Color, a.pen3Color, a.numberOfColors, a.rotationsToMake, a.closeCurve,
                    a.drawMode, a.greaseIt);
}

bool pensAreOpaque(const ArtParameters& art)
{
    const QColor pens[] = {art.penColor, art.pen2Color, art.pen3Color};
    return std::all_of(pens, pens + std::min(std::max(art.numberOfColors, 1), 3),
                       [](const QColor& c) { return !c.isValid() || c.alpha() == 255; });
}

}

Rotagraph::Rotagraph(QWidget* parent)
    : QWidget(parent)
{
}

void Rotagraph::copyDesignFrom(const Rotagraph& other)
{
    setAnchorRadius(other.anchorRadius());
    setRunnerRadius(other.runnerRadius());
    setPenHoleRadius(other.penHoleRadius());
    setPenDrawSize(other.penDrawSize());
    setPenColor(other.penColor());
    setPen2Color(other.pen2Color());
    setPen3Color(other.pen3Color());
    setNumberOfColors(other.numberOfColors());
    setRotationsToMake(other.rotationsToMake());
    setCloseCurve(other.closeCurve());
    setFillShape(other.fillShape());
    setFillColor(other.fillColor());
}

QSize Rotagraph::sizeHint() const
{
    return {640, 640};
}

QSize Rotagraph::minimumSizeHint() const
{
    return {240, 240};
}

void Rotagraph::paintEvent(QPaintEvent* event)
{
    drawRect(event->rect());
}

void Rotagraph::drawRect(const QRectF& rect)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_painter = &painter;
    const ArtParameters& art = m_art;
    const float percent = art.percentToDraw;   // read once: the trace, overlay and fill agree
    const bool onScreen = art.drawMode == ScreenMode;

    // The drawing area: the printable area of the page, or the rectangle being drawn.
    float width = 0;
    float height = 0;
    // No page: the area stays (0, 0). An unset QSizeF is (-1, -1), which would fit the design
    // to a negative size at the top left corner.
    if (art.drawMode == PrintMode && m_printableArea.isValid()) {
        width = static_cast<float>(m_printableArea.width());
        height = static_cast<float>(m_printableArea.height());
    } else if (art.drawMode == ImageExportMode) {
        width = static_cast<float>(rect.width());
        height = static_cast<float>(rect.height());
    }
    const QSizeF frame = width + height != 0 ? QSizeF(width, height) : QSizeF(size());

    // Curve space has y up; the transform centres the design and flips it into Qt's y down.
    const qreal scale = onScreen ? 1.0
        : fitFactor(width, height, boundingRadius(art), art.allowScaleUp && art.drawMode == ImageExportMode);
    const QTransform drawing(scale, 0, 0, -scale, frame.width() / 2, frame.height() / 2);
    const Picture picture = pictureOf(*this, painter);

    if (art.showAnchor && onScreen)
        strokeOverlay(painter, drawing.map(circle(art.anchorRadius)));

    CurveParameters parameters;
    parameters.anchorRadius = art.anchorRadius;
    parameters.runnerRadius = art.runnerRadius;
    parameters.penHoleRadius = art.penHoleRadius;
    parameters.rotationsToMake = art.rotationsToMake;
    parameters.percentToDraw = percent;
    parameters.greaseIt = art.greaseIt;
    parameters.numberOfColors = art.numberOfColors;
    parameters.closeCurve = art.closeCurve;
    clearUpperVectorState();
    const TracedCurve curve = traceCurve(parameters);
    m_lastDrawingTruncated = curve.truncated;
    m_lastDrawingPointCount = curve.fillPath.size() - 1;

    if (art.showAnchor && percent < 100 && onScreen) {
        // The runner where the trace left it, with its arm from the centre to the pen.
        QPainterPath runner = circle(art.runnerRadius);
        runner.moveTo(0, 0);
        runner.lineTo(art.penHoleRadius, 0);
        QTransform atRunner = drawing;
        atRunner.translate(curve.lastRunnerCenter.x, curve.lastRunnerCenter.y);
        atRunner.rotateRadians(curve.lastRunnerAngle);
        strokeOverlay(painter, atRunner.map(runner));
    }

    if (art.fillShape && percent >= 100) {
        // The outline begins at the start point, so closing it returns there.
        QPainterPath outline;
        const qreal pixel = picture.pixel;
        outline.addPolygon(clippedOutline(mapped(curve.fillPath, drawing),
                                          picture.rect.adjusted(-pixel, -pixel, pixel, pixel)));
        outline.closeSubpath();
        outline.setFillRule(Qt::WindingFill);
        fillIn(outline);
    }

    // A curve growing on screen, frame by frame in a slow drawing, is stroked onto a layer that
    // keeps the strokes of the frames before: each frame costs its new stretch, not the whole
    // curve so far. Translucent pens are always stroked whole, as one line each.
    if (onScreen && percent < 100 && pensAreOpaque(art)) {
        strokeGrowingCurve(curve, drawing);
        painter.drawImage(QPointF(0, 0), m_growingStrokes);
    } else {
        m_growingStrokes = QImage();
        const Polyline* const paths[] = {&curve.penPath, &curve.pen2Path, &curve.pen3Path};
        const QColor colors[] = {art.penColor, art.pen2Color, art.pen3Color};
        for (int pen = 0; pen < 3 && (pen == 0 || pen < art.numberOfColors); ++pen)
            strokePolyline(painter, mapped(*paths[pen], drawing), picture, colors[pen], art.penDrawSize);
    }

    m_painter = nullptr;
    emit drawn();
}

void Rotagraph::strokeGrowingCurve(const TracedCurve& curve, const QTransform& drawing)
{
    const qreal pixelRatio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * pixelRatio).toSize();
    // A partial curve is an exact prefix of a longer one of the same design: what the layer
    // holds stays right as long as the design is the same and the curve has not shrunk.
    const Polyline* const paths[] = {&curve.penPath, &curve.pen2Path, &curve.pen3Path};
    bool layerHolds = m_growingStrokes.size() == pixels
        && m_growingStrokes.devicePixelRatio() == pixelRatio
        && strokedDesign(m_growingDesign) == strokedDesign(m_art);
    for (int pen = 0; pen < 3; ++pen)
        layerHolds = layerHolds && paths[pen]->size() >= m_growingStrokedPoints[pen];
    if (!layerHolds) {
        m_growingStrokes = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_growingStrokes.setDevicePixelRatio(pixelRatio);
        m_growingStrokes.fill(Qt::transparent);
        m_growingDesign = m_art;
        m_growingStrokedPoints = {};
    }

    QPainter layer(&m_growingStrokes);
    layer.setRenderHint(QPainter::Antialiasing);
    const Picture picture = pictureOf(*this, layer);
    const QColor colors[] = {m_art.penColor, m_art.pen2Color, m_art.pen3Color};
    for (int pen = 0; pen < 3 && (pen == 0 || pen < m_art.numberOfColors); ++pen) {
        // From the last point stroked; a wide pen from one segment back, so that the join with
        // the strokes already there is drawn.
        const std::size_t stroked = m_growingStrokedPoints[pen];
        const std::size_t back = isStrokedInRuns(colors[pen], m_art.penDrawSize) ? 2 : 1;
        const std::size_t first = stroked >= back ? stroked - back : 0;
        if (paths[pen]->size() > stroked)
            strokePolyline(layer, mapped(*paths[pen], drawing, first), picture, colors[pen],
                           m_art.penDrawSize, first);
        m_growingStrokedPoints[pen] = paths[pen]->size();
    }
}

void Rotagraph::fillIn(const QPainterPath& path)
{
    if (m_painter && m_art.fillColor.isValid())
        m_painter->fillPath(path, m_art.fillColor);
}
