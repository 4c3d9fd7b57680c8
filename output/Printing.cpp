#include "output/Printing.h"

#include "output/ExportProgress.h"
#include "output/PdfExport.h"
#include "output/PlotOptions.h"
#include "output/SafeWrite.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPicture>
#include <QPrinter>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Printing", text);
}

// A printer's grey scale, for a PDF that is not made by the printer: the design in its greys.
void greyed(QColor& colour)
{
    if (colour.isValid()) {
        const int grey = qGray(colour.rgb());
        colour = QColor(grey, grey, grey, colour.alpha());
    }
}

}

ArtParameters printedDesign(const ArtParameters& shown)
{
    ArtParameters design = shown;
    design.drawMode = PrintMode;
    design.allowScaleUp = false;
    design.showAnchor = false;
    design.percentToDraw = ArtParameters().percentToDraw;
    return design;
}

Composition printedComposition(const Composition& shown)
{
    Composition composition = laidOutCopies(shown);
    for (ComposedCurve& curve : composition.curves)
        curve.art = printedDesign(curve.art);
    return composition;
}

bool printArt(const Composition& shown, QPrinter& printer, QString* error, const OutputControl& control)
{
    Composition design = printedComposition(shown);
    // The paper less its margins, in points: the design is centred and fitted in it. The
    // printer's origin is the printable area's top-left corner (the paper's in full-page mode,
    // where the printable area is the whole paper).
    const QRectF printable = printer.pageLayout().paintRect(QPageLayout::Point);
    const QTransform fitted = fittedTransform(fitExtent(design), static_cast<float>(printable.width()),
                                              static_cast<float>(printable.height()), false);
    // A precise curve as smooth as the paper shows it.
    design = tracedFiner(design, kPlotChordErrorMm / (fitted.m11() * kMillimetresPerPoint));
    // The design works in points, line widths included; the printer in its own dots.
    const auto paint = [&](QPainter& painter, qreal dotsPerInchX, qreal dotsPerInchY) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(dotsPerInchX / kPointsPerInch, dotsPerInchY / kPointsPerInch);
        if (design.background.isValid())
            painter.fillRect(QRectF(QPointF(), printable.size()), design.background);
        return drawCurveByCurve(design, control, [&](std::size_t, const ComposedCurve& curve, const DrawingControl& part) {
            return paintDesign(painter, curve.art, curve.turning() * fitted, part).finished;
        });
    };

    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        // Qt's PDF printer writes its file as it goes, and never says that a write failed: the
        // same page is written here, whole or not at all.
        if (printer.colorMode() == QPrinter::GrayScale)
            for (ComposedCurve& curve : design.curves)
                for (QColor* colour : {&curve.art.penColor, &curve.art.pen2Color, &curve.art.pen3Color, &curve.art.fillColor})
                    greyed(*colour);
        greyed(design.background);
        PdfPage page;
        page.layout = printer.pageLayout();
        page.resolution = printer.resolution();
        page.title = printer.docName();
        page.creator = printer.creator();
        page.version = printer.pdfVersion();
        return writeFileSafely(printer.outputFileName(), [&](QIODevice& device) {
            const bool written = writePdfPage(device, page, [&](QPainter& painter) {
                return paint(painter, page.resolution, page.resolution);
            }, error);
            return written && !control.isCancelled();
        }, error);
    }

    // A print job cannot be taken back from every printer once drawn on: the page is recorded
    // first, where a cancel leaves nothing behind, and handed to the printer whole.
    QPicture picture;
    QPainter recorder(&picture);
    if (!paint(recorder, kPointsPerInch, kPointsPerInch))
        return false;
    recorder.end();
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // Points to the printer's dots. A picture plays back scaled from its own resolution to the
    // device's: undone, so that a point recorded stays a point on paper.
    painter.scale(printer.logicalDpiX() / kPointsPerInch, printer.logicalDpiY() / kPointsPerInch);
    painter.scale(qreal(picture.logicalDpiX()) / printer.logicalDpiX(), qreal(picture.logicalDpiY()) / printer.logicalDpiY());
    painter.drawPicture(0, 0, picture);
    return painter.end();
}

bool printWithProgress(QWidget* window, const Composition& shown, QPrinter& printer, QString* error)
{
    bool printed = false;
    QString reason;
    // The printer is used by the worker alone until it is done: the progress dialog keeps the
    // window, and so the page setup, from it.
    const bool finished = runWithProgress(window, tr("Printing the design…"), [&](const OutputControl& control) {
        printed = printArt(shown, printer, &reason, control);
    });
    if (printed || !finished)
        return true;
    if (error)
        *error = reason;
    return false;
}
