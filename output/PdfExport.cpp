#include "output/PdfExport.h"

#include "art/Rotagraph.h"
#include "output/Printing.h"
#include "output/VectorExport.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace {

// The view draws in micrometres: its frame is a whole number of units, so a size in millimetres
// with up to three decimals fits the design exactly as the SVG does.
constexpr double kViewUnitsPerMillimetre = 1000;

QString tr(const char* text)
{
    return QCoreApplication::translate("PdfExport", text);
}

}

bool writePdf(QIODevice& device, Rotagraph& design, const VectorExportSettings& settings, QString* error)
{
    QPdfWriter writer(&device);
    writer.setTitle(settings.title);
    writer.setCreator(QCoreApplication::applicationName());
    // Qt's PDF writer gives every page a whole number of points: the page is the nearest such
    // size, and the drawing is centred on it, each margin within a quarter point of the one
    // chosen. An exact match, or a size near a standard paper would become that paper.
    const auto pagePoints = static_cast<int>(std::lround((settings.sizeMm + 2 * settings.marginMm) / kMillimetresPerPoint));
    const QPageLayout page(QPageSize(QSize(pagePoints, pagePoints), QString(), QPageSize::ExactMatch),
                           QPageLayout::Portrait, QMarginsF(), QPageLayout::Point);
    if (!writer.setPageLayout(page)) {
        *error = tr("A page of %1 points is more than a PDF can hold.").arg(pagePoints);
        return false;
    }

    const auto edge = static_cast<int>(std::lround(settings.sizeMm * kViewUnitsPerMillimetre));
    design.resize(edge, edge);
    design.setPenDrawSize(static_cast<float>(settings.penWidthMm * kViewUnitsPerMillimetre));

    QPainter painter;
    if (!painter.begin(&writer)) {
        *error = tr("The PDF could not be started.");
        return false;
    }
    const double deviceUnitsPerMillimetre = writer.resolution() / kMillimetresPerInch;
    painter.scale(deviceUnitsPerMillimetre / kViewUnitsPerMillimetre, deviceUnitsPerMillimetre / kViewUnitsPerMillimetre);
    const double margin = (pagePoints * kMillimetresPerPoint - settings.sizeMm) / 2 * kViewUnitsPerMillimetre;
    painter.translate(margin, margin);
    paintAsVectors(design, painter);
    return painter.end();
}
