#include "art/DesignPainter.h"

#include "art/BandedPainting.h"
#include "art/DesignDrawing.h"
#include "art/DrawingGeometry.h"
#include "art/DrawingProgress.h"
#include "art/ImageRasteriser.h"
#include "art/UpperVectorState.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// In drawingWork: a wide pen's runs and a fill cost about this many thin points per point.
constexpr std::size_t kWidePenWork = 4;
constexpr std::size_t kFillWork = 3;

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
    StrokeProgress progress(withoutLayer, pointsToStroke(pens), drawing.strokesStartAt());
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
        StrokeProgress progress(control, pointsToStroke(pens) * std::size_t(bands), drawing.strokesStartAt());
        if (!paintInBands(image, work, bands, control, &progress))
            return {};
        return drawing.finished();
    }
    const std::vector<PenStroke> stretches = drawing.newStretches(image);
    work.pens = &stretches;
    StrokeProgress progress(control, pointsToStroke(stretches) * std::size_t(bands), drawing.strokesStartAt());
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
    p.chordError = art.chordError;
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
        // Shared as the screen's steps share it: a curve traced finer for an output takes what it
        // needs within its own budget, and never cuts a later curve that the window draws whole.
        CurveParameters onScreen = traced.back();
        onScreen.chordError = 0;
        const std::size_t points = estimatedPointCount(onScreen);
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
        if (!traceForDrawing(traced[i], buffers.curve, control.cancelled))
            return {};
        DrawingControl withTrace = control;
        withTrace.buffers = &buffers;
        withTrace.traced = &buffers.curve;
        // Every copy from the one trace; the outcome is the curve's, counted once.
        for (int k = 0; k < copyCount(curve); ++k) {
            const ComposedCurve copy = copyOf(curve, k);
            ArtParameters art = copy.art;
            art.showAnchor = art.showAnchor && int(i) == overlayCurve;
            const DrawingOutcome outcome = paintDesign(painter, art, copy.turning() * transform, withTrace);
            if (!outcome.finished)
                return {};
            if (k == 0)
                addCurveOutcome(whole, outcome, int(i));
        }
    }
    return whole;
}

QTransform fittedTransform(const FitExtent& extent, float width, float height, bool mayEnlarge)
{
    const qreal scale = fitFactor(width, height, extent.radius, extent.penWidth, mayEnlarge);
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
