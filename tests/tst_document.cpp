#include "app/AppDelegate.h"
#include "app/DesignFormat.h"
#include "app/RecentFiles.h"
#include "app/StatusLine.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <functional>

// Designs kept and shared through the real window: files saved and opened through its dialogs,
// changes undone through its Edit menu, the clipboard, and what the window shows afterwards,
// every control and every value of the art view.

using WindowChange = std::function<void(AppDelegate&)>;
Q_DECLARE_METATYPE(WindowChange)

namespace {

template <typename T>
T* find(const AppDelegate& app, const char* name)
{
    T* found = app.mainWindow()->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s in the window", name);
    return found;
}

void trigger(const AppDelegate& app, const char* action)
{
    find<QAction>(app, action)->trigger();
}

QFileDialog* visibleFileDialog(const AppDelegate& app)
{
    for (QFileDialog* dialog : app.mainWindow()->findChildren<QFileDialog*>())
        if (dialog->isVisible())
            return dialog;
    return nullptr;
}

// Types a whole path into the open file dialog and confirms it, as a user does.
void chooseFile(const AppDelegate& app, const QString& path)
{
    QFileDialog* dialog = visibleFileDialog(app);
    QVERIFY(dialog);
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    const bool saving = dialog->acceptMode() == QFileDialog::AcceptSave;
    buttons->button(saving ? QDialogButtonBox::Save : QDialogButtonBox::Open)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void saveAs(const AppDelegate& app, const QString& path)
{
    trigger(app, "actionSaveAs");
    chooseFile(app, path);
}

void openThroughDialog(const AppDelegate& app, const QString& path)
{
    trigger(app, "actionOpen");
    chooseFile(app, path);
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

// Picks a colour in the well's own dialog.
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

// Everything the window shows of a design: every design control, and each value of the art view.
QStringList windowShows(const AppDelegate& app)
{
    QStringList shown;
    const QMainWindow* window = app.mainWindow();
    const auto enabled = [](const QWidget* w) { return w->isEnabled() ? QStringLiteral(" enabled") : QString(); };
    for (const NumberField* field : window->findChildren<NumberField*>())
        shown << field->objectName() + " " + field->text() + (field->isMarkedInvalid() ? " marked" : "");
    for (const Stepper* stepper : window->findChildren<Stepper*>())
        shown << stepper->objectName() + " " + QString::number(stepper->value(), 'g', 17);
    for (const QCheckBox* box : window->findChildren<QCheckBox*>())
        shown << box->objectName() + " " + QString::number(box->checkState()) + enabled(box);
    for (const QRadioButton* button : window->findChildren<QRadioButton*>())
        shown << button->objectName() + (button->isChecked() ? " checked" : "");
    for (const ColorWell* well : window->findChildren<ColorWell*>())
        shown << well->objectName() + " " + well->color().name(QColor::HexArgb) + enabled(well);
    for (const FloatSlider* slider : window->findChildren<FloatSlider*>())
        shown << slider->objectName() + " " + formatNumber(slider->floatValue());
    const Rotagraph& art = *app.artView();
    const auto colour = [](const QColor& c) { return c.isValid() ? c.name(QColor::HexArgb) : QStringLiteral("none"); };
    shown << "art radii " + formatNumber(art.anchorRadius()) + " " + formatNumber(art.runnerRadius()) + " "
                 + formatNumber(art.penHoleRadius())
          << "art pen " + formatNumber(art.penDrawSize()) + " " + colour(art.penColor()) + " " + colour(art.pen2Color())
                 + " " + colour(art.pen3Color()) + " of " + QString::number(art.numberOfColors())
          << "art revolutions " + formatNumber(art.rotationsToMake()) + " drawn " + formatNumber(art.percentToDraw())
          << QStringLiteral("art wheels %1 close %2 fill %3 %4 grease %5 mode %6 enlarge %7")
                 .arg(art.showAnchor())
                 .arg(art.closeCurve())
                 .arg(art.fillShape())
                 .arg(colour(art.fillColor()))
                 .arg(art.greaseIt())
                 .arg(art.drawMode())
                 .arg(art.allowScaleUp());
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
    drag(app.penWidthSlider(), {15});
    drag(app.drawSpeedControl(), {55});
    for (QCheckBox* box : {app.closeCurveCheckbox().data(), app.fillCheckbox().data(), app.showAnchorCheckbox().data(),
                           app.wheelGrease().data(), app.limitRotations().data(), app.confinePen().data()})
        box->click();
}

QString errorsOf(const MessageBoxAnswerer& answerer)
{
    return answerer.texts.join(QStringLiteral("\n---\n"));
}

}

class TestDocument : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppDelegate> app;
    std::unique_ptr<QTemporaryDir> folder;

    QString path(const QString& name) const { return folder->filePath(name); }

    // A design file written as the application writes one, for a design that `change` makes of
    // the default.
    QString designFile(const QString& name, const std::function<void(Design&)>& change)
    {
        Design design;
        change(design);
        const QString file = path(name);
        writeContents(file, designToJson(design));
        return file;
    }

private slots:
    void init()
    {
        useFreshSettings();
        folder = std::make_unique<QTemporaryDir>();
        app = std::make_unique<AppDelegate>();
        app->applicationDidFinishLaunching();
        app->mainWindow()->show();
        QVERIFY(QTest::qWaitForWindowExposed(app->mainWindow()));
    }

    void cleanup()
    {
        app.reset();
        QApplication::clipboard()->clear();
    }

    void savedDesignOpensAsItWasSaved()
    {
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("Untitled[*]"));
        enterEveryValue(*app);
        const QStringList saved = windowShows(*app);
        const QString file = path("every value.rotagraph");
        QTest::keySequence(app->mainWindow(), QKeySequence::Save);   // no file yet: Save As
        chooseFile(*app, file);
        QVERIFY(QFile::exists(file));
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("every value.rotagraph[*]"));

        trigger(*app, "actionNewDesign");
        QVERIFY(windowShows(*app) != saved);
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("Untitled[*]"));
        openThroughDialog(*app, file);
        QCOMPARE(windowShows(*app), saved);
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("every value.rotagraph[*]"));
        QVERIFY(!app->mainWindow()->isWindowModified());
    }

    // One undo puts the window back exactly as it was before the change, the art view included,
    // which the option checkboxes change without the other controls; redo puts the change back.
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
        // The arrows take no focus: the number being typed is drawn with the click, and goes
        // with it.
        QTest::addRow("a stepper click while a number is typed") << nothing << WindowChange([](AppDelegate& a) {
            a.anchorRadiusInput()->setFocus();
            a.anchorRadiusInput()->selectAll();
            QTest::keyClicks(a.anchorRadiusInput(), "90");
            a.runnerRadiusStepper()->stepUp();
        });
        // Where a click takes no focus (some platforms' buttons), the number being typed stays
        // uncommitted: the option alone reaches the art view, and redo must not draw the number.
        QTest::addRow("an option while a number is typed") << nothing << WindowChange([](AppDelegate& a) {
            a.anchorRadiusInput()->setFocus();
            a.anchorRadiusInput()->selectAll();
            QTest::keyClicks(a.anchorRadiusInput(), "90");
            a.showAnchorCheckbox()->click();
        });
        QTest::addRow("the second colour") << nothing
                                           << WindowChange([](AppDelegate& a) { a.useSecondColorCheck()->click(); });
        QTest::addRow("the runner side") << nothing << WindowChange([](AppDelegate& a) {
            find<QRadioButton>(a, "runnerInside")->click();
        });
        QTest::addRow("New Design") << WindowChange(enterEveryValue)
                                    << WindowChange([](AppDelegate& a) { trigger(a, "actionNewDesign"); });
        QTest::addRow("Close the Design Exactly")
            << WindowChange([](AppDelegate& a) { typeInto(a.revolutionsInput(), "3"); })
            << WindowChange([](AppDelegate& a) { trigger(a, "actionCloseExactly"); });
    }

    void undoAndRedoRestoreTheWindow()
    {
        QFETCH(WindowChange, setup);
        QFETCH(WindowChange, change);
        setup(*app);
        const QStringList before = windowShows(*app);
        change(*app);
        const QStringList after = windowShows(*app);
        QVERIFY(after != before);
        QTest::keySequence(app->mainWindow(), QKeySequence::Undo);
        QCOMPARE(windowShows(*app), before);
        QTest::keySequence(app->mainWindow(), QKeySequence::Redo);
        QCOMPARE(windowShows(*app), after);
    }

    // Opening and New Design are steps too: each undone, it brings back the design and the file
    // before it.
    void undoingOpenAndNewBringsBackTheDocumentBefore()
    {
        const QString file = designFile("opened.rotagraph", [](Design& d) { d.anchorRadius = "99"; d.fillShape = true; });
        typeInto(app->penRadiusInput(), "40");
        const QStringList before = windowShows(*app);
        openThroughDialog(*app, file);
        const QStringList opened = windowShows(*app);
        QCOMPARE(app->anchorRadiusInput()->text(), QStringLiteral("99"));
        QVERIFY(app->artView()->fillShape());
        trigger(*app, "actionNewDesign");

        trigger(*app, "actionUndo");
        QCOMPARE(windowShows(*app), opened);
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("opened.rotagraph[*]"));
        trigger(*app, "actionUndo");
        QCOMPARE(windowShows(*app), before);
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("Untitled[*]"));
        trigger(*app, "actionRedo");
        QCOMPARE(windowShows(*app), opened);
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("opened.rotagraph[*]"));
    }

    void undoStopsASlowDrawing()
    {
        const QStringList before = windowShows(*app);
        app->fillCheckbox()->click();
        drag(app->drawSpeedControl(), {1});
        app->drawSlowButton()->click();
        QTRY_VERIFY(app->artView()->percentToDraw() < 100);
        trigger(*app, "actionUndo");
        trigger(*app, "actionUndo");
        QTRY_COMPARE(app->drawSlowButton()->text(), QStringLiteral("Draw Slowly"));
        QCOMPARE(windowShows(*app), before);
    }

    void unsavedChangesAreAskedAbout_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("titled");
        QTest::addColumn<int>("answer");
        for (const char* command : {"actionNewDesign", "actionOpen", "close"}) {
            QTest::addRow("%s, Save", command) << command << true << int(QMessageBox::Save);
            QTest::addRow("%s, Discard", command) << command << true << int(QMessageBox::Discard);
            QTest::addRow("%s, Cancel", command) << command << true << int(QMessageBox::Cancel);
            QTest::addRow("%s, untitled: never asked", command) << command << false << int(QMessageBox::NoButton);
        }
    }

    void unsavedChangesAreAskedAbout()
    {
        QFETCH(QString, command);
        QFETCH(bool, titled);
        QFETCH(int, answer);
        const QString file = path("asked.rotagraph");
        if (titled)
            saveAs(*app, file);
        const QByteArray saved = contentsOf(file);
        app->runnerRadiusStepper()->stepUp();
        const QStringList changed = windowShows(*app);
        QCOMPARE(app->mainWindow()->isWindowModified(), titled);

        MessageBoxAnswerer answerer({QMessageBox::StandardButton(answer)});
        if (command == "close")
            app->mainWindow()->close();
        else
            trigger(*app, qPrintable(command));
        QCOMPARE(answerer.names, titled ? QStringList{"saveChangesQuestion"} : QStringList{});
        const bool goesOn = answer != QMessageBox::Cancel;
        QCOMPARE(contentsOf(file) == saved, answer != QMessageBox::Save);
        if (answer == QMessageBox::Save)
            QCOMPARE(readDesign(contentsOf(file)).design->runnerRadius, QStringLiteral("73"));
        if (command == "actionNewDesign")
            QCOMPARE(windowShows(*app) == changed, !goesOn);
        if (command == "actionOpen") {
            QFileDialog* dialog = visibleFileDialog(*app);
            QCOMPARE(dialog != nullptr, goesOn);
            if (dialog)
                dialog->reject();
        }
        if (command == "close")
            QCOMPARE(app->mainWindow()->isVisible(), !goesOn);
    }

    // Copy puts the drawing and the design on the clipboard; pasting the design sets it as one
    // step. Inside a field the same keys copy and paste the field's text.
    void copyAndPaste()
    {
        enterEveryValue(*app);
        const QStringList copied = windowShows(*app);
        trigger(*app, "actionCopy");
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data->hasImage() && data->hasText());
        const QImage image = qvariant_cast<QImage>(data->imageData());
        constexpr int kSuggestedEdge = 247;   // (160.25 - 72.9 + 31.5) × 2 + 10, whole

        QCOMPARE(image.size(), QSize(kSuggestedEdge, kSuggestedEdge));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(image.text(kDesignTextKey), data->text());

        trigger(*app, "actionNewDesign");
        const QStringList fresh = windowShows(*app);
        QTest::keySequence(app->mainWindow(), QKeySequence::Paste);
        QCOMPARE(windowShows(*app), copied);
        trigger(*app, "actionUndo");
        QCOMPARE(windowShows(*app), fresh);

        app->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app->mainWindow()));
        NumberField* field = app->anchorRadiusInput();
        field->setFocus();
        field->selectAll();
        QTest::keySequence(field, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("160"));
        QVERIFY(!QApplication::clipboard()->mimeData()->hasImage());
        app->penRadiusInput()->setFocus();
        app->penRadiusInput()->selectAll();
        QTest::keySequence(app->penRadiusInput(), QKeySequence::Paste);
        QCOMPARE(app->penRadiusInput()->text(), QStringLiteral("160"));
        QCOMPARE(windowShows(*app).filter("art").join(' '), fresh.filter("art").join(' '));
    }

    void pastingWhatIsNoDesignChangesNothing()
    {
        QApplication::clipboard()->setText(QStringLiteral("160, 72, 53"));
        const QStringList before = windowShows(*app);
        MessageBoxAnswerer answerer({QMessageBox::Ok});
        trigger(*app, "actionPaste");
        QTRY_COMPARE(answerer.names, QStringList{"pasteFailure"});
        QVERIFY2(errorsOf(answerer).startsWith("The clipboard holds no Rotagraph design.\nIt is not a design file"),
                 qPrintable(errorsOf(answerer)));
        QCOMPARE(windowShows(*app), before);
        QVERIFY(!find<QAction>(*app, "actionUndo")->isEnabled());
    }

    // Each export carries the design: the PNG opens as its design again, by the menu or
    // dropped on the window, and the SVG holds it in its metadata.
    void exportsCarryTheDesign_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("dropped");
        QTest::addRow("PNG, opened") << "actionExport" << "design.png" << false;
        QTest::addRow("PNG, dropped") << "actionExport" << "design.png" << true;
        QTest::addRow("SVG") << "actionExportSvg" << "design.svg" << false;
    }

    void exportsCarryTheDesign()
    {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(bool, dropped);
        enterEveryValue(*app);
        const QStringList exported = windowShows(*app);
        trigger(*app, qPrintable(action));
        chooseFile(*app, path(file));
        trigger(*app, "actionNewDesign");
        if (file.endsWith(".svg")) {
            QFile svg(path(file));
            QVERIFY(svg.open(QIODevice::ReadOnly));
            QXmlStreamReader reader(&svg);
            while (reader.readNextStartElement() && reader.name() != QLatin1String("metadata"))
                if (reader.name() != QLatin1String("svg"))
                    reader.skipCurrentElement();
            QApplication::clipboard()->setText(reader.readElementText());
            trigger(*app, "actionPaste");
        } else {
            dropped ? drop(*app, path(file)) : openThroughDialog(*app, path(file));
            // Saving must not write a design file over the image: it asks for a file of its own.
            QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("Untitled[*]"));
        }
        QCOMPARE(windowShows(*app), exported);
    }

    void badFilesChangeNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");   // null: there is no such file
        QTest::addColumn<QString>("reason");
        QImage plain(4, 4, QImage::Format_ARGB32);
        plain.fill(Qt::transparent);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        plain.save(&buffer, "png");
        QTest::addRow("not JSON") << "zipped.rotagraph" << QByteArray("PK\3\4") << "It is not a design file";
        QTest::addRow("a newer version") << "newer.rotagraph"
                                         << QByteArray(R"({"format": "rotagraph-design", "version": 2})")
                                         << "It was made by a newer version of Rotagraph.";
        QTest::addRow("an image without a design") << "plain.png" << png << "This image holds no Rotagraph design.";
        QTest::addRow("gone") << "gone.rotagraph" << QByteArray() << "There is no such file.";
    }

    void badFilesChangeNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        if (!contents.isNull())
            QVERIFY(writeContents(path(name), contents));
        app->fillCheckbox()->click();
        const QStringList before = windowShows(*app);
        MessageBoxAnswerer answerer({QMessageBox::Ok});
        drop(*app, path(name));
        QTRY_COMPARE(answerer.names, QStringList{"openFailure"});
        const QString expected = QStringLiteral("“%1” could not be opened.\n%2").arg(name, reason);
        QVERIFY2(errorsOf(answerer).startsWith(expected), qPrintable(errorsOf(answerer)));
        QCOMPARE(windowShows(*app), before);
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("Untitled[*]"));
        trigger(*app, "actionUndo");   // the history still holds the change made before
        QVERIFY(!app->artView()->fillShape());
    }

    void failedSaveKeepsTheFileAndSaysSo()
    {
        const QString file = path("kept.rotagraph");
        saveAs(*app, file);
        const QByteArray saved = contentsOf(file);
        typeInto(app->anchorRadiusInput(), "123");
        {
            constexpr rlim_t kTooFewBytes = 64;   // a design file takes several hundred
            const WriteLimit limit(kTooFewBytes);
            MessageBoxAnswerer answerer({QMessageBox::Ok});
            trigger(*app, "actionSave");
            QCOMPARE(answerer.names, QStringList{"exportFailure"});
            QVERIFY2(answerer.texts.first().startsWith(QStringLiteral("The design could not be saved as “%1”.\nFile too large")
                                                           .arg(QDir::toNativeSeparators(file))),
                     qPrintable(errorsOf(answerer)));
        }
        QCOMPARE(contentsOf(file), saved);
        QVERIFY(app->mainWindow()->isWindowModified());
        trigger(*app, "actionSave");
        QCOMPARE(readDesign(contentsOf(file)).design->anchorRadius, QStringLiteral("123"));
        QVERIFY(!app->mainWindow()->isWindowModified());
    }

    // The last ten designs, newest first, across runs; files that are gone leave the list.
    void openRecent()
    {
        QStringList files;
        for (int i = 0; i <= RecentFiles::kMostFiles; ++i)
            files.prepend(designFile(QStringLiteral("design %1.rotagraph").arg(i), [i](Design& d) {
                d.revolutions = QString::number(i + 1);
            }));
        for (auto file = files.crbegin(); file != files.crend(); ++file)
            drop(*app, *file);
        auto* menu = find<QMenu>(*app, "menuOpenRecent");
        const auto listed = [&menu] {   // the menu of whichever window is open
            emit menu->aboutToShow();
            QStringList entries;
            for (const QAction* entry : menu->actions())
                if (!entry->isSeparator() && entry->objectName() != QLatin1String("actionClearRecentFiles"))
                    entries << entry->statusTip();
            return entries;
        };
        QCOMPARE(listed(), files.mid(0, RecentFiles::kMostFiles));

        QFile::remove(files[0]);
        QCOMPARE(listed(), files.mid(1, RecentFiles::kMostFiles - 1));
        menu->actions().at(2)->trigger();
        QCOMPARE(app->revolutionsInput()->text(), QStringLiteral("8"));

        app = std::make_unique<AppDelegate>();
        menu = find<QMenu>(*app, "menuOpenRecent");
        QCOMPARE(listed().size(), RecentFiles::kMostFiles - 1);
        app->mainWindow()->findChild<QAction*>("actionClearRecentFiles")->trigger();
        QCOMPARE(listed(), QStringList());
        QVERIFY(!app->mainWindow()->findChild<QAction*>("actionClearRecentFiles")->isEnabled());
    }

    void closure_data()
    {
        QTest::addColumn<QString>("runner");
        QTest::addColumn<QString>("pen");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("closed");   // the revolutions after Close the Design Exactly
        QTest::addRow("160 and 72") << "72" << "53" << "Closes after 9 revolutions" << "9";
        QTest::addRow("a fraction typed") << "72.9" << "53" << "Closes after 729 revolutions" << "729";
        QTest::addRow("a pen at the centre") << "72" << "0" << "Closes after 1 revolution" << "1";
        QTest::addRow("a third") << "33.3333333" << "20" << "Does not close within 1,000 revolutions" << "";
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
        QTRY_COMPARE(app->statusLine()->closureText(), status);
        QAction* closeExactly = find<QAction>(*app, "actionCloseExactly");
        QCOMPARE(closeExactly->isEnabled(), !closed.isEmpty());
        if (closed.isEmpty())
            return;
        closeExactly->trigger();
        QCOMPARE(app->revolutionsInput()->text(), closed);
        QCOMPARE(app->artView()->rotationsToMake(), closed.toFloat());
        trigger(*app, "actionUndo");
        QCOMPARE(app->revolutionsInput()->text(), QStringLiteral("2"));
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
