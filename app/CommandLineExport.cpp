#include "app/CommandLineExport.h"

#include "app/DesignArt.h"
#include "app/DesignFormat.h"
#include "app/ExportTargets.h"
#include "output/FileNames.h"
#include "output/FileTarget.h"
#include "output/PngExport.h"
#include "output/VectorExport.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

const QString kExport = QStringLiteral("export");
const QString kThumbnail = QStringLiteral("thumbnail");
const QString kSize = QStringLiteral("size");
const QString kEnlarge = QStringLiteral("enlarge");
const QString kPage = QStringLiteral("page");
const QString kFormat = QStringLiteral("format");

enum class Format { Png, Svg, Pdf };

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLineExport", text);
}

void tell(const QString& message)
{
    // A file name's bytes that are no UTF-8 go out as they came in.
    std::fputs(fileNameForSystem(message + QLatin1Char('\n')).constData(), stderr);
}

std::optional<Format> formatNamed(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == QLatin1String("png"))
        return Format::Png;
    if (lower == QLatin1String("svg"))
        return Format::Svg;
    if (lower == QLatin1String("pdf"))
        return Format::Pdf;
    return std::nullopt;
}

std::optional<PaperSize> paperNamed(const QString& name)
{
    for (PaperSize paper : {PaperSize::A5, PaperSize::A4, PaperSize::A3, PaperSize::Letter, PaperSize::Legal,
                            PaperSize::Tabloid, PaperSize::Square})
        if (name.compare(paperName(paper), Qt::CaseInsensitive) == 0)
            return paper;
    return std::nullopt;
}

// What every picture of one run shares.
struct PictureOptions {
    std::optional<Format> format;   // none: from each output's extension
    std::optional<int> edge;        // none: the size the window's export suggests
    bool enlarge = false;
    PlotPage page;
};

// Draws `file`'s design into `output`; false, having said why, when it cannot.
bool makePicture(const QString& file, const QString& output, const PictureOptions& options)
{
    const DesignReadResult read = loadDesignFile(file);
    if (!read.design) {
        tell(tr("“%1” could not be opened.").arg(QFileInfo(file).fileName()) + QLatin1Char('\n') + read.error);
        return false;
    }
    const Design& design = *read.design;
    const Composition composition = compositionOf(design.curves, 0, artOf(design.curves.first()));
    const bool greaseIt = design.curves.first().greaseIt;
    const QString designText = QString::fromUtf8(designToJson(design));
    const Format format = options.format.value_or(formatNamed(QFileInfo(output).suffix()).value_or(Format::Png));
    QString error;
    bool written = false;
    if (format == Format::Png) {
        PngExportSettings settings;
        settings.target = output;
        settings.edge = std::clamp(options.edge.value_or(suggestedImageEdge(composition)), kMinimumImageEdge,
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
        written = exportVector(composition, format == Format::Svg ? VectorFormat::Svg : VectorFormat::Pdf, settings,
                               &error);
    }
    if (!written)
        tell(tr("“%1” could not be written.").arg(QFileInfo(output).fileName()) + QLatin1Char('\n') + error);
    return written;
}

}

void describeExportOptions(QCommandLineParser& options)
{
    options.addOption({kExport, tr("Draws each FILE into OUTPUT, without a window: a file, or a folder for several."),
                       QStringLiteral("OUTPUT")});
    options.addOption({kThumbnail, tr("Draws FILE as a square PNG thumbnail into OUTPUT.png, as file managers ask.")});
    options.addOption({kSize, tr("The edge of a PNG, or of a thumbnail, in pixels."), QStringLiteral("PIXELS")});
    options.addOption({kEnlarge, tr("Lets a small design grow to fill the PNG.")});
    options.addOption({kPage, tr("The paper of an SVG or PDF: A5, A4, A3, Letter, Legal, Tabloid or Square."),
                       QStringLiteral("PAPER")});
    options.addOption({kFormat, tr("png, svg or pdf; by default the output's extension says."), QStringLiteral("FORMAT")});
}

bool asksForPicturesOnly(int argc, char* argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--thumbnail") == 0 || std::strcmp(argv[i], "--export") == 0
            || std::strncmp(argv[i], "--export=", 9) == 0)
            return true;
    return false;
}

int makePictures(QCommandLineParser& parsed, const QStringList& arguments)
{
    if (!parsed.parse(arguments)) {
        tell(parsed.errorText());
        return kExitBadArguments;
    }
    QStringList files = parsed.positionalArguments();
    QString output = parsed.value(kExport);
    PictureOptions options;
    if (parsed.isSet(kThumbnail)) {
        // --thumbnail FILE OUTPUT: the picture fills its square.
        if (files.size() != 2 || parsed.isSet(kExport)) {
            tell(tr("--thumbnail takes a FILE and an OUTPUT.png."));
            return kExitBadArguments;
        }
        output = files.takeLast();
        options.format = Format::Png;
        options.enlarge = true;
    } else {
        options.enlarge = parsed.isSet(kEnlarge);
    }
    if (files.isEmpty() || output.isEmpty()) {
        tell(tr("--export takes an OUTPUT and at least one FILE."));
        return kExitBadArguments;
    }
    if (parsed.isSet(kFormat)) {
        options.format = formatNamed(parsed.value(kFormat));
        if (!options.format) {
            tell(tr("The format “%1” is none of png, svg and pdf.").arg(parsed.value(kFormat)));
            return kExitBadArguments;
        }
    }
    if (parsed.isSet(kSize)) {
        bool number = false;
        const int edge = parsed.value(kSize).toInt(&number);
        if (!number || edge < kMinimumImageEdge || edge > kMaximumImageEdge) {
            tell(tr("The size is a whole number of pixels from %1 to %2.").arg(kMinimumImageEdge).arg(kMaximumImageEdge));
            return kExitBadArguments;
        }
        options.edge = edge;
    }
    if (parsed.isSet(kPage)) {
        const std::optional<PaperSize> paper = paperNamed(parsed.value(kPage));
        if (!paper) {
            tell(tr("The paper “%1” is none of A5, A4, A3, Letter, Legal, Tabloid and Square.").arg(parsed.value(kPage)));
            return kExitBadArguments;
        }
        options.page.paper = *paper;
    }
    const QString extension = options.format == Format::Svg ? QStringLiteral("svg")
        : options.format == Format::Pdf                     ? QStringLiteral("pdf")
                                                            : QStringLiteral("png");
    // Several files go into a folder, each named after its own.
    const bool intoFolder = files.size() > 1 || isFolder(output);
    if (intoFolder && !isFolder(output)) {
        tell(tr("For several files, OUTPUT must be a folder."));
        return kExitBadArguments;
    }
    QList<ExportTarget> targets;
    if (intoFolder) {
        targets = targetsInFolder(files, output, extension);
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
        allWritten = makePicture(files[i], targets[i].output, options) && allWritten;
    }
    return allWritten ? kExitSucceeded : kExitFailed;
}
