#include "output/PngExport.h"

#include "app/Controls.h"
#include "art/Rotagraph.h"
#include "output/SaveOptions2.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageWriter>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>

#include <cmath>
#include <cstdlib>

namespace {

constexpr float kEdgeMargin = 10;   // pixels added to the design's diameter
const QString kPngSuffix = QStringLiteral("png");
const QByteArray kPngFormat = QByteArrayLiteral("png");
// Qt's PNG writer takes compression on a scale of 0 to 100 and maps it onto zlib's levels 0 to
// 9; 11 is level 1. A 5000-pixel image is mostly transparent rows, which zlib's fastest level
// packs nearly as well as its default (about 1 MB rather than 0.65 MB for the heaviest design)
// in a fraction of the time; the rest of the encoding is libpng's row filtering, which no
// setting here changes.
constexpr int kPngCompression = 11;

// Object names by which the export's message boxes can be told apart.
const QString kReplaceQuestionName = QStringLiteral("replaceQuestion");
const QString kExportFailureName = QStringLiteral("exportFailure");

QString tr(const char* text)
{
    return QCoreApplication::translate("PngExport", text);
}

// A message box blocks only the window it belongs to; exec() returns when it is answered.
int askWindowModal(QMessageBox& box)
{
    box.setWindowModality(Qt::WindowModal);
    return box.exec();
}

bool confirmReplacing(QWidget* window, const QString& target)
{
    const QFileInfo file(target);
    QMessageBox box(QMessageBox::Warning, tr("Export as PNG"),
                    tr("“%1” already exists. Do you want to replace it?").arg(file.fileName()),
                    QMessageBox::Yes | QMessageBox::Cancel, window);
    box.setObjectName(kReplaceQuestionName);
    box.setInformativeText(tr("The image gets the extension .png, and a file of that name is "
                              "already in “%1”.").arg(QDir::toNativeSeparators(file.absolutePath())));
    box.button(QMessageBox::Yes)->setText(tr("Replace"));
    box.setDefaultButton(QMessageBox::Cancel);
    return askWindowModal(box) == QMessageBox::Yes;
}

void reportFailure(QWidget* window, const QString& target, const QString& reason)
{
    QMessageBox box(QMessageBox::Warning, tr("Export as PNG"),
                    tr("The art could not be saved as “%1”.").arg(QDir::toNativeSeparators(target)),
                    QMessageBox::Ok, window);
    box.setObjectName(kExportFailureName);
    box.setInformativeText(reason);
    askWindowModal(box);
}

// A short write is not yet a failure: the rest is written again, and only a write that
// achieves nothing fails, with its reason in the device's error string.
bool writeAll(QIODevice& device, const QByteArray& bytes)
{
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 count = device.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0)
            return false;
        written += count;
    }
    return true;
}

// Puts a widget in a new row below everything the dialog shows, across its whole width.
void addBelow(QFileDialog& dialog, QWidget* widget)
{
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(widget, grid->rowCount(), 0, 1, grid->columnCount());
    else if (dialog.layout())
        dialog.layout()->addWidget(widget);
}

}

int suggestedImageEdge(const Rotagraph& art)
{
    const float radius = (art.anchorRadius() + art.runnerRadius()) + art.penHoleRadius();
    return truncatedToInt(radius * 2 + kEdgeMargin);
}

QString suggestedFileName(const Rotagraph& art)
{
    const float runner = art.runnerRadius();
    // Widened before the sign goes: the magnitude of the smallest int is no int.
    const qint64 runnerMagnitude = std::llabs(qint64(truncatedToInt(runner)));
    return QStringLiteral("Rotagram %1a\u2022%2%3%4r\u2022%5p\u00D7%6.png")
        .arg(QString::number(truncatedToInt(art.anchorRadius())),
             runner > 0 ? QStringLiteral("o") : QStringLiteral("i"),
             QString::number(runnerMagnitude),
             art.greaseIt() ? QStringLiteral("t") : QString(),
             QString::number(truncatedToInt(art.penHoleRadius())),
             QString::number(truncatedToInt(art.rotationsToMake())));
}

QString pngTarget(const QString& chosenPath)
{
    return chosenPath.endsWith(kPngSuffix, Qt::CaseSensitive) ? chosenPath
                                                              : chosenPath + u'.' + kPngSuffix;
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

QImage renderExportImage(const Rotagraph& art, int edge, bool enlarge, bool greaseIt)
{
    Rotagraph view;
    view.setDrawMode(ImageExportMode);
    view.setAllowScaleUp(enlarge);
    // The whole curve with no overlay: showAnchor and percentToDraw keep their initial values.
    view.copyDesignFrom(art);
    view.setGreaseIt(greaseIt);
    view.resize(edge, edge);

    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())   // no memory for it
        return image;
    image.fill(Qt::transparent);
    // Children only: the view paints no background, so untouched pixels stay transparent.
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QByteArray encodePng(const QImage& image, QString* error)
{
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QImageWriter writer(&encoded, kPngFormat);
    writer.setCompression(kPngCompression);
    if (!writer.write(image)) {
        *error = writer.errorString();
        return {};
    }
    return encoded.data();
}

bool writeWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    // QSaveFile writes beside the target and renames only a complete file over it; it never
    // falls back to writing the target directly.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !writeAll(file, bytes) || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool exportPng(const Rotagraph& art, const PngExportSettings& settings, QString* error)
{
    const QImage image = renderExportImage(art, settings.edge, settings.enlarge, settings.greaseIt);
    if (image.isNull()) {
        *error = tr("There is not enough memory for an image of %1 × %1 pixels.").arg(settings.edge);
        return false;
    }
    const QByteArray png = encodePng(image, error);
    return !png.isEmpty() && writeWhole(settings.target, png, error);
}

QFileDialog* openPngExportDialog(QWidget* window, Rotagraph* artView, QCheckBox* wheelGrease)
{
    if (!artView)
        return nullptr;
    auto* dialog = new QFileDialog(window, tr("Export as PNG"));
    // Qt's own dialog, so that the options can sit inside it.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(suggestedFileName(*artView));

    auto* message = new QLabel(tr("The art will be saved as a PNG with transparency"));
    message->setObjectName(QStringLiteral("exportMessage"));
    addBelow(*dialog, message);
    auto* options = new SaveOptions2;
    if (QComboBox* size = options->savePixelSize())
        size->setCurrentText(QString::number(suggestedImageEdge(*artView)));
    addBelow(*dialog, options);

    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, options, art = QPointer<Rotagraph>(artView),
                      grease = QPointer<QCheckBox>(wheelGrease)](int result) {
                         completePngExport(result, *dialog, *options, art, grease);
                         dialog->deleteLater();
                     });
    dialog->open();
    return dialog;
}

void completePngExport(int result, const QFileDialog& dialog, const SaveOptions2& options,
                       const Rotagraph* artView, const QCheckBox* wheelGrease)
{
    const QStringList chosen = dialog.selectedFiles();
    if (result != QDialog::Accepted || !artView || chosen.isEmpty() || chosen.first().isEmpty())
        return;

    PngExportSettings settings;
    settings.target = pngTarget(chosen.first());
    const QPointer<QComboBox> size = options.savePixelSize();
    settings.edge = imageEdge(size ? size->currentText() : QString());
    const QPointer<QButtonGroup> enlarge = options.enlargeOption();
    settings.enlarge = enlarge && enlarge->checkedId() == SaveOptions2::kEnlargeTag;
    settings.greaseIt = isOn(wheelGrease);

    QWidget* window = dialog.parentWidget();
    // The dialog asked about replacing the name it was given, not about the one with ".png".
    if (settings.target != chosen.first() && QFileInfo::exists(settings.target)
        && !confirmReplacing(window, settings.target))
        return;
    QString error;
    if (!exportPng(*artView, settings, &error))
        reportFailure(window, settings.target, error);
}
