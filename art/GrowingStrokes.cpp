#include "art/GrowingStrokes.h"

#include "art/CurveTrace.h"
#include "art/DrawingGeometry.h"

#include <algorithm>
#include <tuple>

namespace {

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

}

bool growsOnALayer(const ArtParameters& art, const TracedCurve& curve)
{
    return art.drawMode == ScreenMode && art.percentToDraw < 100 && pensAreOpaque(art) && curve.allPointsFinite;
}

std::array<std::optional<std::size_t>, 3> growOnLayer(GrowingStrokes& growing, const QImage& picture,
                                                      const ArtParameters& art, const QTransform& transform,
                                                      const TracedCurve& curve, int pens)
{
    const PolylineView paths[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    bool layerHolds = growing.layer.size() == picture.size()
        && growing.layer.devicePixelRatio() == picture.devicePixelRatio()
        && growing.transform == transform
        && strokedDesign(growing.design) == strokedDesign(art);
    for (int pen = 0; pen < 3; ++pen)
        layerHolds = layerHolds && paths[pen].size() >= growing.strokedPoints[pen];
    if (!layerHolds) {
        growing.layer = QImage(picture.size(), QImage::Format_ARGB32_Premultiplied);
        growing.layer.setDevicePixelRatio(picture.devicePixelRatio());
        growing.layer.fill(Qt::transparent);
        growing.design = art;
        growing.transform = transform;
        growing.strokedPoints = {};
    }
    std::array<std::optional<std::size_t>, 3> firsts;
    for (int pen = 0; pen < pens; ++pen) {
        const std::size_t stroked = growing.strokedPoints[pen];
        const std::size_t back = penWidthOf(art.penDrawSize) > 1 ? 2 : 1;
        if (paths[pen].size() > stroked)
            firsts[pen] = stroked >= back ? stroked - back : 0;
        growing.strokedPoints[pen] = paths[pen].size();
    }
    return firsts;
}
