#include "output/Thumbnail.h"

#include "art/DesignPainter.h"
#include "output/ExportDialog.h"

#include <algorithm>

#include <time.h>

namespace {

// The processor time of the whole process so far: on a busy machine a wall clock would cut a
// thumbnail that has had little of the processor.
std::chrono::nanoseconds processorTime()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}

std::size_t thumbnailPointShare(const Composition& composition, int edge)
{
    const auto visible = std::size_t(std::count_if(composition.curves.begin(), composition.curves.end(),
                                                   [](const ComposedCurve& curve) { return curve.visible; }));
    const std::size_t budget = std::min(kThumbnailPointsPerPixel * std::size_t(std::max(edge, 1)), kMostThumbnailPoints);
    return budget / std::max<std::size_t>(visible, 1);
}

QImage renderThumbnail(const Composition& shown, int edge, bool greaseIt, std::chrono::milliseconds deadline)
{
    const std::chrono::nanoseconds end = processorTime() + deadline;
    const Composition design = exportedComposition(shown, true, greaseIt);
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(design.background.isValid() ? design.background : QColor(Qt::transparent));
    const auto side = static_cast<float>(edge);
    const QTransform fitted = fittedTransform(fitExtent(design), side, side, true);
    const std::size_t share = thumbnailPointShare(design, edge);
    TracedCurve traced;
    for (const ComposedCurve& curve : design.curves) {
        if (!curve.visible)
            continue;
        if (processorTime() >= end)
            break;
        CurveParameters parameters = curveParameters(curve.art);
        parameters.pointBudget = std::min(parameters.pointBudget, share);
        if (!traceForDrawing(parameters, traced, nullptr))
            continue;
        DrawingControl control;
        control.traced = &traced;
        // One band: file managers run many thumbnails at once.
        paintDesignInBands(image, curve.art, curve.turning() * fitted, 1, control);
    }
    return image;
}
