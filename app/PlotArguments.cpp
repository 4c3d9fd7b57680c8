#include "app/PlotArguments.h"

#include "app/PictureRequest.h"
#include "output/PngExport.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLineExport", text);
}

// What a value says, read as the shell gives it: a dot before any decimals, whatever the locale.
std::optional<double> numberIn(const QString& text)
{
    bool isNumber = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &isNumber);
    return isNumber && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QString notANumber(const char* option, const QString& value)
{
    return tr("--%1 takes a number, not “%2”.").arg(QLatin1String(option), value);
}

std::optional<PaperSize> paperNamed(const QString& name)
{
    for (PaperSize paper : {PaperSize::A5, PaperSize::A4, PaperSize::A3, PaperSize::Letter, PaperSize::Legal,
                            PaperSize::Tabloid, PaperSize::Square})
        if (name.compare(paperName(paper), Qt::CaseInsensitive) == 0)
            return paper;
    return std::nullopt;
}

QString readPaper(const QString& value, PictureOptions& options)
{
    PlotPage& page = options.plot.page;
    if (const std::optional<PaperSize> paper = paperNamed(value)) {
        page.paper = *paper;
        return {};
    }
    static const QRegularExpression ownSize(QStringLiteral("^\\s*([^x×X]+)[x×X]([^x×X]+)$"));
    const QRegularExpressionMatch sides = ownSize.match(value);
    const std::optional<double> width = sides.hasMatch() ? numberIn(sides.captured(1)) : std::nullopt;
    const std::optional<double> height = sides.hasMatch() ? numberIn(sides.captured(2)) : std::nullopt;
    if (!width || !height)
        return tr("The paper “%1” is none of A5, A4, A3, Letter, Legal, Tabloid and Square, nor a WIDTHxHEIGHT in "
                  "millimetres.")
            .arg(value);
    page.paper = PaperSize::Custom;
    page.customSizeMm = QSizeF(*width, *height);
    return {};
}

QString readFill(const QString& value, PictureOptions& options)
{
    const QString style = value.toLower();
    PlotOptions& plot = options.plot;
    plot.hatch.crossHatch = style == QLatin1String("cross-hatch");
    if (style == QLatin1String("solid"))
        plot.fill = FillStyle::Solid;
    else if (style == QLatin1String("hatch") || plot.hatch.crossHatch)
        plot.fill = FillStyle::Hatch;
    else if (style == QLatin1String("none"))
        plot.fill = FillStyle::LeaveOut;
    else
        return tr("--fill takes solid, hatch, cross-hatch or none, not “%1”.").arg(value);
    return {};
}

QString readDotsPerInch(const QString& value, PictureOptions& options)
{
    bool isNumber = false;
    const int dotsPerInch = value.toInt(&isNumber);
    if (!isNumber || dotsPerInch < 1 || dotsPerInch > kMostPngDotsPerInch)
        return tr("--dpi: The resolution is a whole number of dots per inch from 1 to %1.").arg(kMostPngDotsPerInch);
    options.dotsPerInch = dotsPerInch;
    return {};
}

// A length: the value, once read, goes into the plot options at Part, or their page at PagePart.
template <double PlotOptions::*Part, double PlotPage::*PagePart = nullptr>
QString readNumber(const char* option, const QString& value, PictureOptions& options)
{
    const std::optional<double> number = numberIn(value);
    if (!number)
        return notANumber(option, value);
    if constexpr (PagePart != nullptr)
        options.plot.page.*PagePart = *number;
    else
        options.plot.*Part = *number;
    return {};
}

QString millimetres(double value)
{
    return QString::number(value) + QStringLiteral(" mm");
}

QString windowsEnlargement(bool enlarges)
{
    return PngExportSettings().enlarge == enlarges ? tr(" (the default, as in the window)") : QString();
}

struct Argument {
    const char* name;
    const char* valueName;       // none: a switch
    const char* description;     // with %1 where the default goes
    QString (*shownDefault)();   // from the values the dialogs start with; none: nothing to show
    std::optional<PlotField> field;   // the dialog's field whose refusal names this option
    QString (*read)(const char* option, const QString& value, PictureOptions& options);
};

// One row an option: adding an option of the dialogs to the shell is adding its row.
const Argument kArguments[] = {
    {"paper", "PAPER",
     QT_TRANSLATE_NOOP("CommandLineExport", "The paper of an SVG or PDF: A5, A4, A3, Letter, Legal, Tabloid, Square "
                                            "(200 mm), or WIDTHxHEIGHT in millimetres. Default: %1."),
     [] { return paperName(PlotPage().paper); }, PlotField::PageWidth,
     [](const char*, const QString& value, PictureOptions& options) { return readPaper(value, options); }},
    {"page", "PAPER", QT_TRANSLATE_NOOP("CommandLineExport", "Another name for --paper."), nullptr, PlotField::PageWidth,
     [](const char*, const QString& value, PictureOptions& options) { return readPaper(value, options); }},
    {"landscape", nullptr, QT_TRANSLATE_NOOP("CommandLineExport", "Turns a paper of a usual size: its longer side across."),
     nullptr, std::nullopt,
     [](const char*, const QString&, PictureOptions& options) {
         options.plot.page.orientation = PaperOrientation::Landscape;
         return QString();
     }},
    {"margin", "MM", QT_TRANSLATE_NOOP("CommandLineExport", "The margin on every side of the paper. Default: %1."),
     [] { return millimetres(PlotPage().marginMm); }, PlotField::Margin, readNumber<nullptr, &PlotPage::marginMm>},
    {"drawing-size", "MM",
     QT_TRANSLATE_NOOP("CommandLineExport", "The width of the design's bounding circle on paper; 0, the default, is the "
                                            "largest that fits."),
     nullptr, PlotField::DrawingSize, readNumber<nullptr, &PlotPage::drawingSizeMm>},
    {"pen-width", "MM",
     QT_TRANSLATE_NOOP("CommandLineExport", "Every pen's width on paper. Default: the design's own, a point a unit."),
     nullptr, PlotField::PenWidth,
     [](const char* option, const QString& value, PictureOptions& options) {
         const QString refusal = readNumber<&PlotOptions::penWidthMm>(option, value, options);
         options.penWidthGiven = refusal.isEmpty();
         return refusal;
     }},
    {"tolerance", "MM",
     QT_TRANSLATE_NOOP("CommandLineExport", "How far a point left out of a plotted line may lie from it; 0 keeps every "
                                            "point. Default: %1."),
     [] { return millimetres(PlotOptions().simplifyToleranceMm); }, PlotField::SimplifyTolerance,
     readNumber<&PlotOptions::simplifyToleranceMm>},
    {"fill", "STYLE",
     QT_TRANSLATE_NOOP("CommandLineExport", "How fills are plotted: solid (for screens and print), hatch, cross-hatch or "
                                            "none. Default: solid."),
     nullptr, std::nullopt,
     [](const char*, const QString& value, PictureOptions& options) { return readFill(value, options); }},
    {"hatch-spacing", "MM", QT_TRANSLATE_NOOP("CommandLineExport", "Between the lines of a hatched fill. Default: %1."),
     [] { return millimetres(HatchSettings().spacingMm); }, PlotField::HatchSpacing,
     [](const char* option, const QString& value, PictureOptions& options) {
         const std::optional<double> number = numberIn(value);
         options.plot.hatch.spacingMm = number.value_or(0);
         return number ? QString() : notANumber(option, value);
     }},
    {"hatch-angle", "DEG",
     QT_TRANSLATE_NOOP("CommandLineExport", "Of the lines of a hatched fill, counter-clockwise from across. Default: %1°."),
     [] { return QString::number(HatchSettings().angleDegrees); }, PlotField::HatchAngle,
     [](const char* option, const QString& value, PictureOptions& options) {
         const std::optional<double> number = numberIn(value);
         options.plot.hatch.angleDegrees = number.value_or(0);
         return number ? QString() : notANumber(option, value);
     }},
    {"dpi", "N",
     QT_TRANSLATE_NOOP("CommandLineExport", "The resolution a PNG tells, in dots per inch. Default: the one at which it "
                                            "prints the design at its natural size, a point a unit, as the SVG and PDF."),
     nullptr, std::nullopt,
     [](const char*, const QString& value, PictureOptions& options) { return readDotsPerInch(value, options); }},
    {"enlarge", nullptr, QT_TRANSLATE_NOOP("CommandLineExport", "Lets a small design grow to fill the PNG%1."),
     [] { return windowsEnlargement(true); }, std::nullopt,
     [](const char*, const QString&, PictureOptions& options) {
         options.enlarge = true;
         return QString();
     }},
    {"no-enlarge", nullptr,
     QT_TRANSLATE_NOOP("CommandLineExport", "Keeps the design at its natural size in the PNG, shrinking only one too "
                                            "large%1."),
     [] { return windowsEnlargement(false); }, std::nullopt,
     [](const char*, const QString&, PictureOptions& options) {
         options.enlarge = false;
         return QString();
     }},
};

}

void describePlotArguments(QCommandLineParser& parser)
{
    for (const Argument& argument : kArguments) {
        QString description = tr(argument.description);
        if (argument.shownDefault)
            description = description.arg(argument.shownDefault());
        parser.addOption(argument.valueName
                             ? QCommandLineOption(QLatin1String(argument.name), description, QLatin1String(argument.valueName))
                             : QCommandLineOption(QLatin1String(argument.name), description));
    }
}

QString readPlotArguments(const QCommandLineParser& parser, PictureOptions& options)
{
    if (parser.isSet(QStringLiteral("enlarge")) && parser.isSet(QStringLiteral("no-enlarge")))
        return tr("--enlarge and --no-enlarge say opposite things: give one.");
    for (const Argument& argument : kArguments) {
        const QString name = QLatin1String(argument.name);
        if (!parser.isSet(name))
            continue;
        if (const QString refusal = argument.read(argument.name, parser.value(name), options); !refusal.isEmpty())
            return refusal;
    }
    // As the dialog refuses them, each named by its option; hatching given is checked even when
    // the fill is not hatched, since it was asked for.
    PlotOptions checked = options.plot;
    checked.fill = FillStyle::Hatch;
    for (const OptionRefusal& refusal : optionRefusals(checked)) {
        const PlotField field = refusal.field == PlotField::PageHeight ? PlotField::PageWidth : refusal.field;
        for (const Argument& argument : kArguments)
            if (argument.field == field)
                return QStringLiteral("--%1: %2").arg(QLatin1String(argument.name), refusal.message);
    }
    return {};
}
