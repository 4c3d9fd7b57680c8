#include "output/PlotPage.h"

#include <QCoreApplication>
#include <QPageSize>

#include <algorithm>
#include <cmath>

namespace {

QPageSize::PageSizeId pageSizeId(PaperSize paper)
{
    switch (paper) {
    case PaperSize::A5: return QPageSize::A5;
    case PaperSize::A3: return QPageSize::A3;
    case PaperSize::Letter: return QPageSize::Letter;
    case PaperSize::Legal: return QPageSize::Legal;
    case PaperSize::Tabloid: return QPageSize::Tabloid;
    case PaperSize::A4:
    case PaperSize::Square:
    case PaperSize::Custom:
        break;
    }
    return QPageSize::A4;
}

}

QString paperName(PaperSize paper)
{
    switch (paper) {
    case PaperSize::A5: return QStringLiteral("A5");
    case PaperSize::A4: return QStringLiteral("A4");
    case PaperSize::A3: return QStringLiteral("A3");
    case PaperSize::Letter: return QCoreApplication::translate("PlotPage", "Letter");
    case PaperSize::Legal: return QCoreApplication::translate("PlotPage", "Legal");
    case PaperSize::Tabloid: return QCoreApplication::translate("PlotPage", "Tabloid");
    case PaperSize::Square: return QCoreApplication::translate("PlotPage", "Square");
    case PaperSize::Custom: break;
    }
    return QCoreApplication::translate("PlotPage", "Custom");
}

QSizeF pageSizeMm(const PlotPage& page)
{
    if (page.paper == PaperSize::Custom)
        return page.customSizeMm;
    if (page.paper == PaperSize::Square)
        return {kSquarePaperMm, kSquarePaperMm};
    const QSizeF upright = QPageSize::size(pageSizeId(page.paper), QPageSize::Millimeter);
    return page.orientation == PaperOrientation::Landscape ? upright.transposed() : upright;
}

double largestDrawingMm(const PlotPage& page)
{
    const QSizeF size = pageSizeMm(page);
    return std::min(size.width(), size.height()) - 2 * page.marginMm;
}

QRectF drawingRectMm(const PlotPage& page)
{
    const double side = page.drawingSizeMm > 0 ? page.drawingSizeMm : largestDrawingMm(page);
    const QSizeF size = pageSizeMm(page);
    return {(size.width() - side) / 2, (size.height() - side) / 2, side, side};
}

QTransform curveToPage(const PlotPage& page, float reach)
{
    const QRectF drawing = drawingRectMm(page);
    const double scale = reach > 0 && std::isfinite(reach) ? drawing.width() / 2 / double(reach) : 1.0;
    return QTransform(scale, 0, 0, -scale, drawing.center().x(), drawing.center().y());
}
