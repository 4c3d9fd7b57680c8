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
        settings.dotsPerInch = options.dotsPerInch;
        settings.greaseIt = greaseIt;
        settings.designText = designText;
        written = writePngExport(composition, settings, &error);
    } else {
        VectorExportSettings settings;
        settings.target = output;
        settings.plot = options.plot;
        // To the thousandth of a millimetre, as the export dialog's field starts with it.
        constexpr double kThousandths = 1000;
        if (!options.penWidthGiven)
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

bool asksForPicturesOnly(const QCommandLineParser& options)
{
    return options.isSet(QStringLiteral("export")) || options.isSet(QStringLiteral("thumbnail"));
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
    ExportPlan plan;
    if (request->options.thumbnail) {
        plan.targets = {{request->output}};   // a file manager names it as it likes
        if (isSameFile(files.first(), request->output))
            plan.refusal = tr("“%1” is the file to draw: drawing it there would lose it.").arg(request->output);
    } else {
        plan = planExport(*request);
    }
    if (!plan.refusal.isEmpty()) {
        tell(plan.refusal);
        return kExitBadArguments;
    }
    if (!plan.folderToMake.isEmpty()) {
        if (const QString why = makeFolder(plan.folderToMake); !why.isEmpty()) {
            tell(tr("The folder “%1” could not be made.").arg(plan.folderToMake) + QLatin1Char('\n') + why);
            return kExitFailed;
        }
    }
    bool allWritten = true;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const ExportTarget& target = plan.targets[i];
        if (target.renamed)
            tell(tr("“%1” is drawn into “%2”: its own name is taken in this run.")
                     .arg(files[i], QFileInfo(target.output).fileName()));
        allWritten = makePicture(files[i], target.output, request->options) && allWritten;
    }
    return allWritten ? kExitSucceeded : kExitFailed;
}
