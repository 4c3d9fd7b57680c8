#include "output/PngExport.h"

#include "output/DesignText.h"
#include "output/ExportDialog.h"
#include "output/ExportProgress.h"
#include "output/PngEncoding.h"
#include "output/PlotPage.h"
#include "output/SafeWrite.h"
#include "output/SaveOptions2.h"
#include "widgets/Controls.h"

#include <QBuffer>
#include <QComboBox>
#include <QCoreApplication>
#include <QImageWriter>
#include <QLabel>
#include <QPointer>
#include <QThread>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace {

constexpr float kEdgeMargin = 10;   // pixels added to the design's diameter
const QString kPngSuffix = QStringLiteral("png");

QString tr(const char* text)
{
    return QCoreApplication::translate("PngExport", text);
}

}

int suggestedImageEdge(const FitExtent& reach)
{
    return truncatedToInt(reach.radius * 2 + kEdgeMargin);
}

int imageEdge(const QString& sizeText)
{
    const float asked = leadingNumber(sizeText);
    if (std::isnan(asked) || asked < float(kMinimumImageEdge))
        return kMinimumImageEdge;
    if (asked > float(kMaximumImageEdge))
        return kMaximumImageEdge;
    return truncatedToInt(std::round(asked));
}

double naturalDotsPerInch(const FitExtent& reach, int edge, bool enlarge)
{
    const float side = static_cast<float>(edge);
    return fittedTransform(reach, side, side, enlarge).m11() * kPointsPerInch;
}

double printedMillimetres(int edge, double dotsPerInch)
{
    return edge / dotsPerInch * kMillimetresPerInch;
}

QImage renderExportImage(const Composition& shown, int edge, bool enlarge, bool greaseIt, const OutputControl& control)
{
    const Composition design = exportedComposition(shown, enlarge, greaseIt);
    return drawExportImage(design, fitExtent(design), edge, enlarge, control);
}

QImage drawExportImage(const Composition& design, const FitExtent& reach, int edge, bool enlarge,
                       const OutputControl& control)
{
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())   // no memory for it
        return image;
    // Without a background of the design's, untouched pixels stay transparent.
    image.fill(design.background.isValid() ? design.background : QColor(Qt::transparent));
    const float side = static_cast<float>(edge);
    const QTransform fitted = fittedTransform(reach, side, side, enlarge);
    // A precise curve as smooth as the image's pixels show it: its chords within a quarter pixel.
    constexpr double kQuarterPixel = 0.25;
    const Composition finer = tracedFiner(design, kQuarterPixel / fitted.m11());
    // Each curve over the ones before, its pens stroked by every processor.
    const bool drawn = drawCurveByCurve(finer, control, [&](std::size_t, const ComposedCurve& curve, const DrawingControl& part) {
        return paintDesignInBands(image, curve.art, curve.turning() * fitted, QThread::idealThreadCount(), part).finished;
    });
    return drawn ? image : QImage();
}

QByteArray encodePng(const QImage& image, QString* error, double dotsPerInch)
{
    PngEncodingOptions options;
    options.dotsPerInch = dotsPerInch;
    return encodePngImage(image, options, error);
}

bool writePngExport(const Composition& shown, const PngExportSettings& settings, QString* error,
                    const OutputControl& control)
{
    // Refused before any drawing: an image whose design would not open again is no export.
    if (const QString tooLarge = whyDesignTextIsTooLarge(settings.designText.toUtf8().size()); !tooLarge.isEmpty()) {
        *error = tooLarge;
        return false;
    }
    const Composition design = exportedComposition(shown, settings.enlarge, settings.greaseIt);
    const FitExtent reach = fitExtent(design);
    QImage image = drawExportImage(design, reach, settings.edge, settings.enlarge, control);
    if (control.isCancelled())
        return false;
    if (image.isNull()) {
        *error = tr("There is not enough memory for an image of %1 × %1 pixels.").arg(settings.edge);
        return false;
    }
    // The design goes with its picture, so that opening the image gives it back.
    if (!settings.designText.isEmpty())
        image.setText(kDesignTextKey, settings.designText);
    const double dotsPerInch = settings.dotsPerInch > 0 ? settings.dotsPerInch
                                                        : naturalDotsPerInch(reach, settings.edge, settings.enlarge);
    const QByteArray png = encodePng(image, error, dotsPerInch);
    if (png.isEmpty())
        return false;
    // Checked once more when the file is whole: a cancel arriving then still writes nothing.
    QString reason;
    const bool written = writeFileSafely(settings.target, [&](QIODevice& device) {
        return writeAll(device, png) && !control.isCancelled();
    }, &reason);
    if (!written && !control.isCancelled())
        *error = reason;
    return written;
}

bool exportPng(QWidget* window, const Composition& shown, const PngExportSettings& settings, QString* error)
{
    // A large image takes a while: drawn, encoded and written on a worker, with a progress
    // dialog that can cancel it. Nothing is written then.
    bool written = false;
    bool cancelled = false;
    QString reason;
    runWithProgress(window, tr("Drawing the image…"), [&](const OutputControl& control) {
        written = writePngExport(shown, settings, &reason, control);
        cancelled = control.isCancelled();
    });
    if (written || cancelled)
        return true;
    *error = reason;
    return false;
}

QFileDialog* openPngExportDialog(QWidget* window, const ShownDesign& design)
{
    auto* below = new QWidget;
    auto* layout = new QVBoxLayout(below);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* message = new QLabel(tr("The art will be saved as a PNG with transparency"));
    message->setObjectName(QStringLiteral("exportMessage"));
    message->setWordWrap(true);
    layout->addWidget(message);
    auto* options = new SaveOptions2;
    // The reach of the design as exported, with the grease the export draws with.
    options->showRememberedChoices(suggestedImageEdge(fitExtent(design.composition)),
                                   fitExtent(exportedComposition(design.composition, true, design.greaseIt)));
    layout->addWidget(options);
    layout->addStretch();   // the options at the top of their panel, as tall as the dialog

    const ExportFormat format{tr("Export as PNG"), kPngSuffix, tr("PNG image (*.png)")};
    // The options are read when the user confirms, as they stand then.
    return openExportDialog(window, format, suggestedFileName(design.selected(), kPngSuffix), below,
                            [options, window = QPointer<QWidget>(window), design](const QString& target, QString* error) {
                                PngExportSettings settings;
                                settings.target = target;
                                const QPointer<QComboBox> size = options->savePixelSize();
                                settings.edge = imageEdge(size ? size->currentText() : QString());
                                const QPointer<QButtonGroup> enlarge = options->enlargeOption();
                                settings.enlarge = enlarge && enlarge->checkedId() == SaveOptions2::kEnlargeTag;
                                settings.greaseIt = design.greaseIt;
                                settings.designText = design.text;
                                settings.dotsPerInch = options->dotsPerInch();
                                SaveOptions2::rememberChoices(settings.edge, settings.enlarge, settings.dotsPerInch);
                                return exportPng(window, design.composition, settings, error);
                            });
}
