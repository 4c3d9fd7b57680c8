#include "output/PdfExport.h"

#include "output/SafeWrite.h"
#include "output/VectorExport.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace {

// The drawing is made in micrometres: its square is a whole number of units, so a size in
// millimetres with up to three decimals fits the design exactly as the SVG does.
constexpr double kUnitsPerMillimetre = 1000;

QString tr(const char* text)
{
    return QCoreApplication::translate("PdfExport", text);
}

// Hands every byte on to the target whole, and remembers the first write that failed and why;
// after it, every write fails.
class CheckedWrite : public QIODevice
{
public:
    explicit CheckedWrite(QIODevice& target)
        : m_target(target)
    {
        open(QIODevice::WriteOnly);
    }

    bool failed() const { return m_failed; }
    QString failure() const { return m_failure; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* /*data*/, qint64 /*size*/) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (m_failed)
            return -1;
        if (!writeAll(m_target, data, size)) {
            m_failed = true;
            m_failure = m_target.errorString();
            return -1;
        }
        return size;
    }

private:
    QIODevice& m_target;
    bool m_failed = false;
    QString m_failure;
};

}

bool writePdfPage(QIODevice& device, const PdfPage& page, const std::function<bool(QPainter&)>& paint, QString* error)
{
    CheckedWrite checked(device);
    bool painted = false;
    {
        QPdfWriter writer(&checked);
        writer.setTitle(page.title);
        writer.setCreator(page.creator);
        writer.setPdfVersion(page.version);
        writer.setResolution(page.resolution);
        if (!writer.setPageLayout(page.layout)) {
            const QSizeF points = page.layout.fullRect(QPageLayout::Point).size();
            *error = tr("A page of %1 × %2 points is more than a PDF can hold.").arg(points.width()).arg(points.height());
            return false;
        }
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = tr("The PDF could not be started.");
            return false;
        }
        painted = paint(painter);
        // What end() returns says nothing of the writes: the device does.
        painter.end();
    }
    if (checked.failed()) {
        *error = checked.failure();
        return false;
    }
    return painted;
}

bool writePdf(QIODevice& device, const Composition& design, const VectorExportSettings& settings, QString* error,
              const OutputControl& control)
{
    // Qt's PDF writer gives every page a whole number of points: the page is the nearest such
    // size, and the drawing is centred on it, each margin within a quarter point of the one
    // chosen. An exact match, or a size near a standard paper would become that paper.
    const auto pagePoints = static_cast<int>(std::lround((settings.sizeMm + 2 * settings.marginMm) / kMillimetresPerPoint));
    PdfPage page;
    page.layout = QPageLayout(QPageSize(QSize(pagePoints, pagePoints), QString(), QPageSize::ExactMatch),
                              QPageLayout::Portrait, QMarginsF(), QPageLayout::Point);
    page.title = settings.title;
    page.creator = QCoreApplication::applicationName();

    Composition drawn = design;
    for (ComposedCurve& curve : drawn.curves)
        curve.art.penDrawSize = static_cast<float>(settings.penWidthMm * kUnitsPerMillimetre);
    const auto edge = static_cast<float>(std::lround(settings.sizeMm * kUnitsPerMillimetre));
    // The drawing fills its square, as the SVG's does.
    const QTransform fitted = fittedTransform(drawn, edge, edge, true);
    return writePdfPage(device, page, [&](QPainter& painter) {
        painter.setRenderHint(QPainter::Antialiasing);
        const double unitsPerMillimetre = page.resolution / kMillimetresPerInch;
        painter.scale(unitsPerMillimetre / kUnitsPerMillimetre, unitsPerMillimetre / kUnitsPerMillimetre);
        const double margin = (pagePoints * kMillimetresPerPoint - settings.sizeMm) / 2 * kUnitsPerMillimetre;
        painter.translate(margin, margin);
        return drawCurveByCurve(drawn, control, [&](std::size_t, const ComposedCurve& curve, const DrawingControl& part) {
            return paintDesign(painter, curve.art, curve.turning() * fitted, part).finished;
        });
    }, error);
}
