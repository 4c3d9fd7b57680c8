#include "output/Printing.h"

#include "art/Rotagraph.h"

#include <QPainter>
#include <QPicture>
#include <QPrinter>

#include <cmath>

namespace {

// The frame a print view starts with; printing gives it the printable area's size.
constexpr int kPrintViewWidth = 468;
constexpr int kPrintViewHeight = 612;
constexpr qreal kPointsPerInch = 72;

}

std::unique_ptr<Rotagraph> makePrintView(const Rotagraph& source)
{
    auto view = std::make_unique<Rotagraph>();
    view->setGeometry(0, 0, kPrintViewWidth, kPrintViewHeight);
    view->setDrawMode(PrintMode);
    // The whole curve with no overlay, never enlarged: showAnchor, percentToDraw and
    // allowScaleUp keep their initial values.
    view->copyDesignFrom(source);
    view->setGreaseIt(source.greaseIt());
    return view;
}

bool printArt(const Rotagraph& source, QPrinter& printer)
{
    const std::unique_ptr<Rotagraph> view = makePrintView(source);
    // The paper less its margins, in points: the view centres and fits the design in it, and
    // takes its size, since a view paints only inside its own rectangle.
    const QRectF printable = printer.pageLayout().paintRect(QPageLayout::Point);
    view->setPrintableArea(printable.size());
    view->resize(static_cast<int>(std::ceil(printable.width())), static_cast<int>(std::ceil(printable.height())));

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The view works in points, line widths included; the printer in its own dots. The printer's
    // origin is the printable area's top-left corner (the paper's in full-page mode, where the
    // printable area is the whole paper).
    painter.scale(printer.logicalDpiX() / kPointsPerInch, printer.logicalDpiY() / kPointsPerInch);
    paintAsVectors(*view, painter);
    return painter.end();
}

void paintAsVectors(Rotagraph& view, QPainter& painter)
{
    // Recorded first and played onto the painter: a picture keeps every curve a vector path. No
    // background is recorded: the paper shows wherever the design does not paint.
    QPicture picture;
    QPainter recorder(&picture);
    view.render(&recorder, QPoint(), QRegion(), QWidget::DrawChildren);
    recorder.end();

    // A picture plays back scaled from its own resolution to the device's; undone here, so that
    // one unit recorded stays one unit of the painter.
    const QPaintDevice& device = *painter.device();
    painter.save();
    painter.scale(qreal(picture.logicalDpiX()) / device.logicalDpiX(), qreal(picture.logicalDpiY()) / device.logicalDpiY());
    painter.drawPicture(0, 0, picture);
    painter.restore();
}
