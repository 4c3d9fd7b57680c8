// Draws a design made of raw bytes into a small image, twice, as a slow drawing's frames would:
// every float any bit pattern (NaN, the infinities, radii and pen widths up to 3e38), any draw
// mode and number of colours, colours with any alpha or none, overlays, fill and enlarging on
// or off; then once more straight into an image, through any transform, by one to three
// threads. A drawing must finish, promptly, without a fault the sanitizers see.
//
// As in fuzz_trace, designs of more than kMaxTurns revolutions are left out: their cost is the
// trace's, not the drawing's.

#include "art/DesignPainter.h"
#include "view/Rotagraph.h"

#include <QApplication>
#include <QImage>

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr float kMaxTurns = 10;
constexpr float kWholeCurve = 100;
constexpr int kMaxImageEdge = 48;

float anyFloat(FuzzedDataProvider& data)
{
    const auto bits = data.ConsumeIntegral<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QColor anyColor(FuzzedDataProvider& data)
{
    const auto rgba = data.ConsumeIntegral<QRgb>();
    return data.ConsumeBool() ? QColor::fromRgba(rgba) : QColor();
}

// On screen the picture is drawn here and now, not by a worker: every design is drawn whole.
void drawInto(QImage& image, Rotagraph& view)
{
    image.fill(Qt::transparent);
    view.finishDrawing();
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    Rotagraph view;
    view.resize(data.ConsumeIntegralInRange(1, kMaxImageEdge), data.ConsumeIntegralInRange(1, kMaxImageEdge));
    view.setDrawMode(data.ConsumeIntegral<int32_t>());
    view.setAnchorRadius(anyFloat(data));
    view.setRunnerRadius(anyFloat(data));
    view.setPenHoleRadius(anyFloat(data));
    view.setRotationsToMake(anyFloat(data));
    view.setPercentToDraw(anyFloat(data));
    view.setPenDrawSize(anyFloat(data));
    view.setNumberOfColors(data.ConsumeIntegral<int32_t>());
    view.setPenColor(anyColor(data));
    view.setPen2Color(anyColor(data));
    view.setPen3Color(anyColor(data));
    view.setFillColor(anyColor(data));
    view.setShowAnchor(data.ConsumeBool());
    view.setCloseCurve(data.ConsumeBool());
    view.setFillShape(data.ConsumeBool());
    view.setGreaseIt(data.ConsumeBool());
    view.setAllowScaleUp(data.ConsumeBool());
    view.setPrintableArea(QSizeF(anyFloat(data), anyFloat(data)));
    const float laterPercent = anyFloat(data);

    // Written so that NaN is kept: it traces no point.
    const auto tooLong = [&view](float percent) {
        return std::fabs(view.rotationsToMake() * percent / kWholeCurve) > kMaxTurns;
    };
    if (tooLong(kWholeCurve) || tooLong(view.percentToDraw()) || tooLong(laterPercent))
        return -1;   // not worth keeping in the corpus

    const int threads = data.ConsumeIntegralInRange(1, 3);
    const double zoom = data.ConsumeFloatingPointInRange(1e-3, 1e4);
    const double turn = data.ConsumeFloatingPointInRange(-360.0, 360.0);
    const QPointF shift(data.ConsumeFloatingPointInRange(-1e4, 1e4), data.ConsumeFloatingPointInRange(-1e4, 1e4));

    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    drawInto(image, view);
    // A frame later, on the strokes the first one left, or a whole redraw.
    view.setPercentToDraw(laterPercent);
    drawInto(image, view);

    // Straight into an image, zoomed in far or out, turned and moved, on one thread or several:
    // the rasteriser of images sees every point the drawing does, however far off.
    const ArtParameters& art = view.parameters();
    QTransform transform = fittedTransform(art, float(image.width()), float(image.height()));
    transform *= QTransform().translate(-image.width() / 2.0, -image.height() / 2.0).rotate(turn).scale(zoom, zoom)
                     .translate(image.width() / 2.0 + shift.x(), image.height() / 2.0 + shift.y());
    image.fill(Qt::transparent);
    paintDesignInBands(image, art, transform, threads);
    return 0;
}
