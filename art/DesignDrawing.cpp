#include "art/DesignDrawing.h"

#include "art/DesignOverlays.h"
#include "art/DrawingProgress.h"
#include "art/GrowingStrokes.h"
#include "art/PenColourSteps.h"
#include "art/UpperVectorState.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

int pensInUse(const ArtParameters& art)
{
    return std::clamp(art.numberOfColors, 1, 3);
}

}

DesignDrawing::DesignDrawing(const ArtParameters& art, const QTransform& transform, const QRectF& picture,
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

bool DesignDrawing::paintUnderPens(QPainter& painter, bool fillHere)
{
    const bool overlays = m_art.showAnchor && m_onScreen;
    if (overlays)
        paintAnchor(painter, m_art, m_transform);

    clearUpperVectorState();
    if (!m_traced && !traceCurve(curveParameters(m_art), m_buffers.curve, m_control.cancelled))
        return false;
    m_outcome.pointCount = curve().pointCount();
    m_outcome.truncated = curve().truncated;
    reportPercent(m_control, kTracedPercent);

    if (overlays && m_percent < 100)
        paintRollingWheels(painter, m_art, curve(), m_transform);

    m_mapped.emplace(curve(), m_transform);
    if (fillHere && fills()) {
        fillWhole(painter);
        if (isCancelled(m_control))
            return false;
    }
    reportPercent(m_control, strokesStartAt());
    return true;
}

PointSpan DesignDrawing::outline()
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

PointSpan DesignDrawing::pictureOutline()
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

int DesignDrawing::strokesStartAt() const
{
    return fills() ? kFilledPercent : kTracedPercent;
}

std::vector<PenStroke> DesignDrawing::wholePens()
{
    if (coloursAlong())
        return colourStepsFrom(0);
    std::vector<PenStroke> pens;
    for (int pen = 0; pen < pensInUse(m_art); ++pen)
        pens.push_back(penStroke(penColour(pen), {m_mapped->pen(pen), 0}));
    return pens;
}

bool DesignDrawing::growsOnALayer() const
{
    return m_control.growing && ::growsOnALayer(m_art, curve());
}

std::vector<PenStroke> DesignDrawing::newStretches(const QImage& picture)
{
    const int pens = coloursAlong() ? 1 : pensInUse(m_art);
    const auto firsts = growOnLayer(*m_control.growing, picture, m_art, m_transform, curve(), pens);
    std::vector<PenStroke> stretches;
    for (int pen = 0; pen < pens; ++pen) {
        if (!firsts[std::size_t(pen)])
            continue;
        const std::size_t first = *firsts[std::size_t(pen)];
        if (coloursAlong())
            stretches = colourStepsFrom(first);
        else
            stretches.push_back(penStroke(penColour(pen), {m_mapped->pen(pen).from(first), first}));
    }
    return stretches;
}

void DesignDrawing::forgetGrowingLayer()
{
    *m_control.growing = GrowingStrokes{};
}

DrawingOutcome DesignDrawing::finished() const
{
    DrawingOutcome outcome = m_outcome;
    outcome.finished = true;
    reportPercent(m_control, kWholePercent);
    return outcome;
}

bool DesignDrawing::coloursAlong() const
{
    return m_art.colouring.mode != ColourMode::Stretches;
}

QColor DesignDrawing::penColour(int pen) const
{
    const QColor colours[] = {m_art.penColor, m_art.pen2Color, m_art.pen3Color};
    return inked(colours[pen], m_art.colouring.inkOpacity);
}

// A wide opaque step reaches one segment into the next, so that the join between them is drawn:
// the next step, stroked after it, covers that segment in its own colour.
std::vector<PenStroke> DesignDrawing::colourStepsFrom(std::size_t from)
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

bool DesignDrawing::cutsToThePicture() const
{
    return std::isfinite(m_picture.width()) && std::isfinite(m_picture.height());
}

PenStroke DesignDrawing::penStroke(const QColor& color, const Stretch& stretch)
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

void DesignDrawing::fillWhole(QPainter& painter)
{
    const PointSpan points = pictureOutline();
    fillOutline(painter, m_art.fillColor, points.mapped, points.count);
}
