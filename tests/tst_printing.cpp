// Printing, end to end: a design is printed to a real PDF, which pdfinfo and pdftoppm (from
// poppler-utils, installed by scripts/setup) read back. The page is rasterised and measured: where
// the ink sits, how far it reaches, and whether it matches the whole design drawn independently.

#include "app/AppDelegate.h"
#include "view/Rotagraph.h"
#include "output/Printing.h"
#include "TestSupport.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMainWindow>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <optional>

namespace {

constexpr qreal kPointsPerInch = 72;
constexpr int kRasterDpi = 144;
constexpr qreal kPixelsPerPoint = kRasterDpi / kPointsPerInch;
constexpr qreal kInchMargin = 72;
constexpr qreal kHalfInchMargin = 36;

// A colourless pixel this dark can only come from the grey wheel overlays.
constexpr int kGreyDarkness = 32;
constexpr int kGreyChannelSpread = 12;
constexpr int kColourTolerance = 48;   // the printed raster is not antialiased, the expected one is
// How much of the printed ink must lie within a pixel of the expected ink, and the reverse.
constexpr double kMinInkAgreement = 0.97;
constexpr double kMinColourAgreement = 0.97;
// The extent and centre measured in the raster, in points.
constexpr qreal kExtentTolerance = 2;
constexpr qreal kCentreTolerance = 1.5;


// The view's design as the printing tests start from it: a pen 1 wide.
const DrawnDesign kPrinted{160, 72, 53, 9, 1};

// Four lobes, so the pen reaches the bounding radius on both axes and the curve is symmetric
// about the centre: its ink spans 2 × radius × fit + pen width each way.
DrawnDesign fourLobes(float anchorRadius, float penHoleRadius, float penWidth = 1)
{
    constexpr float kLobes = 4;
    DrawnDesign design = kPrinted;
    design.anchorRadius = anchorRadius;
    design.runnerRadius = anchorRadius / kLobes;
    design.penHoleRadius = penHoleRadius;
    design.rotations = 1;
    design.penWidth = penWidth;
    return design;
}

QPageLayout pageLayout(QPageSize::PageSizeId page, QPageLayout::Orientation orientation, qreal margin)
{
    return QPageLayout(QPageSize(page), orientation, QMarginsF(margin, margin, margin, margin),
                       QPageLayout::Point);
}

void setUpPdf(QPrinter& printer, const QString& fileName, const QPageLayout& layout)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setPageLayout(layout);
}

bool isGrey(QRgb pixel)
{
    const int spread = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)})
        - std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
    return darkness(pixel) >= kGreyDarkness && spread <= kGreyChannelSpread;
}

// The bounding box of the ink, in points on the page.
QRectF inkBounds(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isInk(image.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return {};
    return {left / kPixelsPerPoint, top / kPixelsPerPoint, (right + 1 - left) / kPixelsPerPoint,
            (bottom + 1 - top) / kPixelsPerPoint};
}

int greyPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isGrey(image.pixel(x, y)) ? 1 : 0;
    return count;
}

// The whole design, without overlays, fitted to an area of `area` points as the page should
// show it, drawn by a view set up here rather than by the printing code.
QImage expectedDrawing(const DrawnDesign& design, const QSizeF& area)
{
    Rotagraph view;
    setDesign(view, design);
    view.setDrawMode(PrintMode);
    view.setPrintableArea(area);
    view.resize(area.toSize());
    QImage image((area * kPixelsPerPoint).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(kPixelsPerPoint, kPixelsPerPoint);
    view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image;
}

QRect pixelRect(const QRectF& points)
{
    return QRectF(points.topLeft() * kPixelsPerPoint, points.size() * kPixelsPerPoint).toRect();
}

// Checks that a printed page shows no wheel overlay and, in its printable area, the whole design.
void verifyWholeDesign(const QImage& page, const QPageLayout& layout, const DrawnDesign& design)
{
    QCOMPARE(greyPixels(page), 0);
    const QRectF printable = layout.paintRect(QPageLayout::Point);
    const InkAgreement match = inkAgreement(page.copy(pixelRect(printable)), expectedDrawing(design, printable.size()), kColourTolerance);
    QVERIFY2(match.actualNearExpected >= kMinInkAgreement && match.expectedNearActual >= kMinInkAgreement,
             qPrintable(QStringLiteral("ink agreement %1 / %2").arg(match.actualNearExpected).arg(match.expectedNearActual)));
    QVERIFY2(match.colour >= kMinColourAgreement, qPrintable(QStringLiteral("colour agreement %1").arg(match.colour)));
}

}

Q_DECLARE_METATYPE(QPrinter::PrinterMode)

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void fitsThePrintableArea_data();
    void fitsThePrintableArea();
    void printsTheWholeDesignOnly_data();
    void printsTheWholeDesignOnly();
    void printFromTheMenu_data();
    void printFromTheMenu();
    void printerChoicesHoldForAFile();
    void printFailureIsReported();
    void pageSetupChangesTheFollowingPrints();

private:
    QTemporaryDir m_dir;
};

void TestPrinting::fitsThePrintableArea_data()
{
    QTest::addColumn<DrawnDesign>("design");
    QTest::addColumn<QPageLayout>("layout");
    QTest::addColumn<QPrinter::PrinterMode>("mode");
    QTest::addColumn<QSizeF>("extent");   // points
    QTest::addColumn<QPointF>("centre");

    const QPageLayout letter = pageLayout(QPageSize::Letter, QPageLayout::Portrait, kInchMargin);
    const QPointF letterCentre(306, 396);
    // Letter less one-inch margins is 468 × 648: radius 300 gives a fit of 468 / 615, about 0.761.
    QTest::addRow("radius 300 on letter: shrunk to 0.761")
        << fourLobes(160, 100) << letter << QPrinter::HighResolution << QSizeF(457.6, 457.6) << letterCentre;
    QTest::addRow("radius 300, printer at screen resolution")
        << fourLobes(160, 100) << letter << QPrinter::ScreenResolution << QSizeF(457.6, 457.6) << letterCentre;
    QTest::addRow("radius 300, runner inside")
        << DrawnDesign{160, -40, 180, 1, 1} << letter << QPrinter::HighResolution << QSizeF(457.6, 457.6) << letterCentre;
    // The pen stays 10 points wide, and the fit leaves it room: (468 / 2.05 - 5) / 300.
    QTest::addRow("radius 300, 10-pt pen: the width stays in points, within the fit")
        << fourLobes(160, 100, 10) << letter << QPrinter::HighResolution << QSizeF(456.6, 456.6) << letterCentre;
    QTest::addRow("radius 300 on letter landscape: the height counts")
        << fourLobes(160, 100) << pageLayout(QPageSize::Letter, QPageLayout::Landscape, kInchMargin)
        << QPrinter::HighResolution << QSizeF(457.6, 457.6) << QPointF(396, 306);
    // A4 is 595 × 842 points; less half-inch margins 523 wide: a fit of 523 / 615, about 0.850.
    QTest::addRow("radius 300 on A4 with half-inch margins")
        << fourLobes(160, 100) << pageLayout(QPageSize::A4, QPageLayout::Portrait, kHalfInchMargin)
        << QPrinter::HighResolution << QSizeF(511.3, 511.3) << QPointF(297.5, 421);
    QTest::addRow("radius 150: natural size")
        << fourLobes(80, 50) << letter << QPrinter::HighResolution << QSizeF(301.0, 301.0) << letterCentre;
    QTest::addRow("radius 50: never enlarged")
        << fourLobes(16, 30) << letter << QPrinter::HighResolution << QSizeF(101.0, 101.0) << letterCentre;
    // The pen hole on the far side of the runner's centre: the pen reaches |160 + 80| + 100 =
    // 340 points up and down, beyond the start point's 140, and 241.5 to the sides. The fit
    // goes by that reach: 468 / (340 × 2.05).
    QTest::addRow("pen hole negative: the fit goes by the pen's reach")
        << DrawnDesign{160, 80, -100, 1, 1} << letter << QPrinter::HighResolution
        << QSizeF(2 * 241.5 * 468 / 697 + 1, 2 * 468 / 2.05 + 1) << letterCentre;
}

void TestPrinting::fitsThePrintableArea()
{
    QFETCH(DrawnDesign, design);
    QFETCH(QPageLayout, layout);
    QFETCH(QPrinter::PrinterMode, mode);
    QFETCH(QSizeF, extent);
    QFETCH(QPointF, centre);

    Rotagraph source;
    setDesign(source, design);
    const QString fileName = m_dir.filePath(QStringLiteral("fit-%1.pdf").arg(QTest::currentDataTag()));
    QPrinter printer(mode);
    setUpPdf(printer, fileName, layout);
    QString error;
    QVERIFY2(printArt(source.composition(), printer, &error), qPrintable(error));

    QImage page;
    readPdfPage(fileName, layout.fullRect(QPageLayout::Point).size(), kRasterDpi, page);
    if (QTest::currentTestFailed())
        return;

    const QRectF ink = inkBounds(page);
    QVERIFY2(std::abs(ink.width() - extent.width()) <= kExtentTolerance
                 && std::abs(ink.height() - extent.height()) <= kExtentTolerance,
             qPrintable(QStringLiteral("ink spans %1 × %2 pt, expected %3 × %4")
                            .arg(ink.width()).arg(ink.height()).arg(extent.width()).arg(extent.height())));
    QVERIFY2(QLineF(ink.center(), centre).length() <= kCentreTolerance,
             qPrintable(QStringLiteral("ink centred at (%1, %2), expected (%3, %4)")
                            .arg(ink.center().x()).arg(ink.center().y()).arg(centre.x()).arg(centre.y())));
    QVERIFY(layout.paintRect(QPageLayout::Point).contains(ink));
}

void TestPrinting::printsTheWholeDesignOnly_data()
{
    QTest::addColumn<DrawnDesign>("design");
    QTest::addColumn<bool>("showAnchor");
    QTest::addColumn<float>("percentToDraw");

    const DrawnDesign standard = kPrinted;
    DrawnDesign greased = kPrinted;
    greased.greaseIt = true;
    DrawnDesign threeColours{160, -72, 53, 9, 4, 3, true, true, false};
    DrawnDesign twoColours{120, 45, 60, 6, 3, 2, false, false, false};

    QTest::addRow("finished drawing") << standard << false << 100.0f;
    QTest::addRow("slow drawing at 40 percent: whole curve") << standard << false << 40.0f;
    QTest::addRow("overlays on, slow drawing at 40 percent") << standard << true << 40.0f;
    QTest::addRow("overlays on, finished drawing") << standard << true << 100.0f;
    QTest::addRow("grease on") << greased << false << 100.0f;
    QTest::addRow("three colours, filled, closed, inside, 4-pt pen") << threeColours << false << 100.0f;
    QTest::addRow("three colours, filled, slow drawing at 40 percent") << threeColours << true << 40.0f;
    QTest::addRow("two colours, 3-pt pen") << twoColours << false << 100.0f;
}

void TestPrinting::printsTheWholeDesignOnly()
{
    QFETCH(DrawnDesign, design);
    QFETCH(bool, showAnchor);
    QFETCH(float, percentToDraw);

    Rotagraph source;
    setDesign(source, design);
    source.setShowAnchor(showAnchor);
    source.setPercentToDraw(percentToDraw);
    const QString fileName = m_dir.filePath(QStringLiteral("whole-%1.pdf").arg(QTest::currentDataTag()));
    const QPageLayout layout = pageLayout(QPageSize::Letter, QPageLayout::Portrait, kInchMargin);
    QPrinter printer(QPrinter::HighResolution);
    setUpPdf(printer, fileName, layout);
    QString error;
    QVERIFY2(printArt(source.composition(), printer, &error), qPrintable(error));

    // The on-screen view is only read.
    QCOMPARE(source.percentToDraw(), percentToDraw);
    QCOMPARE(source.showAnchor(), showAnchor);
    QCOMPARE(source.drawMode(), int32_t(ScreenMode));

    QImage page;
    readPdfPage(fileName, layout.fullRect(QPageLayout::Point).size(), kRasterDpi, page);
    if (!QTest::currentTestFailed())
        verifyWholeDesign(page, layout, design);
}

void TestPrinting::printFromTheMenu_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addRow("confirmed") << true;
    QTest::addRow("cancelled") << false;
}

void TestPrinting::printFromTheMenu()
{
    QFETCH(bool, confirm);

    const std::unique_ptr<AppDelegate> app = startApplication();
    QVERIFY(app);
    AppDelegate& delegate = *app;
    QMainWindow* window = delegate.mainWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));

    const QString fileName = m_dir.filePath(QStringLiteral("menu-%1.pdf").arg(QTest::currentDataTag()));
    const QPageLayout layout = pageLayout(QPageSize::Letter, QPageLayout::Portrait, kInchMargin);
    setUpPdf(delegate.printer(), fileName, layout);

    auto* action = window->findChild<QAction*>(QStringLiteral("actionPrint"));
    QVERIFY(action);
    QCOMPARE(action->shortcut(), QKeySequence(QKeySequence::Print));
    QTest::keySequence(window, QKeySequence::Print);
    QPrintDialog* dialog = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((dialog = window->findChild<QPrintDialog*>()) && dialog->isVisible(), kPatienceMs);
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(dialog->printer(), &delegate.printer());
    QVERIFY(QTest::qWaitForWindowActive(dialog));   // the focus has left the window's fields

    // While the dialog is open: a slow drawing under way with the overlays on, and grease in the
    // view that the checkbox does not show. The print follows the view, whole, without overlays.
    Rotagraph& art = *delegate.artView();
    art.setShowAnchor(true);
    art.setPercentToDraw(40);
    art.setGreaseIt(true);
    QVERIFY(delegate.wheelGrease() && !delegate.wheelGrease()->isChecked());
    DrawnDesign expected = kPrinted;
    expected.greaseIt = true;

    // Confirming prints at once; the view is checked before the window, active again, lets its
    // fields hand their values back to it.
    confirm ? dialog->accept() : dialog->reject();
    QCOMPARE(art.percentToDraw(), 40.0f);
    QVERIFY(art.showAnchor());
    QVERIFY(art.greaseIt());
    QTRY_VERIFY_WITH_TIMEOUT(!window->findChild<QPrintDialog*>(), kPatienceMs);
    QVERIFY(!window->findChild<QMessageBox*>());
    // The dialog may hand the margins back in other units: the page itself must be the same.
    QCOMPARE(delegate.printer().pageLayout().fullRect(QPageLayout::Point), layout.fullRect(QPageLayout::Point));
    QCOMPARE(delegate.printer().pageLayout().paintRect(QPageLayout::Point), layout.paintRect(QPageLayout::Point));
    if (!confirm) {
        QVERIFY(!QFileInfo::exists(fileName));
        return;
    }

    QImage page;
    readPdfPage(fileName, layout.fullRect(QPageLayout::Point).size(), kRasterDpi, page);
    if (!QTest::currentTestFailed())
        verifyWholeDesign(page, layout, expected);
}

// What the printer is set to holds for a printout to a file: its grey scale (the red pen and
// yellow fill come out as greys, the whole design still there), its PDF version and document name.
void TestPrinting::printerChoicesHoldForAFile()
{
    Rotagraph source;
    DrawnDesign filled = kPrinted;
    filled.penWidth = 4;
    filled.fillShape = true;
    setDesign(source, filled);
    const QString fileName = m_dir.filePath(QStringLiteral("grey.pdf"));
    const QPageLayout layout = pageLayout(QPageSize::Letter, QPageLayout::Portrait, kInchMargin);
    QPrinter printer(QPrinter::HighResolution);
    setUpPdf(printer, fileName, layout);
    printer.setColorMode(QPrinter::GrayScale);
    printer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_6);
    printer.setDocName(QStringLiteral("my design"));
    QString error;
    QVERIFY2(printArt(source.composition(), printer, &error), qPrintable(error));
    QImage page;
    QString info;
    readPdfPage(fileName, layout.fullRect(QPageLayout::Point).size(), kRasterDpi, page, &info);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(info.contains(QStringLiteral("Title:           my design\n")) && info.contains(QStringLiteral("PDF version:     1.6")),
             qPrintable(info));
    int inked = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb pixel = page.pixel(x, y);
            QCOMPARE(qRed(pixel), qBlue(pixel));
            QCOMPARE(qGreen(pixel), qBlue(pixel));
            inked += pixel != qRgb(255, 255, 255) ? 1 : 0;
        }
    // Letter less inch margins fits the 570-point design at (468 / 2.05 - 2) / 285, with the pen.
    const QRectF ink = inkBounds(page);
    QVERIFY2(inked > 0 && std::abs(ink.width() - 456.6) <= kExtentTolerance && std::abs(ink.height() - 456.6) <= kExtentTolerance,
             qPrintable(QStringLiteral("ink spans %1 × %2 pt").arg(ink.width()).arg(ink.height())));
}

// A printout to a file that cannot be written says so in a warning of its own, and leaves
// nothing behind. (The disk or the file size limit cutting it off: tst_export, with the exports.)
void TestPrinting::printFailureIsReported()
{
    const std::unique_ptr<AppDelegate> app = startApplication();
    QVERIFY(app);
    AppDelegate& delegate = *app;
    const QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("missing-folder/design.pdf"));
    setUpPdf(delegate.printer(), fileName, pageLayout(QPageSize::Letter, QPageLayout::Portrait, kInchMargin));
    delegate.printDesign();
    QMessageBox* message = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((message = delegate.mainWindow()->findChild<QMessageBox*>(QStringLiteral("printFailure"))) && message->isVisible(), kPatienceMs);
    QCOMPARE(message->icon(), QMessageBox::Warning);
    QCOMPARE(message->windowTitle(), QStringLiteral("Printing Failed"));
    QCOMPARE(message->text(), QStringLiteral("The design was not printed."));
    const QString said = message->informativeText();
    QVERIFY2(said.contains(QStringLiteral("The file \u201C%1\u201D could not be written.").arg(fileName))
                 && said.contains(QStringLiteral("No such file or directory")),
             qPrintable(said));
    QVERIFY(!QFileInfo::exists(fileName));
    message->accept();
    QTRY_VERIFY_WITH_TIMEOUT(!delegate.mainWindow()->findChild<QMessageBox*>(), kPatienceMs);
}

// Answers the page setup dialog, once it shows, through its own widgets: picks an orientation
// by its radio button (or only looks which one is picked), then confirms or cancels.
class PageSetupAnswerer : public QObject
{
public:
    PageSetupAnswerer(QWidget* window, const QString& pick, bool confirm)
        : m_window(window)
        , m_pick(pick)
        , m_confirm(confirm)
    {
        connect(&m_timer, &QTimer::timeout, this, &PageSetupAnswerer::answer);
        m_timer.start(kPollInterval);
    }

    QString checkedWhenShown;   // the orientation button that was on when the dialog opened

private:
    static constexpr int kPollInterval = 10;

    void answer()
    {
        auto* dialog = m_window->findChild<QPageSetupDialog*>();
        if (!dialog || !dialog->isVisible())
            return;
        m_timer.stop();
        for (auto* button : dialog->findChildren<QRadioButton*>())
            if (button->isChecked())
                checkedWhenShown = button->objectName();
        if (auto* choice = dialog->findChild<QRadioButton*>(m_pick))
            choice->click();
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        buttons->button(m_confirm ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    }

    QWidget* m_window;
    QString m_pick;
    bool m_confirm;
    QTimer m_timer;
};

void TestPrinting::pageSetupChangesTheFollowingPrints()
{
    const std::unique_ptr<AppDelegate> app = startApplication();
    QVERIFY(app);
    AppDelegate& delegate = *app;
    QMainWindow* window = delegate.mainWindow();
    auto* action = window->findChild<QAction*>(QStringLiteral("actionPageSetup"));
    QVERIFY(action);
    const QString fileName = m_dir.filePath(QStringLiteral("page-setup.pdf"));
    setUpPdf(delegate.printer(), fileName, pageLayout(QPageSize::Letter, QPageLayout::Portrait, kInchMargin));

    {
        const PageSetupAnswerer landscape(window, QStringLiteral("landscape"), true);
        action->trigger();   // returns once the dialog is answered
        QCOMPARE(landscape.checkedWhenShown, QStringLiteral("portrait"));
    }
    QCOMPARE(delegate.printer().pageLayout().orientation(), QPageLayout::Landscape);
    delegate.printDesign();
    QImage page;
    readPdfPage(fileName, pageLayout(QPageSize::Letter, QPageLayout::Landscape, kInchMargin).fullRect(QPageLayout::Point).size(), kRasterDpi, page);
    QVERIFY(page.width() > page.height());

    // The dialog opens again with what was chosen; cancelling it changes nothing.
    const PageSetupAnswerer look(window, QString(), false);
    action->trigger();
    QCOMPARE(look.checkedWhenShown, QStringLiteral("landscape"));
    QCOMPARE(delegate.printer().pageLayout().orientation(), QPageLayout::Landscape);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
