#include "art/Rotagraph.h"

#include "art/CurveTrace.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// The margin the fit leaves: a circle of the bounding radius spans 2 / 2.05 of the narrower side.
constexpr double kFitMargin = 2.05;
constexpr qreal kOverlayLineWidth = 1;
constexpr qreal kMiterLimit = 10;
// Wide antialiased pens are stroked in runs of this many segments. Qt's rasteriser renders an
// outline in bands of rows and goes over every edge of the outline again for each band, so one
// outline for the whole curve costs several times more than short pieces of it. Measured at
// 1000 by 1000, width 3: 16 segments are best for long segments (1260 points: 2.7 ms, 32: 2.8,
// 64: 3.2, whole: 16 ms), 32 for short ones (375,000 points: 16: 210 ms, 32: 180, 64: 210).
constexpr int kStrokeRunLength = 32;

QColor overlayGrey() { return QColor::fromRgbF(0.5f, 0.5f, 0.5f); }

// The uniform scale from curve units to the drawing area: the smaller of the two fits, never
// above 1 unless enlarging is allowed. A bounding radius of 0 gives no finite fit: scale 1.
float fitFactor(float width, float height, float boundingRadius, bool mayEnlarge)
{
    const double span = static_cast<double>(boundingRadius) * kFitMargin;
    const auto fx = static_cast<float>(static_cast<double>(width) / span);
    const auto fy = static_cast<float>(static_cast<double>(height) / span);
    const auto clamped = [](float f) { return std::isnan(f) ? 1.0f : std::min(f, 1.0f); };
    const float x = mayEnlarge ? fx : clamped(fx);
    const float y = mayEnlarge ? fy : clamped(fy);
    const float s = std::isnan(x) ? y : std::isnan(y) ? x : std::min(x, y);
    return std::isfinite(s) ? s : 1.0f;
}

// A polyline mapped into view coordinates; a point that is not finite is left out.
QPolygonF mapped(const Polyline& polyline, const QTransform& transform)
{
    QPolygonF points;
    points.reserve(static_cast<qsizetype>(polyline.size()));
    for (const CurvePoint& p : polyline) {
        const QPointF q = transform.map(QPointF(p.x, p.y));
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

void strokePolyline(QPainter& painter, const QPolygonF& points, const QColor& color, float width)
{
    if (!color.isValid() || points.isEmpty())
        return;
    const qreal penWidth = std::isfinite(width) && width > 0 ? width : 0;   // 0: the thinnest line
    painter.setPen(linePen(color, penWidth));
    painter.setBrush(Qt::NoBrush);
    // Thin pens take the fast path of the rasteriser, and a translucent pen must be one outline
    // or its overlaps would darken: both are drawn whole.
    if (penWidth <= 1 || color.alpha() != 255) {
        clearUpperVectorState();
        painter.drawPolyline(points);
        return;
    }
    // Each run starts one segment back, so that every join of the whole line is still drawn.
    const qsizetype count = points.size();
    for (qsizetype first = 0; first + 1 < count; first += kStrokeRunLength) {
        const qsizetype begin = first == 0 ? 0 : first - 1;
        const qsizetype end = std::min(count, first + kStrokeRunLength + 1);
        clearUpperVectorState();
        painter.drawPolyline(points.constData() + begin, static_cast<int>(end - begin));
    }
}

}

Rotagraph::Rotagraph(QWidget* parent)
    : QWidget(parent)
{
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
    const float boundingRadius = (art.anchorRadius + art.runnerRadius) + art.penHoleRadius;
    const qreal scale = onScreen ? 1.0
        : fitFactor(width, height, boundingRadius, art.allowScaleUp && art.drawMode == ImageExportMode);
    const QTransform drawing(scale, 0, 0, -scale, frame.width() / 2, frame.height() / 2);

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
        outline.addPolygon(mapped(curve.fillPath, drawing));
        outline.closeSubpath();
        outline.setFillRule(Qt::WindingFill);
        fillIn(outline);
    }

    strokePolyline(painter, mapped(curve.penPath, drawing), art.penColor, art.penDrawSize);
    if (art.numberOfColors >= 2)
        strokePolyline(painter, mapped(curve.pen2Path, drawing), art.pen2Color, art.penDrawSize);
    if (art.numberOfColors >= 3)
        strokePolyline(painter, mapped(curve.pen3Path, drawing), art.pen3Color, art.penDrawSize);

    m_painter = nullptr;
    emit drawn();
}

void Rotagraph::fillIn(const QPainterPath& path)
{
    if (m_painter && m_art.fillColor.isValid())
        m_painter->fillPath(path, m_art.fillColor);
}
