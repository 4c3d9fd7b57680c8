#include "output/PdfExport.h"

#include "output/PdfWriter.h"
#include "output/PlotDrawing.h"
#include "output/SafeWrite.h"
#include "output/VectorExport.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace {

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
    PdfWriter pdf(device, pageSizeMm(settings.plot.page), control.cancelled);
    LayerNumbering numbering(namesCurves(design));
    const bool plotted = plotDrawing(design, settings.plot, control, [&](PlottedLayer& layer) {
        pdf.beginLayer(numbering.next(layer.layer).text);
        if (layer.layer.kind == LayerKind::Fill || layer.layer.kind == LayerKind::Background) {
            pdf.fillPaths(layer.paths, layer.layer.colour);
        } else if (layer.strokedApart) {
            for (qsizetype i = 0; i < layer.paths.size() && pdf.isWriting(); ++i)
                pdf.strokePaths({layer.paths[i]}, layer.colourOf(i), settings.plot.penWidthMm);
        } else {
            pdf.strokePaths(layer.paths, layer.layer.colour, settings.plot.penWidthMm);
        }
        pdf.endLayer();
        return pdf.isWriting();
    });
    const bool finished = pdf.finish(settings.title, QCoreApplication::applicationName());
    if (!finished && !control.isCancelled() && error)
        *error = device.errorString();
    return plotted && finished;
}
