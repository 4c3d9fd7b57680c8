#include "output/PlotDrawing.h"

#include "art/CurveTrace.h"
#include "art/DesignPainter.h"
#include "art/PenColourSteps.h"
#include "output/PathSplitting.h"
#include "output/Simplify.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

// Points are mapped and thinned this many at a time, so that a line of millions of points never
// stands whole on the page before it is thinned.
constexpr std::size_t kPointsPerBatch = 1 << 16;
// A fill's outline is one path, which readers built on libxml2 refuse beyond 10 MB: at about 16
// bytes a point, this many stay well within it.
constexpr std::size_t kMostOutlinePoints = 400'000;
constexpr int kWholePercent = 100;

// The points of `run` on the page, those that are not finite left out, thinned within
// `toleranceMm`. A batch's last point begins the next one, so it is kept whatever the thinning.
QPolygonF plottedLine(const PolylineView& run, const QTransform& toPage, double toleranceMm)
{
    QPolygonF plotted;
    std::vector<QPointF> batch;
    batch.reserve(std::min(run.size(), kPointsPerBatch + 1));
    const auto thinBatch = [&](bool last) {
        const std::vector<std::size_t> kept = keptPointIndices(batch.data(), batch.size(), toleranceMm);
        for (std::size_t i = 0; i + (last ? 0 : 1) < kept.size(); ++i)
            plotted << batch[kept[i]];
        const QPointF carried = batch.back();
        batch.clear();
        batch.push_back(carried);
    };
    for (const CurvePoint point : run) {
        const QPointF onPage = toPage.map(QPointF(point.x, point.y));
        if (!std::isfinite(onPage.x()) || !std::isfinite(onPage.y()))
            continue;
        batch.push_back(onPage);
        if (batch.size() > kPointsPerBatch)
            thinBatch(false);
    }
    if (!batch.empty())
        thinBatch(true);
    if (plotted.size() < 2)   // a single point: no line for a pen to draw
        plotted.clear();
    return plotted;
}

// A curve's name on its layers: a curve without one is called by its place, as the list shows it.
QString layerName(std::size_t index, const ComposedCurve& curve)
{
    return curve.name.isEmpty() ? QCoreApplication::translate("PlotDrawing", "Curve %1").arg(index + 1) : curve.name;
}

bool plotFill(const QPolygonF& outline, const PlotOptions& options, const std::atomic<bool>* cancelled,
              PlottedLayer& layer)
{
    if (options.fill == FillStyle::Solid) {
        layer.layer.kind = LayerKind::Fill;
        layer.paths = {outline};
        return true;
    }
    QList<QLineF> lines;
    if (hatchOutline(outline.constData(), std::size_t(outline.size()), options.hatch, lines, cancelled) != HatchResult::Done)
        return false;
    const QList<QLineF> ordered = inPlottingOrder(lines, plottingOrder(lines));
    layer.paths.reserve(ordered.size());
    for (const QLineF& line : ordered)
        layer.paths.append(QPolygonF{line.p1(), line.p2()});
    return true;
}

// The stretches `steps` of `line`, each a path of its own in its colour, cut into pieces of at
// most kMostPointsPerInkPiece points when the ink is translucent. A gradient's paths keep their
// colours in `layer`; otherwise they all have the layer's.
// Two wide strokes that merely meet leave a notch on the outside of a bend, and a hairline where
// their antialiased ends touch; so an opaque colour begins half a pen's width back on the last
// segment of the one before, which it covers, and is joined there as one line. A plotter draws
// that little twice; translucent ink would deepen there, and only meets.
void plotApart(const PolylineView& line, const std::vector<ColourStep>& steps, bool ink, const QTransform& toPage,
               const PlotOptions& options, PlottedLayer& layer)
{
    constexpr int kOpaque = 255;
    const bool gradient = layer.layer.kind == LayerKind::Gradient;
    layer.strokedApart = true;
    for (const ColourStep& step : steps) {
        if (!step.colour.isValid() || step.last <= step.first || step.last >= line.size())
            continue;
        const std::size_t points = step.last - step.first + 1;
        for (const PathPiece& piece : pathPieces(points, ink ? kMostPointsPerInkPiece : points)) {
            QPolygonF path = plottedLine(PolylineView(line.data() + step.first + piece.first, piece.count), toPage,
                                         options.simplifyToleranceMm);
            if (path.isEmpty())
                continue;
            if (gradient && !layer.paths.isEmpty() && step.colour.alpha() == kOpaque
                && layer.pathColours.constLast().alpha() == kOpaque && layer.paths.constLast().constLast() == path.constFirst()) {
                const QPolygonF& before = layer.paths.constLast();
                const QLineF back(path.constFirst(), before[before.size() - 2]);
                if (back.length() > 0)
                    path.prepend(back.pointAt(std::min(options.penWidthMm / 2 / back.length(), 1.0)));
            }
            layer.paths << std::move(path);
            if (gradient)
                layer.pathColours << step.colour;
        }
    }
}

// One curve's layers, handed to `take`: its fill under its pens, as the view paints them.
bool plotCurve(const TracedCurve& curve, const CurveParameters& traced, const ComposedCurve& composed,
               const QString& name, const QTransform& toPage, const PlotOptions& options,
               const DrawingControl& control, const std::function<bool(PlottedLayer&)>& take)
{
    const ArtParameters& art = composed.art;
    const double tolerance = options.simplifyToleranceMm;
    // A curve coloured along its length is traced as one line.
    const int pens = std::clamp(traced.numberOfColors, 1, 3);
    const bool ink = art.colouring.inkOpacity < kOpaqueInk;
    int layersDone = 0;
    const auto layerDone = [&] {
        if (control.percentDone)
            control.percentDone->store(++layersDone * kWholePercent / (pens + 1), std::memory_order_relaxed);
    };
    if (art.fillShape && art.fillColor.isValid() && options.fill != FillStyle::LeaveOut) {
        PlottedLayer fill{{name, art.fillColor, LayerKind::Pen}, {}, {}, false};
        // The fill's edge lies under the pens: it may move by half a pen's width unseen, and by
        // more on a curve too long for one path.
        double outlineTolerance = std::max(tolerance, options.penWidthMm / 2);
        QPolygonF outline = plottedLine(curve.fillPath(), toPage, outlineTolerance);
        while (std::size_t(outline.size()) > kMostOutlinePoints) {
            outlineTolerance *= 2;
            outline = plottedLine(curve.fillPath(), toPage, outlineTolerance);
        }
        if (!outline.isEmpty()) {
            if (!plotFill(outline, options, control.cancelled, fill))
                return false;
            if (!fill.paths.isEmpty() && !take(fill))
                return false;
        }
    }
    layerDone();
    const PolylineView stretches[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    if (art.colouring.mode != ColourMode::Stretches) {
        const std::vector<ColourStep> steps = penColourSteps(art, traced, stretches[0].size());
        if (steps.empty())
            return true;
        PlottedLayer layer{{name, steps.front().colour, LayerKind::Gradient}, {}, {}, false};
        plotApart(stretches[0], steps, ink, toPage, options, layer);
        layerDone();
        return layer.paths.isEmpty() || take(layer);
    }
    const QColor colours[] = {art.penColor, art.pen2Color, art.pen3Color};
    for (int pen = 0; pen < pens; ++pen, layerDone()) {
        if (control.cancelled && control.cancelled->load(std::memory_order_relaxed))
            return false;
        if (!colours[pen].isValid())
            continue;
        PlottedLayer layer{{name, inked(colours[pen], art.colouring.inkOpacity), LayerKind::Pen}, {}, {}, false};
        if (ink && stretches[pen].size() >= 2) {
            plotApart(stretches[pen], {{0, stretches[pen].size() - 1, layer.layer.colour}}, true, toPage, options, layer);
        } else {
            const QPolygonF line = plottedLine(stretches[pen], toPage, tolerance);
            if (!line.isEmpty())
                layer.paths = {line};
        }
        if (!layer.paths.isEmpty() && !take(layer))
            return false;
    }
    return true;
}

}

bool namesCurves(const Composition& design)
{
    return std::count_if(design.curves.begin(), design.curves.end(), [](const ComposedCurve& c) { return c.visible; }) > 1;
}

bool plotDrawing(const Composition& design, const PlotOptions& options, const OutputControl& control,
                 const std::function<bool(PlottedLayer&)>& take)
{
    if (design.background.isValid()) {
        const QSizeF page = pageSizeMm(options.page);
        PlottedLayer background{{{}, design.background, LayerKind::Background}, {QPolygonF(QRectF(QPointF(), page))}, {}, false};
        if (!take(background))
            return false;
    }
    const QTransform fitted = curveToPage(options.page, boundingRadius(design));
    // The composition's budget, as the window draws it: the curves after it runs out are cut. A
    // precise curve is traced as finely as the paper shows it, its chords within 0.01 mm.
    const std::vector<CurveParameters> budgeted = curveParameters(tracedFiner(design, kPlotChordErrorMm / fitted.m11()));
    TracedCurve curve;
    return drawCurveByCurve(design, control, [&](std::size_t index, const ComposedCurve& composed,
                                                 const DrawingControl& part) {
        const CurveParameters& traced = budgeted[index];
        if (!traceCurve(traced, curve, part.cancelled))
            return false;
        return plotCurve(curve, traced, composed, layerName(index, composed), composed.turning() * fitted, options, part,
                         take);
    });
}

int firstCutCurve(const Composition& design)
{
    const std::vector<CurveParameters> budgeted = curveParameters(design);
    for (std::size_t i = 0; i < budgeted.size(); ++i) {
        if (!design.curves[i].visible)
            continue;
        // Counted as far as a curve's own budget: one that reaches it is cut there.
        const std::size_t points = estimatedPointCount(curveParameters(design.curves[i].art));
        if (points >= kTracePointBudget || points > budgeted[i].pointBudget)
            return int(i);
    }
    return -1;
}

std::vector<PenTally> plotCost(const Composition& design, const PlotOptions& options, const OutputControl& control,
                               const std::function<void(const PlottedLayer&)>& seen)
{
    struct Pen {
        PenTally tally;
        QPointF at;   // where the pen was lifted last
    };
    std::vector<Pen> pens;
    std::vector<std::size_t> penEntries;   // pen K's entry in `pens` at K - 1
    LayerNumbering numbering(false);
    const bool plotted = plotDrawing(design, options, control, [&](PlottedLayer& layer) {
        if (seen)
            seen(layer);
        const LayerLabel label = numbering.next(layer.layer);
        if (layer.layer.kind == LayerKind::Gradient) {
            std::set<QRgb> colours;
            for (const QColor& colour : std::as_const(layer.pathColours))
                colours.insert(colour.rgb());   // a pen has no opacity of its own
            pens.push_back({{layer.layer.colour, {}, int(colours.size())}, {}});
        } else if (label.pen == 0) {
            return true;   // a solid fill: no pen draws it
        } else if (std::size_t(label.pen) > penEntries.size()) {
            penEntries.push_back(pens.size());
            pens.push_back({{layer.layer.colour, {}}, {}});
        }
        Pen& pen = layer.layer.kind == LayerKind::Gradient ? pens.back() : pens[penEntries[std::size_t(label.pen) - 1]];
        const PlotLength length = plotLength(layer.paths, pen.at);
        pen.tally.length.penDownMm += length.penDownMm;
        pen.tally.length.penUpMm += length.penUpMm;
        pen.at = layer.paths.constLast().constLast();
        return true;
    });
    std::vector<PenTally> tallies;
    if (plotted)
        for (const Pen& pen : pens)
            tallies.push_back(pen.tally);
    return tallies;
}
