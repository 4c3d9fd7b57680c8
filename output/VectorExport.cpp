#include "output/VectorExport.h"

#include "output/DesignText.h"
#include "output/ExportDialog.h"
#include "output/ExportProgress.h"
#include "output/PdfExport.h"
#include "output/PlotDrawing.h"
#include "output/SafeWrite.h"
#include "output/SvgExport.h"
#include "output/VectorExportOptions.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// A design drawn with the thinnest line the screen shows (width 0) gets a fine plotter pen.
constexpr double kFinePenWidthMm = 0.1;

QString tr(const char* text)
{
    return QCoreApplication::translate("VectorExport", text);
}

bool isPositive(double value)
{
    return std::isfinite(value) && value > 0;
}

ExportFormat dialogFormat(VectorFormat format)
{
    if (format == VectorFormat::Svg)
        return {tr("Export as SVG"), QStringLiteral("svg"), tr("SVG drawing (*.svg)")};
    return {tr("Export as PDF"), QStringLiteral("pdf"), tr("PDF document (*.pdf)")};
}

QString dialogMessage(VectorFormat format)
{
    return format == VectorFormat::Svg
        ? tr("The art will be saved as an SVG drawing in millimetres, one layer for each pen")
        : tr("The art will be saved as a one-page PDF of vector paths, one layer for each pen");
}

}

QString thinningNote(const Composition& shown)
{
    const int cut = firstCutCurve(shown);
    if (cut < 0)
        return {};
    return tr("“%1” and the curves after it are cut short at the point budget, as the window draws them.")
        .arg(shown.curves[std::size_t(cut)].name);
}

double penWidthInMillimetres(float designPenWidth)
{
    return isPositive(designPenWidth) ? designPenWidth * kMillimetresPerPoint : kFinePenWidthMm;
}

QString invalidSettingsReason(const VectorExportSettings& settings)
{
    QStringList reasons;
    for (const OptionRefusal& refusal : optionRefusals(settings.plot))
        reasons << refusal.message;
    return reasons.join(u' ');
}

bool exportVector(const Composition& shown, VectorFormat format, const VectorExportSettings& settings,
                  QString* error, const OutputControl& control)
{
    QString reason = invalidSettingsReason(settings);
    if (reason.isEmpty())
        reason = whyDesignTextIsTooLarge(settings.designText.toUtf8().size());
    if (reason.isEmpty()) {
        const Composition design = exportedComposition(shown, true, settings.greaseIt);
        // Checked once more when the file is whole: a cancel arriving then still writes nothing.
        const auto writeContent = [&](QIODevice& device) {
            const bool written = format == VectorFormat::Svg ? writeSvg(device, design, settings, control)
                                                             : writePdf(device, design, settings, &reason, control);
            return written && !control.isCancelled();
        };
        if (writeFileSafely(settings.target, writeContent, &reason))
            return true;
    }
    if (error)
        *error = reason;
    return false;
}

QByteArray naturalSizeSvg(const Composition& design, const FitExtent& reach, const QString& designText,
                          const OutputControl& control)
{
    VectorExportSettings settings;
    settings.plot.penWidthMm = penWidthInMillimetres(reach.penWidth);
    // The pen's outer half lies in the margin, as the view fits it.
    PlotPage& page = settings.plot.page;
    page.drawingSizeMm = std::max(2 * double(reach.radius) * kMillimetresPerPoint, kFinePenWidthMm);
    page.marginMm = settings.plot.penWidthMm / 2;
    page.paper = PaperSize::Custom;
    page.customSizeMm = QSizeF(page.drawingSizeMm + 2 * page.marginMm, page.drawingSizeMm + 2 * page.marginMm);
    settings.designText = designText;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!writeSvg(buffer, design, settings, control))
        return {};
    return buffer.data();
}

bool exportVectorWithProgress(QWidget* window, const Composition& shown, VectorFormat format,
                              const VectorExportSettings& settings, QString* error)
{
    bool written = false;
    QString reason;
    const QString label = format == VectorFormat::Svg ? tr("Writing the SVG drawing…") : tr("Writing the PDF…");
    const bool finished = runWithProgress(window, label, [&](const OutputControl& control) {
        written = exportVector(shown, format, settings, &reason, control);
    });
    if (written || !finished)
        return true;
    if (error)
        *error = reason;
    return false;
}

QFileDialog* openVectorExportDialog(QWidget* window, const ShownDesign& design, VectorFormat format)
{
    auto* below = new QWidget;
    auto* layout = new QVBoxLayout(below);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* message = new QLabel(dialogMessage(format));
    message->setObjectName(QStringLiteral("exportMessage"));
    message->setWordWrap(true);
    layout->addWidget(message);
    auto* options = new VectorExportOptions(exportedComposition(design.composition, true, design.greaseIt));
    const float penWidth = design.selected().penDrawSize;
    options->showOptions(initialVectorOptions(penWidth));
    layout->addWidget(options);
    layout->addStretch();   // the options at the top of their panel, as tall as the dialog

    const ExportFormat shown = dialogFormat(format);
    // The options are read when the user confirms, as they stand then.
    return openExportDialog(
        window, shown, suggestedFileName(design.selected(), shown.extension), below,
        [options, format, design, penWidth, window = QPointer<QWidget>(window)](const QString& target, QString* error) {
            VectorExportSettings settings;
            settings.target = target;
            settings.plot = options->options();
            settings.greaseIt = design.greaseIt;
            settings.title = documentTitle(target);
            settings.designText = design.text;
            rememberVectorOptions(settings.plot, penWidth);
            return exportVectorWithProgress(window, design.composition, format, settings, error);
        });
}
