#include "app/AppDelegate.h"
#include "app/DesignFormat.h"
#include "app/DesignArt.h"
#include "app/DesignCode.h"
#include "app/Gallery.h"
#include "app/GalleryDialog.h"
#include "app/RandomDesign.h"
#include "app/RecentFiles.h"
#include "art/CurveClosure.h"
#include "app/StatusLine.h"
#include "view/Rotagraph.h"
#include "output/PngExport.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QSpinBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QJsonObject>
#include <QTest>
#include <QXmlStreamReader>
#include <QLineEdit>
#include <QListView>
#include <QRegularExpression>

#include <algorithm>
#include <functional>

// Designs kept and shared through the real window: files saved and opened through its dialogs,
// changes undone through its Edit menu, the clipboard; and afterwards, what the window shows:
// every design control and every value of the art view.

using WindowChange = std::function<void(AppDelegate&)>;
Q_DECLARE_METATYPE(WindowChange)
using DesignFeature = std::function<bool(const Design&)>;
Q_DECLARE_METATYPE(DesignFeature)

namespace {

template <typename T = QAction>
T* find(const AppDelegate& app, const char* name)
{
    T* found = app.mainWindow()->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s in the window", name);
    return found;
}

// A control of the Wheels group that has no name of its own, by what it is called to a screen reader.
template <typename T>
T* called(const AppDelegate& app, const QString& accessibleName)
{
    T* control = controlCalled<T>(*app.mainWindow(), accessibleName);
    if (!control)
        qFatal("nothing called %s in the window", qPrintable(accessibleName));
    return control;
}

// Picks an item of a combo box as a user's click does.
void pick(QComboBox* box, const QString& item)
{
    const int index = box->findText(item);
    QVERIFY2(index >= 0, qPrintable(item));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QFileDialog* visibleFileDialog(const AppDelegate& app)
{
    for (QFileDialog* dialog : app.mainWindow()->findChildren<QFileDialog*>())
        if (dialog->isVisible())
            return dialog;
    return nullptr;
}

// Runs a command that asks for a file, types the whole path into its dialog and confirms it.
void throughDialog(const AppDelegate& app, const char* action, const QString& path)
{
    find(app, action)->trigger();
    QFileDialog* dialog = visibleFileDialog(app);
    QVERIFY(dialog);
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    const auto button = dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open;
    dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(button)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Answers the file dialog that a command opens and waits on, with `path`, once it shows: the
// command does not return until it is answered. Nothing when the path is empty.
class FileDialogAnswerer
{
public:
    FileDialogAnswerer(const AppDelegate& app, const QString& path)
    {
        if (path.isEmpty())
            return;
        QObject::connect(&m_timer, &QTimer::timeout, [&app, path] {
            if (QFileDialog* dialog = visibleFileDialog(app)) {
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
                dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save)->click();
            }
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

// Whether the design file type's magic, as desktops read it from its description, finds the type
// in these first bytes of a file.
bool typeMagicFinds(const QByteArray& bytes)
{
    QFile description(QFINDTESTDATA("../resources/org.rotagraph.Rotagraph.mime.xml"));
    if (!description.open(QIODevice::ReadOnly))
        qFatal("The file type's description is missing");
    QXmlStreamReader xml(&description);
    int matches = 0;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement() || xml.name() != u"match")
            continue;
        ++matches;
        const QStringList offsets = xml.attributes().value(QLatin1String("offset")).toString().split(u':');
        const QByteArray value = xml.attributes().value(QLatin1String("value")).toUtf8();
        const qsizetype first = offsets.first().toLongLong();
        const qsizetype at = bytes.indexOf(value, first);
        if (xml.attributes().value(QLatin1String("type")) == u"string" && at >= 0 && at <= offsets.last().toLongLong())
            return true;
    }
    if (matches == 0)
        qFatal("The file type's description has no magic");
    return false;
}

void drop(const AppDelegate& app, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint middle = app.mainWindow()->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.mainWindow(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.mainWindow(), &dropped);
}

void pickColour(ColorWell* well, const QColor& colour)
{
    well->click();
    auto* dialog = well->window()->findChild<QColorDialog*>();
    QVERIFY(dialog && dialog->isVisible());
    dialog->setCurrentColor(colour);
    dialog->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A press on the handle, moves through the positions, a release: one drag.
void drag(QSlider* slider, std::initializer_list<int> positions)
{
    slider->setSliderDown(true);
    for (int position : positions)
        slider->setSliderPosition(position);
    slider->setSliderDown(false);
}

void typeWithoutCommitting(NumberField* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

// The title, every design control as its name and what it shows, and the art view's values on
// one line, the last.
QStringList windowShows(const AppDelegate& app)
{
    const QMainWindow* window = app.mainWindow();
    QStringList shown{window->windowTitle()};
    const auto show = [&shown](const QWidget* control, const QString& value) {
        shown << control->objectName() + ' ' + value + (control->isEnabled() ? "" : " disabled");
    };
    for (const NumberField* field : window->findChildren<NumberField*>())
        show(field, field->text() + (field->isMarkedInvalid() ? " marked" : ""));
    for (const Stepper* stepper : window->findChildren<Stepper*>())
        show(stepper, QString::number(stepper->value(), 'g', 17));
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->isCheckable())
            show(button, button->isChecked() ? "on" : "off");
    for (const ColorWell* well : window->findChildren<ColorWell*>())
        show(well, well->color().name(QColor::HexArgb));
    for (const FloatSlider* slider : window->findChildren<FloatSlider*>())
        show(slider, formatNumber(slider->floatValue()));
    for (const QSpinBox* box : window->findChildren<QSpinBox*>())
        show(box, box->accessibleName() + ' ' + box->text());
    for (const QComboBox* box : window->findChildren<QComboBox*>())
        show(box, box->accessibleName() + ' ' + box->currentText());
    const Rotagraph& art = *app.artView();
    const auto colour = [](const QColor& c) { return c.isValid() ? c.name(QColor::HexArgb) : QStringLiteral("none"); };
    shown << QStringList{"art", formatNumber(art.anchorRadius()), formatNumber(art.runnerRadius()),
                         formatNumber(art.penHoleRadius()), formatNumber(art.penDrawSize()), colour(art.penColor()),
                         colour(art.pen2Color()), colour(art.pen3Color()), QString::number(art.numberOfColors()),
                         formatNumber(art.rotationsToMake()), QString::number(art.showAnchor()),
                         QString::number(art.closeCurve()), QString::number(art.fillShape()), colour(art.fillColor()),
                         QString::number(art.greaseIt()), formatNumber(art.percentToDraw()),
                         QString::number(art.nestedWheels().count), formatNumber(art.nestedWheels().radii[0]),
                         formatNumber(art.nestedWheels().radii[1]),
                         QString::number(art.drawMode()), QString::number(art.allowScaleUp()),
                         colour(art.background())}
                 .join(' ');
    return shown;
}

// A design that differs from the default in every value a user can set, fractions and
// see-through colours among them.
void enterEveryValue(AppDelegate& app)
{
    typeInto(app.anchorRadiusInput(), "160.25");
    typeInto(app.runnerRadiusInput(), "72.9 mm");
    typeInto(app.penRadiusInput(), "31.5");
    typeInto(app.revolutionsInput(), "7");
    find<QRadioButton>(app, "runnerInside")->click();
    app.useSecondColorCheck()->click();
    app.useThirdColorCheck()->click();
    pickColour(app.colorPicker(), QColor(10, 20, 30, 128));
    pickColour(app.secondColor(), QColor(200, 100, 0, 64));
    pickColour(app.thirdColor(), QColor(0, 90, 180));
    pickColour(app.fillColorPicker(), QColor(250, 240, 10, 40));
    pickColour(find<ColorWell>(app, "backgroundWell"), QColor(20, 30, 40));
    drag(app.penWidthSlider(), {15});
    drag(app.drawSpeedControl(), {55});
    for (QCheckBox* box : {app.closeCurveCheckbox().data(), app.fillCheckbox().data(), app.showAnchorCheckbox().data(),
                           app.wheelGrease().data(), app.limitRotations().data(), app.confinePen().data()})
        box->click();
}

// A design file as the application writes one, of the default design as `change` leaves it.
QString designFile(const QString& name, const std::function<void(Design&)>& change)
{
    static QTemporaryDir folder;
    Design design;
    change(design);
    writeContents(folder.filePath(name), designToJson(design));
    return folder.filePath(name);
}

QByteArray pngWithoutDesign()
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "png");
    return png.data();
}

}

class TestDocument : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppDelegate> app;
    std::unique_ptr<QTemporaryDir> folder;

    QString path(const QString& name) const { return folder->filePath(name); }
    QString title() const { return app->mainWindow()->windowTitle(); }

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        app = startApplication();
        QVERIFY(app);
    }

    void cleanup()
    {
        app.reset();
        QApplication::clipboard()->clear();
    }

    void savedDesignOpensAsItWasSaved()
    {
        QCOMPARE(title(), QStringLiteral("Untitled[*]"));
        enterEveryValue(*app);
        const QString file = path("every value.rotagraph");
        throughDialog(*app, "actionSave", file);   // no file yet: Save asks for one
        QCOMPARE(title(), QStringLiteral("every value.rotagraph[*]"));
        const QStringList saved = windowShows(*app);

        find(*app, "actionNewDesign")->trigger();
        QVERIFY(windowShows(*app) != saved);
        QCOMPARE(title(), QStringLiteral("Untitled[*]"));
        throughDialog(*app, "actionOpen", file);
        QCOMPARE(windowShows(*app), saved);
        QVERIFY(!app->mainWindow()->isWindowModified());
    }

    // Every seed gives a design of whole radii, the pen inside its runner, closing within 40
    // revolutions and drawn for as many as it takes; the same seed gives the same design.
    void randomDesignsCloseSoon()
    {
        for (quint32 seed = 0; seed < 300; ++seed) {
            const CurveDesign curve = randomCurve(seed);
            QCOMPARE(randomCurve(seed), curve);
            const int anchor = curve.anchorRadius.toInt();
            const int runner = curve.runnerRadius.toInt();
            const int pen = curve.penHoleRadius.toInt();
            const bool inside = curve.runnerSide == RunnerSide::Inside;
            QVERIFY(anchor > 0 && runner > 0 && pen > 0 && pen < runner);
            QVERIFY(!inside || runner < anchor);
            const std::optional<int> closes = closingRevolutions(float(anchor), float(inside ? -runner : runner),
                                                                 float(pen), false, kMostRandomRevolutions);
            QVERIFY(closes && *closes >= 3);
            QCOMPARE(curve.revolutions, QString::number(*closes));
            QVERIFY(curve.penColor.isValid() && curve.pen2Color.isValid() && curve.fillColor.isValid());
        }
        QVERIFY(randomCurve(1) != randomCurve(2));
    }

    // Random designs draw from the gallery's range: copies, gradients, a second curve, a
    // background, now and then a wheel on the runner; each curve closing exactly, no copy lying
    // on another, a second curve well within the first. Plain single-colour rings are rare.
    void randomDesignsShowTheRange()
    {
        constexpr int kSeeds = 200;
        int copies = 0, gradients = 0, twoCurves = 0, backgrounds = 0, nested = 0, plain = 0;
        for (quint32 seed = 0; seed < kSeeds; ++seed) {
            const Design design = randomDesign(seed);
            QCOMPARE(randomDesign(seed), design);
            for (const CurveDesign& curve : design.curves) {
                const ArtParameters art = artOf(curve);
                const std::optional<int> closes = closingRevolutions(art.anchorRadius, art.runnerRadius, art.penHoleRadius,
                                                                     false, art.nested, kMostRandomRevolutions);
                QVERIFY2(closes && float(*closes) == art.rotationsToMake && curve.closeCurve && curve.preciseCurve,
                         qPrintable(QString::number(seed)));
                QCOMPARE(coincidingCopies(curve.copies, symmetryDegrees(art)), 0);
                copies += curve.copies.count > 1;
                gradients += curve.colouring.mode == ColourMode::Gradient;
                nested += !curve.nestedWheels.isEmpty();
            }
            if (design.curves.size() == 2)
                QVERIFY(boundingRadius(artOf(design.curves[1])) <= 0.7f * boundingRadius(artOf(design.curves[0])));
            twoCurves += design.curves.size() == 2;
            backgrounds += design.background.isValid();
            const CurveDesign& first = design.curves.first();
            plain += design.curves.size() == 1 && first.copies.count == 1 && first.colouring.mode == ColourMode::Stretches
                && !design.background.isValid() && first.nestedWheels.isEmpty();
        }
        for (const int share : {copies, gradients, twoCurves, backgrounds})
            QVERIFY2(share >= kSeeds / 5, qPrintable(QString::number(share)));
        QVERIFY2(nested >= kSeeds / 10, qPrintable(QString::number(nested)));
        QVERIFY2(plain <= kSeeds / 10, qPrintable(QString::number(plain)));
    }

    // The shipped gallery: two dozen designs, each with a name, each read whole, each a design
    // code that reads back as it; a one-curve design's code short enough for a chat.
    void theGalleryReadsWhole()
    {
        const std::vector<GalleryDesign> gallery = loadGallery();
        QVERIFY(gallery.size() >= 24);
        for (const GalleryDesign& entry : gallery) {
            QVERIFY(!entry.name.isEmpty());
            const QString code = designCode(designToJson(entry.design), designToJson(Design()));
            if (entry.design.curves.size() == 1)
                QVERIFY2(code.size() <= 120, qPrintable(entry.name + ": " + code));
            const DesignReadResult read = readDesign(code.toUtf8());
            QVERIFY2(read.design && *read.design == entry.design, qPrintable(entry.name));
        }
    }

    // The gallery shows what the program can do: some of its designs use each of these.
    void theGalleryShowsWhatTheProgramCanDo_data()
    {
        QTest::addColumn<DesignFeature>("uses");
        const auto anyCurve = [](const std::function<bool(const CurveDesign&)>& has) {
            return DesignFeature([has](const Design& d) { return std::any_of(d.curves.begin(), d.curves.end(), has); });
        };
        QTest::addRow("copies") << anyCurve([](const CurveDesign& c) { return c.copies.count > 1; });
        QTest::addRow("a background") << DesignFeature([](const Design& d) { return d.background.isValid(); });
        QTest::addRow("a gradient") << anyCurve([](const CurveDesign& c) { return c.colouring.mode == ColourMode::Gradient; });
        QTest::addRow("nested wheels") << anyCurve([](const CurveDesign& c) { return !c.nestedWheels.isEmpty(); });
        QTest::addRow("teeth") << anyCurve([](const CurveDesign& c) { return c.sizes == WheelSizes::Teeth; });
    }

    void theGalleryShowsWhatTheProgramCanDo()
    {
        QFETCH(DesignFeature, uses);
        const std::vector<GalleryDesign> gallery = loadGallery();
        QVERIFY(std::any_of(gallery.begin(), gallery.end(), [&](const GalleryDesign& entry) { return uses(entry.design); }));
    }

    // Every closing curve of the gallery is precise and drawn for exactly the revolutions it
    // closes after, so that it meets its start with no stray chord; and none is the default
    // curve recoloured.
    void theGalleryClosesExactly()
    {
        for (const GalleryDesign& entry : loadGallery()) {
            for (const CurveDesign& curve : entry.design.curves) {
                const ArtParameters art = artOf(curve);
                QVERIFY2(!(art.anchorRadius == 160 && art.runnerRadius == 72 && art.penHoleRadius == 53),
                         qPrintable(entry.name));
                if (!curve.closeCurve)
                    continue;
                QVERIFY2(curve.preciseCurve, qPrintable(entry.name));
                const std::optional<int> closes = closingRevolutions(art.anchorRadius, art.runnerRadius,
                                                                     art.penHoleRadius, art.greaseIt, art.nested, 1000);
                QVERIFY2(closes && float(*closes) == art.rotationsToMake,
                         qPrintable(QStringLiteral("%1: %2 revolutions drawn, closes after %3")
                                        .arg(entry.name)
                                        .arg(double(art.rotationsToMake))
                                        .arg(closes.value_or(0))));
            }
        }
    }

    // A file of a gallery that does not read is left out, and the rest are offered.
    void aBrokenGalleryFileIsLeftOut()
    {
        QVERIFY(QDir(folder->path()).mkdir("gallery"));
        QVERIFY(writeContents(path("gallery/Good.rotagraph"), designToJson(Design())));
        QVERIFY(writeContents(path("gallery/Broken.rotagraph"), "{\"format\": \"rotagraph-design\", \"version\": 2, \"curves\": ["));
        QVERIFY(writeContents(path("gallery/Not a design.txt"), "text"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Broken.rotagraph.*left out"));
        const std::vector<GalleryDesign> gallery = loadGallery(path("gallery"));
        QCOMPARE(gallery.size(), std::size_t(1));
        QCOMPARE(gallery.front().name, QStringLiteral("Good"));
    }

    // The dialog shows every design's name at once and the thumbnails fill in; the one chosen
    // opens untitled, and Undo takes it back.
    void newFromGallery()
    {
        const QStringList before = windowShows(*app);
        find(*app, "actionNewFromGallery")->trigger();
        auto* dialog = app->mainWindow()->findChild<GalleryDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        auto* list = dialog->findChild<QListView*>();
        QVERIFY(list->model()->rowCount() >= 24);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->thumbnailsDrawn(), list->model()->rowCount(), kPatienceMs);
        dialog->findChild<QLineEdit*>()->setText("rainbow");
        QCOMPARE(list->model()->rowCount(), 1);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), kPatienceMs);
        QCOMPARE(app->artView()->composition().curves.at(0).copies.count, 24);
        QCOMPARE(app->artView()->background(), QColor(0xff, 0xf8, 0xe7));
        QCOMPARE(title(), QStringLiteral("Untitled[*]"));
        find(*app, "actionUndo")->trigger();
        QCOMPARE(windowShows(*app), before);
    }

    // Copy Design Code puts a short text on the clipboard that Paste takes back as the design.
    void designCodeThroughTheClipboard()
    {
        app->randomDesign(7);
        const QStringList shown = windowShows(*app);
        find(*app, "actionCopyDesignCode")->trigger();
        const QString code = QApplication::clipboard()->text();
        // Two curves, copies and a background at most: still short enough to paste in a chat.
        QVERIFY2(code.startsWith("rotagraph:") && code.size() <= 240, qPrintable(code));
        find(*app, "actionUndo")->trigger();
        QVERIFY(windowShows(*app) != shown);
        find(*app, "actionPaste")->trigger();
        QCOMPARE(windowShows(*app), shown);
    }

    // Random Design replaces the design as one step to undo, and the status line tells its seed.
    void randomDesignIsOneStep()
    {
        const QStringList before = windowShows(*app);
        app->randomDesign(42);
        QCOMPARE(app->artView()->anchorRadius(), randomCurve(42).anchorRadius.toFloat());
        QVERIFY(windowShows(*app) != before);
        QCOMPARE(app->mainWindow()->statusBar()->currentMessage(), QStringLiteral("Random design, seed 42"));
        QCOMPARE(find(*app, "actionRandomDesign")->shortcut(), QKeySequence("Ctrl+R"));
        find(*app, "actionUndo")->trigger();
        QCOMPARE(windowShows(*app), before);
    }

    // Files named on the command line: the first opens in the window, with its name in the
    // title, and the status line says the others were left.
    void opensTheFirstFileOfTheCommandLine()
    {
        Design first;
        first.curves[0].anchorRadius = "123";
        first.curves[0].colouring.mode = ColourMode::Gradient;
        QVERIFY(writeContents(path("first.rotagraph"), designToJson(first)));
        QVERIFY(writeContents(path("second.rotagraph"), designToJson(Design())));
        app->openFromCommandLine({path("first.rotagraph"), path("second.rotagraph")});
        QCOMPARE(title(), QStringLiteral("first.rotagraph[*]"));
        QCOMPARE(app->artView()->anchorRadius(), 123.0f);
        QCOMPARE(app->artView()->colouring().mode, ColourMode::Gradient);
        QCOMPARE(app->mainWindow()->statusBar()->currentMessage(),
                 QStringLiteral("Opened the first of 2 files; a window shows one design at a time."));
    }

    // An opened design takes the path of values entered in the controls: the pen kept inside
    // the runner and the revolutions limited, when the design says so. Saved again, it keeps
    // what a newer version wrote into it.
    void openedDesignIsEnteredAsTyped_data()
    {
        QTest::addColumn<bool>("confine");
        QTest::addColumn<bool>("limit");
        QTest::addColumn<QString>("pen");
        QTest::addColumn<QString>("revolutions");
        QTest::addRow("pen confined") << true << false << "71" << "30";
        QTest::addRow("revolutions limited") << false << true << "80" << "22";
        QTest::addRow("neither") << false << false << "80" << "30";
    }

    void openedDesignIsEnteredAsTyped()
    {
        QFETCH(bool, confine);
        QFETCH(bool, limit);
        QFETCH(QString, pen);
        QFETCH(QString, revolutions);
        const QString file = designFile("typed.rotagraph", [&](Design& d) {
            d.curves[0].penHoleRadius = "80";
            d.curves[0].revolutions = "30";
            d.curves[0].confinePen = confine;
            d.curves[0].limitRevolutions = limit;
            d.curves[0].otherKeys = {{"phase", 0.25}};
            d.otherKeys = {{"paper", "kraft"}};
        });
        drop(*app, file);
        QCOMPARE(app->penRadiusInput()->text(), pen);
        QCOMPARE(app->revolutionsInput()->text(), revolutions);
        QCOMPARE(app->artView()->penHoleRadius(), pen.toFloat());
        QCOMPARE(app->artView()->rotationsToMake(), revolutions.toFloat());
        // What a newer version wrote into the curve and the design is saved with them.
        find(*app, "actionSave")->trigger();
        const Design saved = *loadDesignFile(file).design;
        QCOMPARE(saved.curves[0].otherKeys, QJsonObject({{"phase", 0.25}}));
        QCOMPARE(saved.otherKeys, QJsonObject({{"paper", "kraft"}}));
    }

    // One undo puts the window back as it was before the change, the art view included; redo
    // puts the change back.
    // However far the last design was zoomed, the next one shows whole, as at start.
    void everyNewDesignShowsWhole_data()
    {
        QTest::addColumn<WindowChange>("setup");
        QTest::addColumn<WindowChange>("change");
        const WindowChange nothing = [](AppDelegate&) {};
        const QString opened = designFile("elsewhere.rotagraph", [](Design& d) { d.curves[0].anchorRadius = "40"; });
        QTest::addRow("New Design") << nothing << WindowChange([](AppDelegate& a) { find(a, "actionNewDesign")->trigger(); });
        QTest::addRow("Open") << nothing << WindowChange([opened](AppDelegate& a) { throughDialog(a, "actionOpen", opened); });
        QTest::addRow("a dropped file") << nothing << WindowChange([opened](AppDelegate& a) { drop(a, opened); });
        QTest::addRow("a pasted design code")
            << WindowChange([](AppDelegate& a) {
                   a.randomDesign(7);
                   find(a, "actionCopyDesignCode")->trigger();
               })
            << WindowChange([](AppDelegate& a) { find(a, "actionPaste")->trigger(); });
        QTest::addRow("from the gallery") << nothing << WindowChange([](AppDelegate& a) {
            find(a, "actionNewFromGallery")->trigger();
            auto* dialog = a.mainWindow()->findChild<GalleryDialog*>();
            QVERIFY(dialog);
            auto* list = dialog->findChild<QListView*>();
            list->setCurrentIndex(list->model()->index(3, 0));
            QTest::keyClick(list, Qt::Key_Return);
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), kPatienceMs);
        });
    }

    void everyNewDesignShowsWhole()
    {
        QFETCH(WindowChange, setup);
        QFETCH(WindowChange, change);
        setup(*app);
        for (int step = 0; step < 11; ++step)
            app->artView()->zoomIn();
        QVERIFY(!app->artView()->zoom().fitsToWindow());
        {
            const MessageBoxAnswerer discard({QMessageBox::Discard});
            change(*app);
        }
        QVERIFY(app->artView()->zoom().fitsToWindow());
        QVERIFY(find(*app, "actionFitToWindow")->isChecked());
    }

    void undoAndRedoRestoreTheWindow_data()
    {
        QTest::addColumn<WindowChange>("setup");
        QTest::addColumn<WindowChange>("change");
        const WindowChange nothing = [](AppDelegate&) {};
        QTest::addRow("a run of stepper clicks") << nothing << WindowChange([](AppDelegate& a) {
            for (int click = 0; click < 3; ++click)
                a.runnerRadiusStepper()->stepDown();
        });
        QTest::addRow("a slider drag") << nothing
                                       << WindowChange([](AppDelegate& a) { drag(a.penWidthSlider(), {4, 8, 12}); });
        QTest::addRow("a second drag of the same slider")
            << WindowChange([](AppDelegate& a) { drag(a.penWidthSlider(), {4}); })
            << WindowChange([](AppDelegate& a) { drag(a.penWidthSlider(), {10, 14}); });
        QTest::addRow("the speed, which draws nothing")
            << nothing << WindowChange([](AppDelegate& a) { drag(a.drawSpeedControl(), {30, 60}); });
        QTest::addRow("a typed number") << nothing
                                        << WindowChange([](AppDelegate& a) { typeInto(a.anchorRadiusInput(), "90.5"); });
        // The arrows take no focus: a number being typed is drawn with the click, and goes with it.
        QTest::addRow("a stepper click while a number is typed") << nothing << WindowChange([](AppDelegate& a) {
            typeWithoutCommitting(a.anchorRadiusInput(), "90");
            a.runnerRadiusStepper()->stepUp();
        });
        // Where a click takes no focus (some platforms' buttons), the number stays uncommitted:
        // the option alone reaches the art view, and redo must not draw the number.
        QTest::addRow("an option while a number is typed") << nothing << WindowChange([](AppDelegate& a) {
            typeWithoutCommitting(a.anchorRadiusInput(), "90");
            a.showAnchorCheckbox()->click();
        });
        QTest::addRow("a background") << nothing << WindowChange([](AppDelegate& a) {
            find<QCheckBox>(a, "backgroundCheck")->click();
        });
        QTest::addRow("Add Wheel") << nothing << WindowChange([](AppDelegate& a) { find(a, "actionAddWheel")->trigger(); });
        QTest::addRow("Remove Wheel")
            << WindowChange([](AppDelegate& a) { find(a, "actionAddWheel")->trigger(); })
            << WindowChange([](AppDelegate& a) { find(a, "actionRemoveWheel")->trigger(); });
        QTest::addRow("sizes by teeth, then a ring of the kit")
            << WindowChange([](AppDelegate& a) { pick(called<QComboBox>(a, "Wheel sizes"), "Teeth"); })
            << WindowChange([](AppDelegate& a) { pick(called<QComboBox>(a, "Anchor from the kit"), "Ring 105/150"); });
        const WindowChange newDesign = [](AppDelegate& a) { find(a, "actionNewDesign")->trigger(); };
        QTest::addRow("New Design") << WindowChange(enterEveryValue) << newDesign;
        const QString opened = designFile("opened.rotagraph", [](Design& d) { d.curves[0].anchorRadius = "99"; d.curves[0].fillShape = true; });
        QTest::addRow("Open") << WindowChange([](AppDelegate& a) { typeInto(a.penRadiusInput(), "40"); })
                              << WindowChange([opened](AppDelegate& a) { throughDialog(a, "actionOpen", opened); });
        QTest::addRow("New Design after Open") << WindowChange([opened](AppDelegate& a) { drop(a, opened); })
                                               << newDesign;
    }

    void undoAndRedoRestoreTheWindow()
    {
        QFETCH(WindowChange, setup);
        QFETCH(WindowChange, change);
        setup(*app);
        const QStringList before = windowShows(*app);
        {
            const MessageBoxAnswerer discard({QMessageBox::Discard});
            change(*app);
        }
        // The window is active again once the question has gone, as on a desktop.
        app->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app->mainWindow()));
        const QStringList after = windowShows(*app);
        QVERIFY(after != before);
        QTest::keySequence(app->mainWindow(), QKeySequence::Undo);
        QCOMPARE(windowShows(*app), before);
        QTest::keySequence(app->mainWindow(), QKeySequence::Redo);
        QCOMPARE(windowShows(*app), after);
    }

    void undoStopsASlowDrawing()
    {
        const QStringList before = windowShows(*app);
        app->fillCheckbox()->click();
        app->drawSlowButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(app->artView()->percentToDraw() < 100, kPatienceMs);
        find(*app, "actionUndo")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(app->drawSlowButton()->text(), QStringLiteral("Draw Slowly"), kPatienceMs);
        QCOMPARE(windowShows(*app), before);
    }

    // A changed design asks before it goes, whether it has a file or not; saving one without a
    // file asks for a file first, and the command goes on once it is written.
    void unsavedChangesAreAskedAbout_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("titled");
        QTest::addColumn<int>("answer");
        for (const char* command : {"actionNewDesign", "actionOpen", "close"})
            for (const bool titled : {true, false}) {
                const char* which = titled ? "saved before" : "untitled";
                QTest::addRow("%s, %s, Save", command, which) << command << titled << int(QMessageBox::Save);
                QTest::addRow("%s, %s, Discard", command, which) << command << titled << int(QMessageBox::Discard);
                QTest::addRow("%s, %s, Cancel", command, which) << command << titled << int(QMessageBox::Cancel);
            }
    }

    void unsavedChangesAreAskedAbout()
    {
        QFETCH(QString, command);
        QFETCH(bool, titled);
        QFETCH(int, answer);
        const QString file = path("asked.rotagraph");
        if (titled)
            throughDialog(*app, "actionSaveAs", file);
        const QByteArray saved = contentsOf(file);
        QVERIFY(!app->mainWindow()->isWindowModified());
        app->runnerRadiusStepper()->stepUp();
        const QStringList changed = windowShows(*app);
        QVERIFY(app->mainWindow()->isWindowModified());

        MessageBoxAnswerer answerer({QMessageBox::StandardButton(answer)});
        // An untitled design saved on the way out asks for its file.
        FileDialogAnswerer fileDialog(*app, titled ? QString() : file);
        if (command == "close")
            app->mainWindow()->close();
        else
            find(*app, qPrintable(command))->trigger();
        QCOMPARE(answerer.names, QStringList{"saveChangesQuestion"});
        QCOMPARE(contentsOf(file) == saved, answer != QMessageBox::Save);
        if (answer == QMessageBox::Save)
            QCOMPARE(readDesign(contentsOf(file)).design->curves[0].runnerRadius, QStringLiteral("73"));
        const bool goesOn = answer != QMessageBox::Cancel;
        if (command == "actionNewDesign")
            QCOMPARE(windowShows(*app) != changed, goesOn);
        if (command == "actionOpen") {
            QCOMPARE(visibleFileDialog(*app) != nullptr, goesOn);
            if (goesOn)
                visibleFileDialog(*app)->reject();
        }
        if (command == "close")
            QCOMPARE(app->mainWindow()->isVisible(), !goesOn);
    }

    // Closing the window, File ▸ Close, takes the same question; Revert reads the file again as
    // a step that Undo takes back, and is there only for a changed design that has a file.
    void closeAndRevert()
    {
        QAction* revert = find(*app, "actionRevert");
        QCOMPARE(find(*app, "actionClose")->shortcut(), QKeySequence(QKeySequence::Close));
        QVERIFY(!revert->isEnabled());
        app->runnerRadiusStepper()->stepUp();
        QVERIFY(!revert->isEnabled());   // nothing to go back to
        const QString file = path("reverted.rotagraph");
        throughDialog(*app, "actionSaveAs", file);
        const QStringList saved = windowShows(*app);
        QVERIFY(!revert->isEnabled());
        typeInto(app->anchorRadiusInput(), "123");
        const QStringList changed = windowShows(*app);
        QVERIFY(revert->isEnabled());
        revert->trigger();
        QCOMPARE(windowShows(*app), saved);
        QVERIFY(!revert->isEnabled());
        QTest::keySequence(app->mainWindow(), QKeySequence::Undo);
        QCOMPARE(windowShows(*app), changed);

        MessageBoxAnswerer answerer({QMessageBox::Cancel});
        QTest::keySequence(app->mainWindow(), QKeySequence::Close);
        QCOMPARE(answerer.names, QStringList{"saveChangesQuestion"});
        QVERIFY(app->mainWindow()->isVisible());
    }

    // The history keeps its last thousand steps; the oldest go first.
    void historyKeepsItsLastSteps()
    {
        constexpr int kKept = 1000;
        constexpr int kMore = 5;
        for (int i = 0; i < kKept + kMore; ++i)
            typeInto(app->revolutionsInput(), QString::number(10 + i));
        QAction* undo = find(*app, "actionUndo");
        int undone = 0;
        while (undo->isEnabled() && undone <= kKept) {
            undo->trigger();
            ++undone;
        }
        QCOMPARE(undone, kKept);
        // The first changes are gone: the oldest state Undo reaches is the one after them.
        QCOMPARE(app->revolutionsInput()->text(), QString::number(10 + kMore - 1));
        QVERIFY(app->mainWindow()->isWindowModified());
    }

    // Copy puts the drawing and the design on the clipboard, and pasting the design sets it as
    // one step; inside a field the same keys copy and paste the field's text.
    void copyAndPaste()
    {
        enterEveryValue(*app);
        const QStringList copied = windowShows(*app);
        find(*app, "actionCopy")->trigger();
        const QMimeData* data = QApplication::clipboard()->mimeData();
        const QImage image = qvariant_cast<QImage>(data->imageData());
        constexpr int kSuggestedEdge = 247;   // (160.25 - 72.9 + 31.5) × 2 + 10, whole
        QCOMPARE(image.size(), QSize(kSuggestedEdge, kSuggestedEdge));
        QCOMPARE(image.pixel(0, 0), qRgb(20, 30, 40));   // the design's background
        QCOMPARE(image.text(kDesignTextKey), data->text());
        // A vector editor pastes vectors, at the drawing's natural size: a point of the view a
        // point on paper, the pen's width around the design's reach.
        QXmlStreamReader svg(data->data(QStringLiteral("image/svg+xml")));
        QVERIFY(svg.readNextStartElement());
        const double side = (2 * 118.85 + app->artView()->penDrawSize()) * 25.4 / 72;
        QVERIFY2(std::abs(svg.attributes().value(QLatin1String("width")).chopped(2).toDouble() - side) < 0.002,
                 qPrintable(svg.attributes().value(QLatin1String("width")).toString()));
        QStringList layers;
        while (svg.readNextStartElement()) {
            if (svg.name() == u"g")
                layers << svg.attributes().value(QLatin1String("inkscape:label")).toString().section(u' ', 0, 1);
            svg.skipCurrentElement();
        }
        QCOMPARE(layers, (QStringList{"% background", "% fill", "1 pen", "2 pen", "3 pen"}));

        {
            const MessageBoxAnswerer discard({QMessageBox::Discard});
            find(*app, "actionNewDesign")->trigger();
        }
        app->mainWindow()->activateWindow();   // as above: the keys go to the window
        QVERIFY(QTest::qWaitForWindowActive(app->mainWindow()));
        const QStringList fresh = windowShows(*app);
        QTest::keySequence(app->mainWindow(), QKeySequence::Paste);
        QCOMPARE(windowShows(*app), copied);
        find(*app, "actionUndo")->trigger();
        QCOMPARE(windowShows(*app), fresh);

        app->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app->mainWindow()));
        app->anchorRadiusInput()->setFocus();
        app->anchorRadiusInput()->selectAll();
        QTest::keySequence(app->anchorRadiusInput(), QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("160"));
        QVERIFY(!QApplication::clipboard()->mimeData()->hasImage());
        app->penRadiusInput()->setFocus();
        app->penRadiusInput()->selectAll();
        QTest::keySequence(app->penRadiusInput(), QKeySequence::Paste);
        QCOMPARE(app->penRadiusInput()->text(), QStringLiteral("160"));
        QCOMPARE(windowShows(*app).last(), fresh.last());   // the art view: nothing pasted into it
    }

    // Every file the window writes says what it is in its first bytes, however many curves its
    // design holds: a design file to the file type's magic, an export in its design's text.
    void filesAreKnownByTheirContent_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("curves");
        QTest::addRow("a design saved") << "actionSaveAs" << "design.rotagraph" << 1;
        QTest::addRow("a design of twelve curves saved") << "actionSaveAs" << "twelve.rotagraph" << 12;
        QTest::addRow("a PNG of twelve curves") << "actionExport" << "twelve.png" << 12;
        QTest::addRow("an SVG of twelve curves") << "actionExportSvg" << "twelve.svg" << 12;
    }

    void filesAreKnownByTheirContent()
    {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(int, curves);
        for (int curve = 1; curve < curves; ++curve)
            find(*app, "actionAddCurve")->trigger();
        throughDialog(*app, qPrintable(action), path(file));
        const QByteArray bytes = contentsOf(path(file));
        QByteArray text = bytes;
        if (file.endsWith(".png")) {
            text = QImage(path(file)).text(QStringLiteral("rotagraph-design")).toUtf8();
        } else if (file.endsWith(".svg")) {
            const QByteArray opening = "<metadata id=\"design\">";
            const qsizetype start = bytes.indexOf(opening) + opening.size();
            text = bytes.mid(start, bytes.indexOf("</metadata>") - start);
            QVERIFY(bytes.indexOf(text.left(60)) < 512);
        } else {
            QVERIFY(typeMagicFinds(bytes.left(600)));
        }
        QVERIFY2(text.startsWith("{\n    \"format\": \"rotagraph-design\",\n    \"version\": 2,\n    \"minorVersion\": "),
                 text.left(200).constData());
    }

    // Each export carries the design and opens as its design again, by the menu or dropped on
    // the window.
    void exportsCarryTheDesign_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("dropped");
        QTest::addRow("PNG, opened") << "actionExport" << "design.png" << false;
        QTest::addRow("PNG, dropped") << "actionExport" << "design.png" << true;
        QTest::addRow("SVG, opened") << "actionExportSvg" << "design.svg" << false;
        QTest::addRow("SVG, dropped") << "actionExportSvg" << "design.svg" << true;
    }

    void exportsCarryTheDesign()
    {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(bool, dropped);
        enterEveryValue(*app);
        const QStringList exported = windowShows(*app);
        throughDialog(*app, qPrintable(action), path(file));
        {
            const MessageBoxAnswerer discard({QMessageBox::Discard});
            find(*app, "actionNewDesign")->trigger();
        }
        dropped ? drop(*app, path(file)) : throughDialog(*app, "actionOpen", path(file));
        // Saving must not write a design file over the export: it asks for a file of its own.
        QCOMPARE(title(), QStringLiteral("Untitled[*]"));
        QCOMPARE(windowShows(*app), exported);
    }

    void theShellExportsWhatTheWindowExports_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addRow("PNG") << "actionExport" << "design.png";
        QTest::addRow("SVG") << "actionExportSvg" << "design.svg";
        QTest::addRow("PDF") << "actionExportPdf" << "design.pdf";
    }

    // rotagraph --export writes, byte for byte, what the window's export of the same design file
    // writes with the options it starts with.
    void theShellExportsWhatTheWindowExports()
    {
        QFETCH(QString, action);
        QFETCH(QString, file);
        const std::vector<GalleryDesign> gallery = loadGallery();
        const auto rainbow = std::find_if(gallery.begin(), gallery.end(),
                                          [](const GalleryDesign& entry) { return entry.name == "Candy Stripes"; });
        QVERIFY(rainbow != gallery.end());
        QVERIFY(writeContents(path("rainbow.rotagraph"), designToJson(rainbow->design)));
        app->openFromCommandLine({path("rainbow.rotagraph")});
        QCOMPARE(app->artView()->colouring().mode, ColourMode::Gradient);
        throughDialog(*app, qPrintable(action), path(file));
        QVERIFY(QDir(folder->path()).mkdir("shell"));
        QProcess shell;
        shell.start(QStringLiteral(ROTAGRAPH_BINARY), {"--export", path("shell/" + file), path("rainbow.rotagraph")});
        QVERIFY(shell.waitForFinished(60'000));
        QCOMPARE(shell.exitCode(), 0);
        // A PDF names the program that made it, this test or Rotagraph, in its last object.
        const auto madeBy = [](const QByteArray& bytes) {
            const qsizetype info = bytes.indexOf("/Creator");   // and what follows: the offsets of what it holds
            return info < 0 ? bytes : bytes.left(info);
        };
        const QByteArray fromWindow = madeBy(contentsOf(path(file)));
        QVERIFY(fromWindow.size() > 1000);
        const QByteArray fromShell = madeBy(contentsOf(path("shell/" + file)));
        qsizetype differ = 0;
        while (differ < fromShell.size() && differ < fromWindow.size() && fromShell[differ] == fromWindow[differ])
            ++differ;
        QVERIFY2(fromShell == fromWindow, qPrintable(QString("from byte %1: %2 against %3")
                                                        .arg(differ)
                                                        .arg(QString::fromLatin1(fromShell.mid(differ - 20, 60).toPercentEncoding()),
                                                             QString::fromLatin1(fromWindow.mid(differ - 20, 60).toPercentEncoding()))));
    }

    // The Open dialog first shows every kind of file that opens as a design, and nothing else.
    void openOffersEveryKindOfDesign()
    {
        const QStringList designs{"design.png", "design.rotagraph", "design.svg"};
        for (const QString& name : designs + QStringList{"notes.txt"})
            QVERIFY(writeContents(path(name), {}));
        find(*app, "actionOpen")->trigger();
        QFileDialog* dialog = visibleFileDialog(*app);
        QVERIFY(dialog);
        dialog->setDirectory(folder->path());
        const auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
        const auto shown = [list] {
            QStringList names;
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
                const QModelIndex index = list->model()->index(row, 0, list->rootIndex());
                if (index.flags() & Qt::ItemIsEnabled)
                    names << index.data().toString();
            }
            names.sort();
            return names;
        };
        QTRY_COMPARE_WITH_TIMEOUT(shown(), designs, kPatienceMs);
        dialog->reject();
    }

    // Copy puts the whole picture on the clipboard, whichever curve is selected: every curve
    // shown, each turned, fitted whole, and none that is hidden.
    void copiedImageHoldsTheVisibleCurves()
    {
        find(*app, "actionAddCurve")->trigger();
        typeInto(app->anchorRadiusInput(), QStringLiteral("400"));
        find(*app, "actionShowCurve")->trigger();   // hides the large one
        find(*app, "actionAddCurve")->trigger();
        find<QRadioButton>(*app, "runnerInside")->click();
        // Half of a lobe of the curve's twenty: no turn of it maps it onto itself.
        typeInto(find<QLineEdit>(*app, "turnInput"), QStringLiteral("9"));
        find(*app, "actionCopy")->trigger();
        const QImage image = qvariant_cast<QImage>(QApplication::clipboard()->mimeData()->imageData());
        constexpr int kSuggestedEdge = 580;   // the first curve's reach, 160 + 72 + 53, × 2 + 10
        QCOMPARE(image.size(), QSize(kSuggestedEdge, kSuggestedEdge));

        const Composition shown = app->artView()->composition();
        QCOMPARE(shown.curves.size(), std::size_t(3));
        Composition visible{{shown.curves[0], shown.curves[2]}};
        visible.curves[1].turn = 9;
        QCOMPARE(image.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 renderExportImage(visible, kSuggestedEdge, true, false));
    }

    // A file or clipboard that holds no design changes nothing and says why, in a user's words:
    // where the JSON breaks is for the details.
    void badInputChangesNothing_data()
    {
        QTest::addColumn<QString>("name");          // empty: pasted
        QTest::addColumn<QByteArray>("contents");   // null: there is no such file; "loop": a link loop
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("details");       // a part of the box's details; empty: none
        QTest::addRow("not JSON") << "zipped.rotagraph" << QByteArray("PK\3\4")
                                  << "“zipped.rotagraph” could not be opened.\nIt is not a design file: it is not JSON."
                                  << "byte 1: illegal value";
        QTest::addRow("a newer version")
            << "newer.rotagraph" << QByteArray(R"({"format": "rotagraph-design", "version": 3})")
            << "“newer.rotagraph” could not be opened.\nIt was made by a newer version of Rotagraph (format 3) that "
               "this one cannot read." << "";
        QTest::addRow("an image without a design")
            << "plain.png" << pngWithoutDesign()
            << "“plain.png” could not be opened.\nThis image holds no Rotagraph design." << "";
        QTest::addRow("a drawing without a design")
            << "plain.svg" << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><g/></svg>")
            << "“plain.svg” could not be opened.\nThis drawing holds no Rotagraph design." << "";
        QTest::addRow("gone") << "gone.rotagraph" << QByteArray()
                              << "“gone.rotagraph” could not be opened.\nThere is no such file." << "";
        QTest::addRow("a link loop") << "loop.rotagraph" << QByteArray("loop")
                                     << "“loop.rotagraph” could not be opened.\nIt is a link that leads round in a loop."
                                     << "";
        QTest::addRow("pasted text") << "" << QByteArray("160, 72, 53") << "The clipboard holds no Rotagraph design.\n"
                                     << "illegal value";
        QTest::addRow("pasted JSON of another kind") << "" << QByteArray(R"({"anchorRadius": "160"})")
                                                     << "The clipboard holds no Rotagraph design.\n" << "";
        QTest::addRow("pasted design with a faulty value")
            << "" << QByteArray(R"({"format": "rotagraph-design", "version": 1, "runnerSide": "left"})")
            << "The clipboard holds no Rotagraph design.\nThe runner side is neither “inside” nor “outside”." << "";
    }

    void badInputChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        QFETCH(QString, details);
        app->fillCheckbox()->click();
        const QStringList before = windowShows(*app);
        MessageBoxAnswerer answerer({QMessageBox::Discard, QMessageBox::Ok});
        if (name.isEmpty()) {
            QApplication::clipboard()->setText(QString::fromUtf8(contents));
            find(*app, "actionPaste")->trigger();
        } else if (contents == "loop") {
            QVERIFY(QFile::link(path(name), path(name)));
            drop(*app, path(name));
        } else {
            QVERIFY(contents.isNull() || writeContents(path(name), contents));
            drop(*app, path(name));
        }
        // A file dropped asks about the changed design first; pasting does not replace it yet.
        const qsizetype asked = name.isEmpty() ? 0 : 1;
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts.size(), asked + 1, kPatienceMs);
        QCOMPARE(answerer.texts.last(), message);
        QVERIFY2(details.isEmpty() ? answerer.details.last().isEmpty() : answerer.details.last().contains(details),
                 qPrintable(answerer.details.last()));
        QCOMPARE(windowShows(*app), before);
        QCOMPARE(title(), QStringLiteral("Untitled[*]"));
        find(*app, "actionUndo")->trigger();   // the history still ends with the change before
        QVERIFY(!app->artView()->fillShape());
    }

    void failedSaveKeepsTheFileAndSaysSo()
    {
        const QString file = path("kept.rotagraph");
        throughDialog(*app, "actionSaveAs", file);
        const QByteArray saved = contentsOf(file);
        typeInto(app->anchorRadiusInput(), "123");
        {
            constexpr rlim_t kTooFewBytes = 64;   // a design file takes several hundred
            const WriteLimit limit(kTooFewBytes);
            MessageBoxAnswerer answerer({QMessageBox::Ok});
            find(*app, "actionSave")->trigger();
            QCOMPARE(answerer.texts.size(), 1);
            const QString expected = QStringLiteral("The design could not be saved as “%1”.\nFile too large").arg(file);
            QVERIFY2(answerer.texts.first().startsWith(expected), qPrintable(answerer.texts.first()));
        }
        QCOMPARE(contentsOf(file), saved);
        QVERIFY(app->mainWindow()->isWindowModified());
        find(*app, "actionSave")->trigger();
        QCOMPARE(readDesign(contentsOf(file)).design->curves[0].anchorRadius, QStringLiteral("123"));
        QVERIFY(!app->mainWindow()->isWindowModified());
    }

    // A design that opens but would not open again once written is not saved, and says why.
    void designThatWouldNotReopenIsNotSaved()
    {
        const QString source = path("numbers.rotagraph");
        QVERIFY(writeContents(source, designOfLongNumbers()));
        drop(*app, source);
        MessageBoxAnswerer answerer({QMessageBox::Ok});
        find(*app, "actionSave")->trigger();
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts.first().contains("The design is too large to be written so that it opens again: its "
                                                 "text takes 1.26 MiB"),
                 qPrintable(answerer.texts.first()));
        QCOMPARE(contentsOf(source), designOfLongNumbers());
    }

    // The last designs, newest first, across runs; a file that is gone leaves the list.
    void openRecent()
    {
        QStringList files;   // newest first
        for (int i = 0; i <= RecentFiles::kMostFiles; ++i) {
            files.prepend(designFile(QStringLiteral("%1.rotagraph").arg(i), [i](Design& d) { d.curves[0].revolutions = QString::number(i); }));
            drop(*app, files.first());
        }
        auto* menu = find<QMenu>(*app, "menuOpenRecent");
        const auto listed = [&menu] {   // the menu of whichever window is open
            emit menu->aboutToShow();
            QStringList entries;
            for (const QAction* entry : menu->actions())
                if (!entry->statusTip().isEmpty())
                    entries << entry->statusTip();
            return entries;
        };
        QCOMPARE(listed(), files.mid(0, RecentFiles::kMostFiles));

        QFile::remove(files[0]);
        QCOMPARE(listed(), files.mid(1, RecentFiles::kMostFiles - 1));
        menu->actions().at(2)->trigger();
        QCOMPARE(app->revolutionsInput()->text(), QStringLiteral("7"));

        app = std::make_unique<AppDelegate>();
        menu = find<QMenu>(*app, "menuOpenRecent");
        QCOMPARE(listed().first(), files[3]);
        find(*app, "actionClearRecentFiles")->trigger();
        QCOMPARE(listed(), QStringList());
        QVERIFY(!find(*app, "actionClearRecentFiles")->isEnabled());
    }

    void closure_data()
    {
        QTest::addColumn<QString>("runner");
        QTest::addColumn<QString>("pen");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("closed");   // the revolutions that Close the Design Exactly sets
        QTest::addRow("160 and 72") << "72" << "53" << "Closes after 9 revolutions" << "9";
        QTest::addRow("a fraction typed") << "72.9" << "53" << "Closes after 729 revolutions" << "729";
        QTest::addRow("a pen at the centre") << "72" << "0" << "Closes after 1 revolution" << "1";
        QTest::addRow("a third") << "33.3333333" << "20" << "Does not close within 1,000 revolutions" << "";
    }

    // A kit's ring and wheel, a side and a hole give the radii and the closure they stand for;
    // the ring turns its other teeth to the runner when it changes sides.
    void wheelsByTeeth()
    {
        pick(called<QComboBox>(*app, "Wheel sizes"), "Teeth");
        QVERIFY(!app->anchorRadiusInput()->isVisible());
        find<QRadioButton>(*app, "runnerInside")->click();
        pick(called<QComboBox>(*app, "Anchor from the kit"), "Ring 96/144");
        pick(called<QComboBox>(*app, "Runner from the kit"), "Wheel 24");
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->closureText(), QString("4 petals; closes after 1 turn of the wheel"), kPatienceMs);
        pick(called<QComboBox>(*app, "Anchor from the kit"), "Any");   // no choice: nothing changes
        pick(called<QComboBox>(*app, "Runner from the kit"), "Any");
        QCOMPARE(called<QSpinBox>(*app, "Anchor teeth")->value(), 96);
        QCOMPARE(called<QSpinBox>(*app, "Runner teeth")->value(), 24);
        pick(called<QComboBox>(*app, "Runner from the kit"), "Wheel 30");
        called<QSpinBox>(*app, "Pen hole number")->setValue(7);
        const Rotagraph& art = *app->artView();
        QCOMPARE(art.anchorRadius(), 160.0f);
        QCOMPARE(art.runnerRadius(), -50.0f);
        // Hole 7 of the 30-tooth wheel: 0.5 + 6 × 0.3 pitches in from its edge.
        QCOMPARE(art.penHoleRadius(), float(50 - 2.3 * kDefaultToothPitch));
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->closureText(), QString("16 petals; closes after 5 turns of the wheel"), kPatienceMs);

        find<QRadioButton>(*app, "runnerOutside")->click();
        QCOMPARE(called<QSpinBox>(*app, "Anchor teeth")->value(), 144);
        QCOMPARE(art.anchorRadius(), 240.0f);
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->closureText(), QString("24 petals; closes after 5 turns of the wheel"), kPatienceMs);
        find(*app, "actionCloseExactly")->trigger();
        QCOMPARE(app->revolutionsInput()->text(), QStringLiteral("5"));

        // Back in radii, a radius between counts shows as the nearest count, marked.
        pick(called<QComboBox>(*app, "Wheel sizes"), "Radii");
        typeInto(app->anchorRadiusInput(), "241");
        pick(called<QComboBox>(*app, "Wheel sizes"), "Teeth");
        QCOMPARE(called<QSpinBox>(*app, "Anchor teeth")->text(), QStringLiteral("≈ 145"));
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->closureText(), QString("Closes after 50 revolutions"), kPatienceMs);

        // A wheel added has whole teeth, half the last one's, and the pen moves into its hole of
        // the same number: hole 7 of the 15-tooth wheel's 7, then the innermost of the 8-tooth's 3.
        find(*app, "actionAddWheel")->trigger();
        QCOMPARE(called<QSpinBox>(*app, "Wheel 3 teeth")->text(), QStringLiteral("15"));
        QCOMPARE(called<QSpinBox>(*app, "Pen hole number")->text(), QStringLiteral("7 of 7"));
        find(*app, "actionAddWheel")->trigger();
        QCOMPARE(called<QSpinBox>(*app, "Wheel 4 teeth")->text(), QStringLiteral("8"));
        QCOMPARE(called<QSpinBox>(*app, "Pen hole number")->text(), QStringLiteral("3 of 3"));
        QCOMPARE(called<QSpinBox>(*app, "Anchor teeth")->text(), QStringLiteral("≈ 145"));   // left as it was
        called<QSpinBox>(*app, "Wheel 3 teeth")->setValue(24);   // a wheel set by its teeth
        QCOMPARE(std::fabs(art.nestedWheels().radii[0]), 40.0f);
    }

    // Wheels on the runner draw, close and carry the pen: it keeps inside the last one.
    void nestedWheels()
    {
        QVERIFY(!find(*app, "actionRemoveWheel")->isEnabled());   // two wheels: none to remove
        typeInto(app->runnerRadiusInput(), "60");
        find<QRadioButton>(*app, "runnerInside")->click();
        find(*app, "actionAddWheel")->trigger();
        typeInto(called<NumberField>(*app, "Wheel 3 radius"), "25");
        pick(called<QComboBox>(*app, "Wheel 3 rolls"), "Outside");
        typeInto(app->penRadiusInput(), "40");
        const Rotagraph& art = *app->artView();
        QCOMPARE(art.nestedWheels().count, 1);
        QCOMPARE(art.nestedWheels().radii[0], 25.0f);
        QCOMPARE(art.penHoleRadius(), 24.0f);   // kept inside wheel 3
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->closureText(), QString("Closes after 15 revolutions"), kPatienceMs);
        find(*app, "actionAddWheel")->trigger();
        QVERIFY(!find(*app, "actionAddWheel")->isEnabled());   // four wheels at most
        QCOMPARE(art.nestedWheels().count, 2);
        find(*app, "actionRemoveWheel")->trigger();
        find(*app, "actionRemoveWheel")->trigger();
        QCOMPARE(art.nestedWheels().count, 0);
        QVERIFY(!find(*app, "actionRemoveWheel")->isEnabled());
    }

    void closure()
    {
        QFETCH(QString, runner);
        QFETCH(QString, pen);
        QFETCH(QString, status);
        QFETCH(QString, closed);
        typeInto(app->revolutionsInput(), "2");
        typeInto(app->runnerRadiusInput(), runner);
        typeInto(app->penRadiusInput(), pen);
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->closureText(), status, kPatienceMs);
        QAction* closeExactly = find(*app, "actionCloseExactly");
        QCOMPARE(closeExactly->isEnabled(), !closed.isEmpty());
        if (closed.isEmpty())
            return;
        QVERIFY(!app->artView()->precise());
        closeExactly->trigger();
        QCOMPARE(app->revolutionsInput()->text(), closed);
        QCOMPARE(app->artView()->rotationsToMake(), closed.toFloat());
        // Traced precisely, so that the curve meets its start; one step takes both back.
        QVERIFY(app->artView()->precise());
        QVERIFY(app->mainWindow()->findChild<QCheckBox*>("preciseCurve")->isChecked());
        find(*app, "actionUndo")->trigger();
        QCOMPARE(app->revolutionsInput()->text(), QStringLiteral("2"));
        QVERIFY(!app->artView()->precise());
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
