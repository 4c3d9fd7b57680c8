#include "app/CommandLineExport.h"

#include "app/DesignArt.h"
#include "app/DesignFormat.h"
#include "app/ExportTargets.h"
#include "app/PictureRequest.h"
#include "output/FileNames.h"
#include "output/FileTarget.h"
#include "output/DesignText.h"
#include "output/PngExport.h"
#include "output/SafeWrite.h"
#include "output/Thumbnail.h"
#include "output/VectorExport.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLineExport", text);
}

void tell(const QString& message)
{
    // A file name's bytes that are no UTF-8 go out as they came in.
    std::fputs(fileNameForSystem(message + QLatin1Char('\n')).constData(), stderr);
}

// As file managers ask by default.
constexpr int kDefaultThumbnailEdge = 128;

// The thumbnail, with the design's text as an export carries it.
bool writeThumbnail(const Composition& composition, const QString& output, int edge, bool greaseIt,
                    const QString& designText, QString* error)
{
    if (const QString tooLarge = whyDesignTextIsTooLarge(designText.toUtf8().size()); !tooLarge.isEmpty()) {
        *error = tooLarge;
        return false;
    }
    QImage image = renderThumbnail(composition, edge, greaseIt);
    if (image.isNull()) {
        *error = tr("There is not enough memory for an image of %1 × %1 pixels.").arg(edge);
        return false;
    }
    image.setText(kDesignTextKey, designText);
    const QByteArray png = encodePng(image, error);
    return !png.isEmpty() && writeFileSafely(output, png, error);
}

// Draws `file`'s design into `output`; false, having said why, when it cannot.
bool makePicture(const QString& file, const QString& output, const PictureOptions& options)
{
    const DesignReadResult read = loadDesignFile(file);
    if (!read.design) {
        tell(tr("“%1” could not be opened.").arg(QFileInfo(file).fileName()) + QLatin1Char('\n') + read.error);
        return false;
    }
    const Design& design = *read.design;
    const Composition composition = compositionOf(design);
    const bool greaseIt = design.curves.first().greaseIt;
    const QString designText = QString::fromUtf8(designToJson(design));
    const PictureFormat format = formatOf(options, output);
    QString error;
    bool written = false;
    if (options.thumbnail) {
        written = writeThumbnail(composition, output, options.edge.value_or(kDefaultThumbnailEdge), greaseIt, designText,
                                 &error);
    } else if (format == PictureFormat::Png) {
        PngExportSettings settings;
        settings.target = output;
        settings.edge = std::clamp(options.edge.value_or(suggestedImageEdge(fitExtent(composition))), kMinimumImageEdge,
                                   kMaximumImageEdge);
        settings.enlarge = options.enlarge;
        settings.greaseIt = greaseIt;
        settings.designText = designText;
        written = writePngExport(composition, settings, &error);
    } else {
        VectorExportSettings settings;
        settings.target = output;
        settings.plot.page = options.page;
        // To the thousandth of a millimetre, as the export dialog's field starts with it.
        constexpr double kThousandths = 1000;
        settings.plot.penWidthMm = std::round(penWidthInMillimetres(design.curves.first().penWidth) * kThousandths)
            / kThousandths;
        settings.greaseIt = greaseIt;
        settings.title = QFileInfo(output).completeBaseName();
        settings.designText = designText;
        written = exportVector(composition, format == PictureFormat::Svg ? VectorFormat::Svg : VectorFormat::Pdf, settings,
                               &error);
        if (written && !thinningNote(composition).isEmpty())
            tell(tr("“%1”: %2").arg(QFileInfo(output).fileName(), thinningNote(composition)));
    }
    if (!written)
        tell(tr("“%1” could not be written.").arg(QFileInfo(output).fileName()) + QLatin1Char('\n') + error);
    return written;
}

}

bool asksForPicturesOnly(int argc, char* argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--thumbnail") == 0 || std::strcmp(argv[i], "--export") == 0
            || std::strncmp(argv[i], "--export=", 9) == 0)
            return true;
    return false;
}

int makePictures(QCommandLineParser& parser, const QStringList& arguments)
{
    QString refusal;
    const std::optional<PictureRequest> request = readPictureRequest(parser, arguments, &refusal);
    if (!request) {
        tell(refusal);
        return kExitBadArguments;
    }
    const QStringList& files = request->files;
    const QString& output = request->output;
    // Several files go into a folder, each named after its own.
    const bool intoFolder = files.size() > 1 || isFolder(output);
    if (intoFolder && !isFolder(output)) {
        tell(tr("For several files, OUTPUT must be a folder."));
        return kExitBadArguments;
    }
    QList<ExportTarget> targets;
    if (intoFolder) {
        targets = targetsInFolder(files, output, extensionOf(request->options.format.value_or(PictureFormat::Png)));
    } else if (isSameFile(files.first(), output)) {
        tell(tr("“%1” is the file to draw: drawing it there would lose it.").arg(output));
        return kExitBadArguments;
    } else {
        targets = {{output}};
    }
    bool allWritten = true;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (targets[i].renamed)
            tell(tr("“%1” is drawn into “%2”: its own name is taken in this run.")
                     .arg(files[i], QFileInfo(targets[i].output).fileName()));
        allWritten = makePicture(files[i], targets[i].output, request->options) && allWritten;
    }
    return allWritten ? kExitSucceeded : kExitFailed;
}
