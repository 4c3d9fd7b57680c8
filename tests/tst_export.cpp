#include "app/AppDelegate.h"
#include "view/Rotagraph.h"
#include "output/ExportProgress.h"
#include "output/PngExport.h"
#include "output/SafeWrite.h"
#include "output/SaveOptions2.h"
#include "output/Thumbnail.h"
#include "TestSupport.h"

#include <QAction>
#include <QColorSpace>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>
#include <optional>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// Every export here goes through the real dialog, as the user confirms it, and the file is read
// back: its size, its transparency, and where the curve lies in it.

namespace {

constexpr int kNaturalTag = 1;                // the enlargeOption button that keeps natural size
constexpr float kDefaultBoundingRadius = 285;  // 160 + 72 + 53
constexpr double kFitMargin = 2.05;            // a fitted design spans 2 / 2.05 of the image
constexpr double kExtentTolerance = 2;         // pixels: half the pen and the antialiasing

struct Session {
    std::unique_ptr<AppDelegate> started = startApplication();
    AppDelegate& app = *started;
    QTemporaryDir folder;

    QString path(const QString& name) const { return folder.filePath(name); }
    QStringList files() const
    {
        return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    // Opens the dialog as the menu item does and returns it.
    QFileDialog* openDialog()
    {
        app.mainWindow()->findChild<QAction*>(QStringLiteral("actionExport"))->trigger();
        for (QFileDialog* dialog : app.mainWindow()->findChildren<QFileDialog*>())
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    }

    // One export through the dialog: choose the file, set the options, confirm or cancel.
    // An empty size text keeps the suggestion.
    void exportAs(const QString& file, const QString& sizeText = {}, int enlargeTag = SaveOptions2::kEnlargeTag,
                  bool confirm = true, int dotsPerInch = 0)
    {
        QFileDialog* dialog = openDialog();
        QVERIFY(dialog);
        if (dotsPerInch > 0)
            dialog->findChild<QSpinBox*>(QStringLiteral("pngDotsPerInch"))->setValue(dotsPerInch);
        // Typed (here: pasted) into the name field, as a user gives a path.
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
        auto* size = dialog->findChild<QComboBox*>(QStringLiteral("savePixelSize"));
        if (!sizeText.isEmpty()) {
            size->lineEdit()->clear();
            QTest::keyClicks(size->lineEdit(), sizeText);
        }
        dialog->findChild<QButtonGroup*>(QStringLiteral("enlargeOption"))->button(enlargeTag)->click();
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        buttons->button(confirm ? QDialogButtonBox::Save : QDialogButtonBox::Cancel)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Writes `file` as the user asks for it: through the export dialog of the menu item `action`
    // with the options it opens with (a PNG `sizeText` pixels wide, when given), or, for "print",
    // on a printer that prints to the file.
    void output(const QString& action, const QString& file, const QString& sizeText = {})
    {
        if (action == u"print") {
            app.printer().setOutputFormat(QPrinter::PdfFormat);
            app.printer().setOutputFileName(file);
            app.printDesign();
            return;
        }
        app.mainWindow()->findChild<QAction*>(action)->trigger();
        QFileDialog* dialog = app.mainWindow()->findChild<QFileDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
        if (!sizeText.isEmpty())
            dialog->findChild<QComboBox*>(QStringLiteral("savePixelSize"))->setCurrentText(sizeText);
        dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

void setDesign(Rotagraph& art, float anchor, float runner, float pen, float revolutions, bool grease = false)
{
    art.setAnchorRadius(anchor);
    art.setRunnerRadius(runner);
    art.setPenHoleRadius(pen);
    art.setRotationsToMake(revolutions);
    art.setGreaseIt(grease);
}

// The farthest that any painted pixel's centre lies from the image's centre.
double paintedRadius(const QImage& image)
{
    const QPointF centre(image.width() / 2.0, image.height() / 2.0);
    double farthest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                farthest = std::max(farthest, std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y()));
    return farthest;
}

// Holds every output's work until its progress dialog shows, cancels the dialog, then lets the
// work go on: the cancel always arrives while the work is in flight, however fast the machine.
class ProgressCanceller
{
public:
    explicit ProgressCanceller(QWidget* window)
    {
        setWorkStartHook([this] { m_held.hold(); });
        QObject::connect(&m_timer, &QTimer::timeout, [this, window] {
            auto* progress = window->findChild<QProgressDialog*>(QStringLiteral("exportProgress"));
            if (progress && progress->isVisible() && !progress->wasCanceled()) {
                sawProgress = true;
                progress->cancel();
                m_held.release();
            }
        });
        m_timer.start(kPollMilliseconds);
    }
    ~ProgressCanceller() { setWorkStartHook({}); }

    bool sawProgress = false;

private:
    static constexpr int kPollMilliseconds = 10;
    HeldWork m_held;
    QTimer m_timer;
};

// Takes only half of what each write offers, as a pipe or a nearly full disk may; once it has
// taken `room` bytes, it takes nothing more.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice() { open(QIODevice::WriteOnly); }
    QByteArray received;
    qint64 room = std::numeric_limits<qint64>::max();

protected:
    qint64 readData(char* /*data*/, qint64 /*size*/) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 taken = std::min((size + 1) / 2, room - received.size());
        received.append(data, taken);
        return taken;
    }
};

bool onlyPurePenRed(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) != 0 && (qRed(p) != 255 || qGreen(p) != 0 || qBlue(p) != 0))
                return false;
        }
    return true;
}

}

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    // The size and enlargement last chosen are the next export's, in this run and the next.
    void init() { useFreshSettings(); }

    void dialogIsASheetOverTheWindowWithOptions()
    {
        Session s;
        QVERIFY(QTest::qWaitForWindowActive(s.app.mainWindow()));
        const QList<QKeySequence> keys = s.app.mainWindow()->findChild<QAction*>(QStringLiteral("actionExport"))->shortcuts();
        QVERIFY(!keys.isEmpty());
        QTest::keySequence(s.app.mainWindow(), keys.first());
        auto* dialog = s.app.mainWindow()->findChild<QFileDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("exportMessage"))->text(),
                 QStringLiteral("The art will be saved as a PNG with transparency"));
        auto* size = dialog->findChild<QComboBox*>(QStringLiteral("savePixelSize"));
        QVERIFY(size && size->isEditable() && size->count() > 1);
        auto* enlarge = dialog->findChild<QButtonGroup*>(QStringLiteral("enlargeOption"));
        QVERIFY(enlarge && enlarge->button(SaveOptions2::kEnlargeTag) && enlarge->button(kNaturalTag));
        dialog->reject();
    }

    void suggestions_data()
    {
        QTest::addColumn<QList<float>>("design");   // anchor, runner, pen, revolutions
        QTest::addColumn<bool>("viewGrease");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("name");
        QTest::addRow("default") << QList<float>{160, 72, 53, 9} << false << "580"
                                 << QStringLiteral("Rotagram 160a\u2022o72r\u202253p\u00D79.png");
        QTest::addRow("inside, greased view") << QList<float>{160, -72, 53, 9} << true << "292"
                                              << QStringLiteral("Rotagram 160a\u2022i72tr\u202253p\u00D79.png");
        QTest::addRow("fractions truncated") << QList<float>{100.9f, -30.6f, 20.5f, 7.9f} << false << "191"
                                             << QStringLiteral("Rotagram 100a\u2022i30r\u202220p\u00D77.png");
        QTest::addRow("runner 0 reads inside") << QList<float>{160, 0, 53, 9} << false << "436"
                                               << QStringLiteral("Rotagram 160a\u2022i0r\u202253p\u00D79.png");
        // The runner inside and larger than the anchor: the centre still travels |2 - 3| out.
        QTest::addRow("smaller than the smallest edge") << QList<float>{2, -3, 0.4f, 1} << false << "12"
                                                        << QStringLiteral("Rotagram 2a\u2022i3r\u20220p\u00D71.png");
        QTest::addRow("runner inside, larger than the anchor") << QList<float>{72, -160, 53, 9} << false << "292"
                                                               << QStringLiteral("Rotagram 72a\u2022i160r\u202253p\u00D79.png");
        QTest::addRow("pen hole negative") << QList<float>{160, 72, -53, 9} << false << "580"
                                           << QStringLiteral("Rotagram 160a\u2022o72r\u2022-53p\u00D79.png");
    }

    void suggestions()
    {
        QFETCH(QList<float>, design);
        QFETCH(bool, viewGrease);
        QFETCH(QString, size);
        QFETCH(QString, name);
        Session s;
        setDesign(*s.app.artView(), design[0], design[1], design[2], design[3], viewGrease);
        QFileDialog* dialog = s.openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("savePixelSize"))->currentText(), size);
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), name);
        dialog->reject();
    }

    void imageEdgeFromSizeField_data()
    {
        QTest::addColumn<QList<float>>("design");
        QTest::addColumn<QString>("sizeText");
        QTest::addColumn<int>("edge");
        const QList<float> defaultDesign{160, 72, 53, 9};
        QTest::addRow("below the range") << defaultDesign << "12" << 16;
        QTest::addRow("above the range") << defaultDesign << "9000" << 5000;
        QTest::addRow("no number") << defaultDesign << "abc" << 16;
        QTest::addRow("fraction rounds") << defaultDesign << "250.5" << 251;
        QTest::addRow("number then text") << defaultDesign << "300 px" << 300;
        QTest::addRow("tiny design, suggestion kept") << QList<float>{2, -3, 0.4f, 1} << QString() << 16;
    }

    void imageEdgeFromSizeField()
    {
        QFETCH(QList<float>, design);
        QFETCH(QString, sizeText);
        QFETCH(int, edge);
        Session s;
        setDesign(*s.app.artView(), design[0], design[1], design[2], design[3]);
        const QString path = s.path(QStringLiteral("art.png"));
        s.exportAs(path, sizeText);
        const QImage image(path);
        QCOMPARE(image.size(), QSize(edge, edge));
        QVERIFY(image.hasAlphaChannel());
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addRow("no extension") << "art" << "art.png";
        QTest::addRow("png extension") << "art.png" << "art.png";
        QTest::addRow("png without a dot") << "artpng" << "artpng";
        QTest::addRow("upper case extension") << "art.PNG" << "art.PNG.png";
    }

    void fileNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        Session s;
        const MessageBoxAnswerer answerer;
        s.exportAs(s.path(chosen), QStringLiteral("100"));
        QCOMPARE(s.files(), QStringList{written});
        QCOMPARE(QImageReader(s.path(written)).format(), QByteArray("png"));
        QVERIFY(answerer.names.isEmpty());   // nothing was there to replace
    }

    // The default design at 1000 pixels: enlarged it spans 2 / 2.05 of the image, at natural
    // size its own 570 points; centred either way, and nothing painted outside the curve.
    void enlargedOrNaturalSize_data()
    {
        QTest::addColumn<int>("enlargeTag");
        QTest::addColumn<double>("scale");
        constexpr int kEdge = 1000;
        QTest::addRow("enlarged") << int(SaveOptions2::kEnlargeTag) << kEdge / (kDefaultBoundingRadius * kFitMargin);
        QTest::addRow("natural size") << kNaturalTag << 1.0;
    }

    void enlargedOrNaturalSize()
    {
        QFETCH(int, enlargeTag);
        QFETCH(double, scale);
        Session s;
        const QString path = s.path(QStringLiteral("art.png"));
        s.exportAs(path, QStringLiteral("1000"), enlargeTag);
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(1000, 1000));
        for (const QPoint corner : {QPoint(0, 0), QPoint(999, 0), QPoint(0, 999), QPoint(999, 999)})
            QCOMPARE(qAlpha(image.pixel(corner)), 0);
        QVERIFY(std::abs(paintedRadius(image) - kDefaultBoundingRadius * scale) < kExtentTolerance);
        // The curve starts at its rightmost point, on the horizontal through the centre, and
        // leaves it upwards: the pixels just above that point are painted.
        const int startX = static_cast<int>(500 + kDefaultBoundingRadius * scale);
        int strongest = 0;
        for (int x = startX - 1; x <= startX + 1; ++x)
            strongest = std::max(strongest, qAlpha(image.pixel(x, 499)));
        QVERIFY(strongest > 0);
        QVERIFY(onlyPurePenRed(image));
    }

    // Enlarged into the image, every design reaches 2 / 2.05 of the way to the image's edge,
    // wherever its pen reaches farthest: not cut off, not lost in the middle.
    void wholeDesignFitsTheImage_data()
    {
        QTest::addColumn<QList<float>>("design");   // anchor, runner, pen, revolutions
        QTest::addRow("runner outside") << QList<float>{160, 72, 53, 9};
        QTest::addRow("runner inside, larger than the anchor") << QList<float>{50, -72, 53, 5};
        QTest::addRow("pen hole negative") << QList<float>{160, 80, -100, 1};
    }

    void wholeDesignFitsTheImage()
    {
        QFETCH(QList<float>, design);
        constexpr int kEdge = 400;
        Session s;
        setDesign(*s.app.artView(), design[0], design[1], design[2], design[3]);
        const QString path = s.path(QStringLiteral("art.png"));
        s.exportAs(path, QString::number(kEdge), SaveOptions2::kEnlargeTag);
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        const double reach = paintedRadius(image);
        QVERIFY2(std::abs(reach - kEdge / kFitMargin) < kExtentTolerance, qPrintable(QString::number(reach)));
    }

    void overlaysAndPartialDrawingNeverInTheFile()
    {
        Session s;
        Rotagraph& art = *s.app.artView();
        art.setShowAnchor(true);
        art.setPercentToDraw(40);
        const QString shown = s.path(QStringLiteral("shown.png"));
        s.exportAs(shown, QStringLiteral("700"));
        QVERIFY(art.showAnchor() && art.percentToDraw() == 40.0f && art.drawMode() == ScreenMode);

        art.setShowAnchor(false);
        art.setPercentToDraw(100);
        const QString plain = s.path(QStringLiteral("plain.png"));
        s.exportAs(plain, QStringLiteral("700"));
        const QImage image(shown);
        QCOMPARE(image, QImage(plain));
        QVERIFY(onlyPurePenRed(image.convertToFormat(QImage::Format_ARGB32)));
    }

    // The image follows the grease checkbox; the suggested name follows the view.
    void greaseFromTheCheckbox_data()
    {
        QTest::addColumn<Qt::CheckState>("checkbox");
        QTest::addColumn<bool>("viewGrease");
        QTest::addColumn<bool>("imageGrease");
        QTest::addRow("checkbox on, view off") << Qt::Checked << false << true;
        QTest::addRow("checkbox off, view on") << Qt::Unchecked << true << false;
        QTest::addRow("checkbox mixed, view on") << Qt::PartiallyChecked << true << false;
    }

    void greaseFromTheCheckbox()
    {
        QFETCH(Qt::CheckState, checkbox);
        QFETCH(bool, viewGrease);
        QFETCH(bool, imageGrease);
        Session s;
        Rotagraph& art = *s.app.artView();
        art.setGreaseIt(viewGrease);
        s.app.wheelGrease()->setCheckState(checkbox);
        QFileDialog* dialog = s.openDialog();
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text().contains(u"o72tr"),
                 viewGrease);
        dialog->reject();

        constexpr int kEdge = 400;
        const QString path = s.path(QStringLiteral("art.png"));
        s.exportAs(path, QString::number(kEdge));
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage expected = renderExportImage(art.composition(), kEdge, true, imageGrease);
        QVERIFY(expected != renderExportImage(art.composition(), kEdge, true, !imageGrease));
        expected.setColorSpace(QColorSpace::SRgb);   // as the file says its pixels are
        QCOMPARE(image, expected);
    }

    void cancelWritesNothing()
    {
        Session s;
        s.exportAs(s.path(QStringLiteral("art.png")), QStringLiteral("300"), SaveOptions2::kEnlargeTag, false);
        QVERIFY(s.files().isEmpty());
        QCOMPARE(s.app.artView()->anchorRadius(), 160.0f);
        QCOMPARE(s.app.artView()->drawMode(), int32_t(ScreenMode));
    }

    // A file that cannot be made where the user asked says so, and leaves nothing behind.
    void unwritableLocationIsReported_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("blocker");   // a plain file in the folder, if any
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason");
        QTest::addRow("PNG, folder missing") << "actionExport" << QString() << "missing/art.png" << "No such file or directory";
        QTest::addRow("PNG, parent is a file") << "actionExport" << "plain" << "plain/art.png" << "Not a directory";
        QTest::addRow("SVG, folder missing") << "actionExportSvg" << QString() << "missing/art.svg" << "No such file or directory";
        QTest::addRow("print, folder missing") << "print" << QString() << "missing/art.pdf" << "No such file or directory";
    }

    void unwritableLocationIsReported()
    {
        QFETCH(QString, action);
        QFETCH(QString, blocker);
        QFETCH(QString, target);
        QFETCH(QString, reason);
        Session s;
        if (!blocker.isEmpty())
            QVERIFY(writeContents(s.path(blocker), "not a folder"));
        const QStringList before = s.files();
        const MessageBoxAnswerer answerer({QMessageBox::Ok});
        s.output(action, s.path(target));
        QTRY_COMPARE_WITH_TIMEOUT(answerer.names.size(), 1, kPatienceMs);
        QVERIFY(answerer.names[0] == QStringLiteral("exportFailure") || answerer.names[0] == QStringLiteral("printFailure"));
        QVERIFY2(answerer.texts[0].contains(s.path(target)), qPrintable(answerer.texts[0]));
        QVERIFY2(answerer.texts[0].contains(reason), qPrintable(answerer.texts[0]));
        QCOMPARE(s.files(), before);
    }

    // A write that the file size limit or a full disk cuts off leaves the file that was there as
    // it was, with no partial file beside it, and the user reads why. Small images fail in the
    // last flush, large ones and drawings while they are written.
    void failedWriteKeepsTheEarlierFile_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sizeText");   // of a PNG
        QTest::addColumn<int>("writeLimit");     // bytes, 0: none
        QTest::addColumn<int>("freeBytes");      // left on a small file system; -1: written elsewhere
        QTest::addColumn<QString>("reason");
        constexpr int kFewBytes = 100;   // less than any PNG
        constexpr int kSomeRoom = 32 * 1024;
        const QString tooLarge = QStringLiteral("File too large"), full = QStringLiteral("No space left on device");
        QTest::addRow("PNG, size limit, small image") << "actionExport" << "art.png" << "16" << kFewBytes << -1 << tooLarge;
        QTest::addRow("PNG, size limit, large image") << "actionExport" << "art.png" << "1000" << kFewBytes << -1 << tooLarge;
        QTest::addRow("PNG, disk full, small image") << "actionExport" << "art.png" << "16" << 0 << 0 << full;
        QTest::addRow("PNG, disk full, large image") << "actionExport" << "art.png" << "1000" << 0 << 0 << full;
        QTest::addRow("SVG, size limit part way") << "actionExportSvg" << "art.svg" << QString() << 300'000 << -1 << tooLarge;
        QTest::addRow("SVG, disk full part way") << "actionExportSvg" << "art.svg" << QString() << 0 << kSomeRoom << full;
        QTest::addRow("PDF, size limit part way") << "actionExportPdf" << "art.pdf" << QString() << 300'000 << -1 << tooLarge;
        QTest::addRow("PDF, disk full part way") << "actionExportPdf" << "art.pdf" << QString() << 0 << kSomeRoom << full;
        QTest::addRow("PDF, disk full") << "actionExportPdf" << "art.pdf" << QString() << 0 << 0 << full;
        QTest::addRow("print, size limit part way") << "print" << "art.pdf" << QString() << 1'000'000 << -1 << tooLarge;
        QTest::addRow("print, disk full part way") << "print" << "art.pdf" << QString() << 0 << kSomeRoom << full;
        QTest::addRow("print, disk full") << "print" << "art.pdf" << QString() << 0 << 0 << full;
    }

    void failedWriteKeepsTheEarlierFile()
    {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(QString, sizeText);
        QFETCH(int, writeLimit);
        QFETCH(int, freeBytes);
        QFETCH(QString, reason);
        Session s;
        if (action != u"actionExport")   // megabytes of SVG, PDF or printout; a PNG of any design
            setHeavyDesign(*s.app.artView());
        SmallFileSystem disk;
        if (freeBytes >= 0 && !disk.isMounted())
            QSKIP(qPrintable(disk.whyNotMounted()));
        const QString path = freeBytes >= 0 ? disk.path(file) : s.path(file);
        const QByteArray earlier("an earlier export");
        QVERIFY(writeContents(path, earlier));
        if (freeBytes >= 0)
            disk.fill(freeBytes);
        const QStringList before = QFileInfo(path).dir().entryList(QDir::Files);
        {
            std::optional<WriteLimit> limit;
            if (writeLimit > 0)
                limit.emplace(static_cast<rlim_t>(writeLimit));
            // An export asks about replacing the file; then the write fails.
            const MessageBoxAnswerer answerer({QMessageBox::Yes, QMessageBox::Ok});
            s.output(action, path, sizeText);
            const int asked = action == u"print" ? 1 : 2;
            QTRY_COMPARE_WITH_TIMEOUT(answerer.names.size(), asked, kPatienceMs);
            QVERIFY(answerer.names.last() == QStringLiteral("exportFailure") || answerer.names.last() == QStringLiteral("printFailure"));
            QVERIFY2(answerer.texts.last().contains(path) && answerer.texts.last().contains(reason), qPrintable(answerer.texts.last()));
        }
        QCOMPARE(contentsOf(path), earlier);
        QCOMPARE(QFileInfo(path).dir().entryList(QDir::Files), before);
    }

    // A long export or print shows its progress; cancelling it writes nothing, leaves the file
    // that was there as it was, and reports no failure.
    void cancellingALongOutputWritesNothing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<float>>("design");   // anchor, runner, pen, revolutions, pen width
        QTest::addColumn<QString>("sizeText");
        QTest::addRow("PNG, the point budget at 5000 pixels") << "actionExport" << "art.png" << QList<float>{500, 3, 2, 1000, 3} << "5000";
        QTest::addRow("SVG, the point budget") << "actionExportSvg" << "art.svg" << QList<float>{500, 3, 2, 700, 1} << QString();
        QTest::addRow("PDF, the point budget") << "actionExportPdf" << "art.pdf" << QList<float>{500, 3, 2, 700, 1} << QString();
        QTest::addRow("print to a PDF file") << "print" << "art.pdf" << QList<float>{500, 3, 2, 60, 1} << QString();
    }

    void cancellingALongOutputWritesNothing()
    {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(QList<float>, design);
        QFETCH(QString, sizeText);
        Session s;
        setDesign(*s.app.artView(), design[0], design[1], design[2], design[3]);
        s.app.artView()->setPenDrawSize(design[4]);
        const QString path = s.path(file);
        const QByteArray earlier("an earlier export");
        QVERIFY(writeContents(path, earlier));
        // The dialog asks before replacing the file; nothing else may ask or complain.
        const MessageBoxAnswerer answerer({QMessageBox::Yes});
        const ProgressCanceller cancel(s.app.mainWindow());
        s.output(action, path, sizeText);
        QVERIFY2(cancel.sawProgress, "no progress was shown while the file was made");
        QCOMPARE(s.files(), QStringList{file});
        QCOMPARE(contentsOf(path), earlier);
        QVERIFY2(!answerer.names.contains(QStringLiteral("exportFailure")) && !answerer.names.contains(QStringLiteral("printFailure")),
                 qPrintable(answerer.texts.join(u'\n')));
        QVERIFY(!s.app.mainWindow()->findChild<QMessageBox*>(QStringLiteral("printFailure")));
    }

    // A long copy shows its progress too; cancelled, it leaves the clipboard as it was.
    void cancelledCopyKeepsTheClipboard()
    {
        Session s;
        setDesign(*s.app.artView(), 2490, 3, 2, 1000);   // the point budget, copied 5000 pixels wide
        s.app.artView()->setPenDrawSize(3);
        QApplication::clipboard()->setText(QStringLiteral("held before"));
        const ProgressCanceller cancel(s.app.mainWindow());
        s.app.mainWindow()->findChild<QAction*>(QStringLiteral("actionCopy"))->trigger();
        QVERIFY2(cancel.sawProgress, "no progress was shown while the image was drawn");
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("held before"));
        QVERIFY(!QApplication::clipboard()->mimeData()->hasImage());
    }

    // The progress of a picture of several curves climbs curve by curve, each counting as much
    // as its work, a hidden one as nothing: it reads 100 % only once the last curve is done. A
    // cancel stops it before the next curve.
    void progressOfSeveralCurves()
    {
        const ComposedCurve shown;
        ComposedCurve hidden;
        hidden.art.rotationsToMake = 100;   // ten times the work of the others
        hidden.visible = false;
        const Composition composition{{shown, hidden, shown}};
        std::atomic<bool> cancelled{false};
        WorkProgress progress;
        QList<std::size_t> drawn;
        QList<int> read;   // at the start, the middle and the end of each curve drawn
        const auto draw = [&](std::size_t index, const ComposedCurve&, const DrawingControl& part) {
            drawn << index;
            for (const int percent : {0, 50, 100}) {
                part.percentDone->store(percent);
                read << progress.percentDone();
            }
            return true;
        };
        QVERIFY(drawCurveByCurve(composition, OutputControl{&cancelled, &progress}, draw));
        QCOMPARE(drawn, (QList<std::size_t>{0, 2}));
        QCOMPARE(read, (QList<int>{0, 25, 50, 50, 75, 100}));

        drawn.clear();
        const auto cancelAfterTheFirst = [&](std::size_t index, const ComposedCurve& curve, const DrawingControl& part) {
            cancelled = true;
            return draw(index, curve, part);
        };
        QVERIFY(!drawCurveByCurve(composition, OutputControl{&cancelled, &progress}, cancelAfterTheFirst));
        QCOMPARE(drawn, QList<std::size_t>{0});
    }

    // A PNG tells the density at which it prints the design at its natural size, a unit a point
    // as SVG and PDF take it, whatever its pixels; a density asked for replaces it.
    void printsAtTheSizeItSays_data()
    {
        QTest::addColumn<int>("edge");
        QTest::addColumn<bool>("enlarge");
        QTest::addColumn<double>("dotsPerInch");   // asked for; 0: none
        QTest::addColumn<int>("pixelsPerMetre");
        // A radius of 285 and a pen 1 wide spans (edge / 2.05 - 0.5) / 285 pixels a unit, never
        // above 1 unless enlarged; 72 points to the inch, 0.0254 m to the inch.
        QTest::addRow("enlarged into 1000 pixels: 1.7098 pixels a point") << 1000 << true << 0.0 << 4847;
        QTest::addRow("shrunk into 100 pixels: 0.1694 pixels a point") << 100 << false << 0.0 << 480;
        QTest::addRow("at natural size in 1000 pixels") << 1000 << false << 0.0 << 2835;
        QTest::addRow("600 dpi asked for") << 1000 << true << 600.0 << 23622;
    }

    void printsAtTheSizeItSays()
    {
        QFETCH(int, edge);
        QFETCH(bool, enlarge);
        QFETCH(double, dotsPerInch);
        QFETCH(int, pixelsPerMetre);
        QTemporaryDir folder;
        PngExportSettings settings;
        settings.target = folder.filePath(QStringLiteral("art.png"));
        settings.edge = edge;
        settings.enlarge = enlarge;
        settings.dotsPerInch = dotsPerInch;
        QString error;
        QVERIFY2(writePngExport(composedOf(artDesign(160, 72, 53, 9)), settings, &error), qPrintable(error));
        const QImage image(settings.target);
        QCOMPARE(image.dotsPerMeterX(), pixelsPerMetre);
        QCOMPARE(image.dotsPerMeterY(), pixelsPerMetre);
    }

    // A user who exported at a size and a resolution of their own, at natural size, finds all
    // three again next time; the image tells its resolution.
    void sizeAndEnlargementInTheNextRun()
    {
        Session s;
        if (isLaterRun()) {
            QFileDialog* dialog = s.openDialog();
            QVERIFY(dialog);
            QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("savePixelSize"))->currentText(), QStringLiteral("1234"));
            QCOMPARE(dialog->findChild<QButtonGroup*>(QStringLiteral("enlargeOption"))->checkedId(), kNaturalTag);
            QCOMPARE(dialog->findChild<QSpinBox*>(QStringLiteral("pngDotsPerInch"))->value(), 600);
            // 1234 pixels at 600 to the inch of 25.4 mm.
            QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("pngPrintedSize"))->text(),
                     QStringLiteral("52.2 × 52.2 mm (1234 × 1234 pixels at 600 dpi)"));
            dialog->reject();
            return;
        }
        QCOMPARE(s.openDialog()->findChild<QSpinBox*>(QStringLiteral("pngDotsPerInch"))->text(), QStringLiteral("Natural size"));
        s.app.mainWindow()->findChild<QFileDialog*>()->reject();
        s.exportAs(s.path(QStringLiteral("art.png")), QStringLiteral("1234"), kNaturalTag, true, 600);
        const QImage image(s.path(QStringLiteral("art.png")));
        QCOMPARE(image.size(), QSize(1234, 1234));
        QCOMPARE(image.dotsPerMeterX(), 23622);   // 600 to the inch
        QString output;
        QVERIFY2(passesInALaterRun(&output), qPrintable(output));
    }

    // Every export's bytes go through writeAll: short writes are written on, each byte once; a
    // write that takes nothing fails it.
    void shortWritesAreWrittenOnWhole()
    {
        QByteArray bytes;
        for (int i = 0; i < 1000; ++i)
            bytes += char(i % 251);
        TrickleDevice device;
        QVERIFY(writeAll(device, bytes));
        QCOMPARE(device.received, bytes);
        TrickleDevice full;
        full.room = 600;
        QVERIFY(!writeAll(full, bytes));
        QCOMPARE(full.received, bytes.left(600));
    }

    // A write that fails leaves no file and says why: in the content's own words where it gives
    // up saying why; else in the system's, as where the file written whole cannot take its
    // target's place (a folder put there meanwhile).
    void failedWriteSaysWhy_data()
    {
        QTest::addColumn<QString>("contentSays");   // empty: the content is written whole
        QTest::addColumn<bool>("folderInItsPlace");
        QTest::addRow("the content gives up") << "The drawing has no points." << false;
        QTest::addRow("a folder in the target's place") << QString() << true;
    }

    void failedWriteSaysWhy()
    {
        QFETCH(QString, contentSays);
        QFETCH(bool, folderInItsPlace);
        const QTemporaryDir dir;
        QString error;
        const bool written = writeFileSafely(dir.filePath(QStringLiteral("art.svg")), [&](QIODevice& device) {
            if (folderInItsPlace && !QDir(dir.path()).mkdir(QStringLiteral("art.svg")))
                return false;
            if (!contentSays.isEmpty())
                error = contentSays;
            return contentSays.isEmpty() && writeAll(device, QByteArray("<svg/>"));
        }, &error);
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        if (!contentSays.isEmpty())
            QCOMPARE(error, contentSays);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    // A thumbnail shares 800 points for each pixel of its edge among the curves that show, to
    // a million at most, each curve traced as far as its share.
    void thumbnailsShareABudgetOfPoints_data()
    {
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("hidden");
        QTest::addColumn<int>("edge");
        QTest::addColumn<int>("share");
        QTest::addRow("one curve at 256 pixels") << 1 << 0 << 256 << 204'800;
        QTest::addRow("64 curves at 256 pixels") << 64 << 0 << 256 << 3'200;
        QTest::addRow("4 curves shown and 60 hidden at 128 pixels") << 4 << 60 << 128 << 25'600;
        QTest::addRow("two curves at 5000 pixels, a million at most") << 2 << 0 << 5000 << 524'288;
    }

    void thumbnailsShareABudgetOfPoints()
    {
        QFETCH(int, shown);
        QFETCH(int, hidden);
        QFETCH(int, edge);
        QFETCH(int, share);
        Composition composition;
        composition.curves.resize(std::size_t(shown + hidden));
        for (int i = 0; i < hidden; ++i)
            composition.curves[std::size_t(i)].visible = false;
        QCOMPARE(thumbnailPointShare(composition, edge), std::size_t(share));
    }

    // A heavy design's thumbnail draws each curve from its share: the 64 filled curves of
    // 100,000 revolutions (hours of drawing whole) show. At the deadline the curves not yet
    // drawn are left out and the picture is kept: with none left, it is empty, not missing.
    void thumbnailOfAHeavyDesign()
    {
        Composition heavy;
        for (int i = 0; i < 64; ++i) {
            ComposedCurve curve;
            curve.art.anchorRadius = float(100 + i);
            curve.art.runnerRadius = 37 + float(i) * 0.7f;
            curve.art.penHoleRadius = 53;
            curve.art.rotationsToMake = 100'000;
            curve.art.fillShape = true;
            curve.art.fillColor = QColor(255, 204, 0);
            curve.turn = i * 5.625;
            heavy.curves.push_back(curve);
        }
        const QImage drawn = renderThumbnail(heavy, 64, false);
        QCOMPARE(drawn.size(), QSize(64, 64));
        QCOMPARE(drawn.pixelColor(32, 32), QColor(255, 204, 0));   // the fill, at the centre
        QCOMPARE(drawn.pixelColor(0, 0).alpha(), 0);
        const QImage late = renderThumbnail(heavy, 64, false, std::chrono::milliseconds(0));
        QCOMPARE(late.size(), QSize(64, 64));
        QCOMPARE(late.pixelColor(32, 32).alpha(), 0);
    }

    // A device (as /dev/null is one) or a pipe, or a link to one, is no file to replace: the write
    // is refused with the path named, and what was there stays as it was.
    void whatIsNoFileIsNeverReplaced_data()
    {
        QTest::addColumn<mode_t>("kind");
        QTest::addColumn<bool>("throughALink");
        QTest::addRow("a device") << mode_t(S_IFCHR) << false;
        QTest::addRow("a pipe") << mode_t(S_IFIFO) << false;
        QTest::addRow("a link to a device") << mode_t(S_IFCHR) << true;
        QTest::addRow("a link to a pipe") << mode_t(S_IFIFO) << true;
    }

    void whatIsNoFileIsNeverReplaced()
    {
        QFETCH(mode_t, kind);
        QFETCH(bool, throughALink);
        const QTemporaryDir dir;
        const QByteArray made = QFile::encodeName(dir.filePath(QStringLiteral("made")));
        if (::mknod(made.constData(), kind | 0666, makedev(1, 3)) != 0)
            QSKIP("This user may not make devices.");
        const QString target = dir.filePath(throughALink ? QStringLiteral("art.png") : QStringLiteral("made"));
        if (throughALink)
            QCOMPARE(::symlink("made", QFile::encodeName(target).constData()), 0);
        QString error;
        QVERIFY(!writeFileSafely(target, QByteArray("not for a device"), &error));
        QVERIFY2(error.startsWith(QString("“%1” is not an ordinary file").arg(target)), qPrintable(error));
        struct stat status {};
        QVERIFY(::stat(made.constData(), &status) == 0);
        QCOMPARE(status.st_mode & S_IFMT, kind);
        QVERIFY(::lstat(QFile::encodeName(target).constData(), &status) == 0);
        QCOMPARE(status.st_mode & S_IFMT, throughALink ? mode_t(S_IFLNK) : kind);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks), QStringList());
    }

    // ".png" added after the dialog gives a name the dialog never asked about.
    void appendedNameAsksBeforeReplacing_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::addRow("replace") << QMessageBox::Yes << true;
        QTest::addRow("cancel") << QMessageBox::Cancel << false;
    }

    void appendedNameAsksBeforeReplacing()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, replaced);
        Session s;
        const QString target = s.path(QStringLiteral("art.png"));
        const QByteArray earlier("an earlier export");
        QVERIFY(writeContents(target, earlier));
        const MessageBoxAnswerer answerer({answer});
        s.exportAs(s.path(QStringLiteral("art")), QStringLiteral("64"));
        QCOMPARE(answerer.names, QStringList{QStringLiteral("replaceQuestion")});
        QVERIFY(answerer.texts[0].contains(QStringLiteral("art.png")));
        QCOMPARE(s.files(), QStringList{QStringLiteral("art.png")});
        if (replaced)
            QCOMPARE(QImage(target).size(), QSize(64, 64));
        else
            QCOMPARE(contentsOf(target), earlier);
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
