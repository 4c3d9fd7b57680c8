#include "app/DesignClipboard.h"

#include "app/DesignFormat.h"
#include "app/Notice.h"
#include "output/PngExport.h"
#include "output/VectorExport.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include <algorithm>

namespace {

// The export's default: the drawing fills the image.
constexpr bool kEnlarge = true;

QString tr(const char* text)
{
    return QApplication::translate("DesignClipboard", text);
}

}

void copyDesign(QWidget* window, const ShownDesign& design)
{
    // One drawing, with one reach, for the image and the vector editor's SVG.
    const Composition drawing = exportedComposition(design.composition, kEnlarge, design.greaseIt);
    const FitExtent reach = fitExtent(drawing);
    const int edge = std::clamp(suggestedImageEdge(reach), kMinimumImageEdge, kMaximumImageEdge);
    QImage image;
    QByteArray svg;
    const bool finished = runWithProgress(window, tr("Copying the design…"), [&](const OutputControl& control) {
        image = drawExportImage(drawing, reach, edge, kEnlarge, control);
        svg = naturalSizeSvg(drawing, reach, design.text, control);
    });
    if (!finished)
        return;
    auto* data = new QMimeData;
    if (!image.isNull()) {   // without memory for the image, the design's text still goes
        image.setText(kDesignTextKey, design.text);
        data->setImageData(image);
    }
    // A vector editor pastes the drawing as vectors.
    if (!svg.isEmpty())
        data->setData(QStringLiteral("image/svg+xml"), svg);
    data->setText(design.text);
    QApplication::clipboard()->setMimeData(data);
}

std::optional<Design> pasteDesign(QWidget* window)
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QString text = data && data->hasText() ? data->text() : QString();
    if (text.trimmed().isEmpty() && data && data->hasImage())
        text = qvariant_cast<QImage>(data->imageData()).text(kDesignTextKey);
    DesignReadResult read;
    read.notADesign = true;
    if (!text.trimmed().isEmpty())
        read = readDesign(text.toUtf8());
    // Any text may be on the clipboard: only a design with a faulty value needs a reason.
    if (!read.design)
        showNotice(window, QStringLiteral("pasteFailure"), tr("Paste Design"),
                   tr("The clipboard holds no Rotagraph design."), read.notADesign ? QString() : read.error,
                   read.details);
    return read.design;
}
