#include "art/BandedPainting.h"

#include "art/DrawingProgress.h"
#include "art/FillBands.h"
#include "art/ImageRasteriser.h"
#include "art/UpperVectorState.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <optional>
#include <system_error>
#include <thread>

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
        } else if (work.fillColor
                   && !fillInBands(painter, *work.fillColor, work.outline, firstRow, endRow, pixelRatio, picture.width(), control)) {
            paintedWhole[std::size_t(band)] = 0;
            return;
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
