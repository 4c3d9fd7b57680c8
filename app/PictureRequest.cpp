#include "app/PictureRequest.h"

#include "app/PlotArguments.h"
#include "output/PngExport.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

const QString kExport = QStringLiteral("export");
const QString kThumbnail = QStringLiteral("thumbnail");
const QString kSize = QStringLiteral("size");
const QString kFormat = QStringLiteral("format");

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLineExport", text);
}

std::optional<PictureRequest> refused(QString* refusal, const QString& why)
{
    if (refusal)
        *refusal = why;
    return std::nullopt;
}

}

void describeExportOptions(QCommandLineParser& options)
{
    options.addOption({kExport, tr("Draws each FILE into OUTPUT, without a window: a file, or a folder for several. "
                                   "Pictures that would have one name in a folder are told apart by a number "
                                   "(name-2.png), and none takes the place of a FILE."),
                       QStringLiteral("OUTPUT")});
    options.addOption({kThumbnail, tr("Draws FILE as a square PNG thumbnail into OUTPUT.png, as file managers ask.")});
    options.addOption({kSize, tr("The edge of a PNG, or of a thumbnail, in pixels."), QStringLiteral("PIXELS")});
    options.addOption({kFormat, tr("png, svg or pdf; by default the output's extension says."), QStringLiteral("FORMAT")});
    describePlotArguments(options);
}

std::optional<PictureRequest> readPictureRequest(QCommandLineParser& parsed, const QStringList& arguments,
                                                 QString* refusal)
{
    if (!parsed.parse(arguments))
        return refused(refusal, parsed.errorText());
    PictureRequest request;
    request.files = parsed.positionalArguments();
    request.output = parsed.value(kExport);
    PictureOptions& options = request.options;
    if (parsed.isSet(kThumbnail)) {
        // --thumbnail FILE OUTPUT: the picture fills its square.
        if (request.files.size() != 2 || parsed.isSet(kExport))
            return refused(refusal, tr("--thumbnail takes a FILE and an OUTPUT.png."));
        request.output = request.files.takeLast();
        options.format = PictureFormat::Png;
        options.thumbnail = true;
    }
    if (request.files.isEmpty() || request.output.isEmpty())
        return refused(refusal, tr("--export takes an OUTPUT and at least one FILE."));
    if (parsed.isSet(kFormat)) {
        options.format = formatNamed(parsed.value(kFormat));
        if (!options.format)
            return refused(refusal, tr("The format “%1” is none of png, svg and pdf.").arg(parsed.value(kFormat)));
    }
    if (parsed.isSet(kSize)) {
        bool number = false;
        const int edge = parsed.value(kSize).toInt(&number);
        if (!number || edge < kMinimumImageEdge || edge > kMaximumImageEdge)
            return refused(refusal, tr("The size is a whole number of pixels from %1 to %2.")
                                        .arg(kMinimumImageEdge)
                                        .arg(kMaximumImageEdge));
        options.edge = edge;
    }
    if (const QString refusedValue = readPlotArguments(parsed, options); !refusedValue.isEmpty())
        return refused(refusal, refusedValue);
    if (options.thumbnail)
        options.enlarge = true;   // a thumbnail's picture fills its square
    return request;
}

std::optional<PictureFormat> formatNamed(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == QLatin1String("png"))
        return PictureFormat::Png;
    if (lower == QLatin1String("svg"))
        return PictureFormat::Svg;
    if (lower == QLatin1String("pdf"))
        return PictureFormat::Pdf;
    return std::nullopt;
}

PictureFormat formatOf(const PictureOptions& options, const QString& output)
{
    return options.format.value_or(formatNamed(QFileInfo(output).suffix()).value_or(PictureFormat::Png));
}

QString extensionOf(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Svg:
        return QStringLiteral("svg");
    case PictureFormat::Pdf:
        return QStringLiteral("pdf");
    case PictureFormat::Png:
        break;
    }
    return QStringLiteral("png");
}
