#include "app/AppDelegate.h"
#include "app/CurveListModel.h"
#include "app/DesignArt.h"
#include "app/StatusLine.h"
#include "TestSupport.h"

#include <QAction>
#include <QColorDialog>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QIcon>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <functional>

// A design of several curves through the real window: the Curves list, the Curve menu, the
// controls that edit the selected curve, undo and redo of every command, and the composition
// the art view draws.

using WindowChange = std::function<void(AppDelegate&)>;
Q_DECLARE_METATYPE(WindowChange)

namespace {

QAction* action(const AppDelegate& app, const char* name)
{
    auto* found = app.mainWindow()->findChild<QAction*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s in the window", name);
    return found;
}

QListView* list(const AppDelegate& app)
{
    return app.mainWindow()->findChild<QListView*>(QStringLiteral("curveList"));
}

CurveListModel* model(const AppDelegate& app)
{
    return qobject_cast<CurveListModel*>(list(app)->model());
}

void select(const AppDelegate& app, int row)
{
    list(app)->setCurrentIndex(model(app)->index(row));
}

// Selects rows together, as Ctrl-clicks do, the last one current.
void selectTogether(const AppDelegate& app, const QList<int>& rows)
{
    select(app, rows.first());
    for (const int row : rows.mid(1))
        list(app)->selectionModel()->setCurrentIndex(model(app)->index(row), QItemSelectionModel::Select);
}

// Answers the Duplicate Turned dialog, once it shows, with a count and, when given, a step.
void answerTurnedCopies(int count, double step = std::nan(""))
{
    QTimer::singleShot(0, [count, step] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog && dialog->objectName() == "duplicateTurnedDialog");
        dialog->findChild<QSpinBox*>("turnedCount")->setValue(count);
        if (!std::isnan(step))
            dialog->findChild<QDoubleSpinBox*>("turnedStep")->setValue(step);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
}

// What the list holds, which curve is selected, and what the art view draws of each curve, a
// line each: what every command changes and its undo must put back.
QStringList curvesShown(const AppDelegate& app)
{
    QStringList shown{QStringLiteral("selected %1").arg(list(app)->currentIndex().row())};
    const Composition drawn = app.artView()->composition();
    shown << QStringLiteral("drawn curves %1, selected %2").arg(drawn.curves.size()).arg(app.artView()->selectedCurve());
    for (int row = 0; row < model(app)->rowCount(); ++row) {
        const QModelIndex index = model(app)->index(row);
        const ComposedCurve& art = drawn.curves.at(std::size_t(row));
        shown << QStringLiteral("%1 %2 turn %3 | drawn %4 %5 turn %6, anchor %7, colour %8")
                     .arg(index.data().toString(), index.data(Qt::CheckStateRole).toInt() ? "shown" : "hidden")
                     .arg(model(app)->curve(row).turn)
                     .arg(art.name, art.visible ? "shown" : "hidden")
                     .arg(art.turn)
                     .arg(double(art.art.anchorRadius))
                     .arg(art.art.penColor.name());
    }
    shown << QStringLiteral("controls anchor %1").arg(app.anchorRadiusInput()->text());
    return shown;
}

}

class TestCurves : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppDelegate> app;

private slots:
    void init()
    {
        app = startApplication();
        QVERIFY(app);
    }

    void cleanup() { app.reset(); }

    // Every command of the list, each one step: undo puts back the list, the selection and the
    // drawing as they were, redo as the command left them.
    void commandsAreStepsToUndo_data()
    {
        QTest::addColumn<WindowChange>("change");
        QTest::addColumn<QStringList>("names");   // of the curves afterwards, in order
        QTest::addColumn<int>("selected");
        const auto trigger = [](const char* name) { return WindowChange([name](AppDelegate& a) { action(a, name)->trigger(); }); };
        QTest::addRow("Add Curve") << trigger("actionAddCurve") << QStringList{"Curve 1", "Curve 2", "Curve 3"} << 2;
        QTest::addRow("Duplicate Curve") << trigger("actionDuplicateCurve") << QStringList{"Curve 1", "Curve 2", "Curve 3"} << 2;
        QTest::addRow("Delete Curve") << trigger("actionDeleteCurve") << QStringList{"Curve 1"} << 0;
        QTest::addRow("Move Curve Up") << trigger("actionMoveCurveUp") << QStringList{"Curve 2", "Curve 1"} << 0;
        QTest::addRow("Hide Curve") << trigger("actionShowCurve") << QStringList{"Curve 1", "Curve 2"} << 1;
        QTest::addRow("Duplicate Turned") << WindowChange([](AppDelegate& a) {
            answerTurnedCopies(3);
            action(a, "actionDuplicateTurned")->trigger();
        }) << QStringList{"Curve 1", "Curve 2", "Curve 3", "Curve 4"} << 1;
        QTest::addRow("a rename in the list") << WindowChange([](AppDelegate& a) {
            model(a)->setData(model(a)->index(0), "Outer ring", Qt::EditRole);
        }) << QStringList{"Outer ring", "Curve 2"} << 1;
        QTest::addRow("a check box in the list") << WindowChange([](AppDelegate& a) {
            model(a)->setData(model(a)->index(0), Qt::Unchecked, Qt::CheckStateRole);
        }) << QStringList{"Curve 1", "Curve 2"} << 1;
        QTest::addRow("a turn typed") << WindowChange([](AppDelegate& a) {
            typeInto(a.mainWindow()->findChild<NumberField*>("turnInput"), "30");
        }) << QStringList{"Curve 1", "Curve 2"} << 1;
        QTest::addRow("copies") << WindowChange([](AppDelegate& a) {
            a.mainWindow()->findChild<QSpinBox*>("copiesCount")->setValue(12);
        }) << QStringList{"Curve 1", "Curve 2"} << 1;
        QTest::addRow("a drop onto the first row") << WindowChange([](AppDelegate& a) {
            const std::unique_ptr<QMimeData> dragged(model(a)->mimeData({model(a)->index(1)}));
            model(a)->dropMimeData(dragged.get(), Qt::MoveAction, 0, 0, {});
        }) << QStringList{"Curve 2", "Curve 1"} << 0;
    }

    void commandsAreStepsToUndo()
    {
        QFETCH(WindowChange, change);
        QFETCH(QStringList, names);
        QFETCH(int, selected);
        // Two curves, the second with an anchor of its own, selected.
        action(*app, "actionAddCurve")->trigger();
        typeInto(app->anchorRadiusInput(), "90");
        const QStringList before = curvesShown(*app);

        change(*app);
        const QStringList after = curvesShown(*app);
        QVERIFY(after != before);
        QStringList afterNames;
        for (int row = 0; row < model(*app)->rowCount(); ++row)
            afterNames << model(*app)->curve(row).name;
        QCOMPARE(afterNames, names);
        QCOMPARE(list(*app)->currentIndex().row(), selected);
        QCOMPARE(app->artView()->selectedCurve(), selected);

        action(*app, "actionUndo")->trigger();
        QCOMPARE(curvesShown(*app), before);
        action(*app, "actionRedo")->trigger();
        QCOMPARE(curvesShown(*app), after);
    }

    // The controls edit the selected curve alone; selecting is no step, but undoing an edit
    // selects the curve it changed again.
    void theControlsEditTheSelectedCurve()
    {
        action(*app, "actionAddCurve")->trigger();
        typeInto(app->anchorRadiusInput(), "90");
        QCOMPARE(model(*app)->curve(1).anchorRadius, QString("90"));   // the list holds the edit at once
        select(*app, 0);
        QCOMPARE(app->anchorRadiusInput()->text(), QString("160"));
        QCOMPARE(app->artView()->anchorRadius(), 160.0f);
        QCOMPARE(model(*app)->curve(1).anchorRadius, QString("90"));
        QCOMPARE(app->artView()->composition().curves.at(1).art.anchorRadius, 90.0f);
        typeInto(app->anchorRadiusInput(), "120");
        action(*app, "actionUndo")->trigger();   // the anchor typed in the first curve, still selected
        QCOMPARE(list(*app)->currentIndex().row(), 0);
        QCOMPARE(app->anchorRadiusInput()->text(), QString("160"));
        typeInto(app->anchorRadiusInput(), "130");   // typed after an undo, undone as far back
        action(*app, "actionUndo")->trigger();
        QCOMPARE(app->anchorRadiusInput()->text(), QString("160"));

        action(*app, "actionUndo")->trigger();   // the anchor typed in the second curve
        QCOMPARE(list(*app)->currentIndex().row(), 1);
        QCOMPARE(app->anchorRadiusInput()->text(), QString("160"));
        QCOMPARE(model(*app)->curve(0).anchorRadius, QString("160"));
        action(*app, "actionUndo")->trigger();   // Add Curve
        QCOMPARE(model(*app)->rowCount(), 1);
        QVERIFY(!action(*app, "actionUndo")->isEnabled());
    }

    // Duplicate Turned makes a rosette: the copies turn one step further each, and the step is a
    // full turn shared out unless the user sets one.
    void duplicateTurnedMakesARosette_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("step");   // NaN: as the dialog proposes
        QTest::addColumn<QList<double>>("turns");
        QTest::addRow("12, as proposed") << 12 << std::nan("")
                                         << QList<double>{0, 30, 60, 90, 120, 150, 180, 210, 240, 270, 300, 330};
        QTest::addRow("6, as proposed") << 6 << std::nan("") << QList<double>{0, 60, 120, 180, 240, 300};
        QTest::addRow("3 by 7.5 degrees") << 3 << 7.5 << QList<double>{15, 22.5, 30};
    }

    void duplicateTurnedMakesARosette()
    {
        QFETCH(int, count);
        QFETCH(double, step);
        QFETCH(QList<double>, turns);
        if (!std::isnan(step))
            typeInto(app->mainWindow()->findChild<NumberField*>("turnInput"), "15");
        answerTurnedCopies(count, step);
        action(*app, "actionDuplicateTurned")->trigger();
        const Composition drawn = app->artView()->composition();
        QCOMPARE(int(drawn.curves.size()), count);
        for (int row = 0; row < count; ++row) {
            QCOMPARE(model(*app)->curve(row).turn, turns[row]);
            QCOMPARE(drawn.curves.at(std::size_t(row)).turn, turns[row]);
            QCOMPARE(drawn.curves.at(std::size_t(row)).art, drawn.curves.front().art);
        }
    }

    // A rosette is one row: its copies draw as one curve's, and the status line says when some
    // lie exactly on earlier ones (the default curve repeats every 18°).
    void aRosetteIsOneRow_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("note");
        QTest::addRow("twelve") << 12 << "Curve 1 × 12" << "9 of the 12 copies lie exactly on earlier ones: the curve repeats every 18°.";
        QTest::addRow("seven, all apart") << 7 << "Curve 1 × 7" << "";
        QTest::addRow("back to one") << 1 << "Curve 1" << "";
    }

    void aRosetteIsOneRow()
    {
        QFETCH(int, copies);
        QFETCH(QString, shown);
        QFETCH(QString, note);
        auto* count = app->mainWindow()->findChild<QSpinBox*>("copiesCount");
        count->setValue(copies == 1 ? 2 : 1);
        app->mainWindow()->statusBar()->clearMessage();
        count->setValue(copies);
        QCOMPARE(model(*app)->rowCount(), 1);
        QCOMPARE(model(*app)->index(0).data().toString(), shown);
        QCOMPARE(app->artView()->composition().curves.at(0).copies.count, copies);
        QCOMPARE(app->mainWindow()->statusBar()->currentMessage(), note);
    }

    // With several curves selected, a value set goes to each of them, and to no other, as one
    // step to undo; each keeps its other values.
    void severalCurvesEditedTogether_data()
    {
        QTest::addColumn<WindowChange>("edit");
        QTest::addRow("a number typed") << WindowChange([](AppDelegate& a) { typeInto(a.revolutionsInput(), "4"); });
        QTest::addRow("a box ticked") << WindowChange([](AppDelegate& a) { a.closeCurveCheckbox()->click(); });
        QTest::addRow("a colour chosen") << WindowChange([](AppDelegate& a) {
            a.colorPicker()->click();
            auto* dialog = a.mainWindow()->findChild<QColorDialog*>();
            QVERIFY(dialog && dialog->isVisible());
            dialog->setCurrentColor(QColor(0, 0x66, 0xcc));
            dialog->accept();
        });
        QTest::addRow("copies") << WindowChange([](AppDelegate& a) {
            a.mainWindow()->findChild<QSpinBox*>("copiesCount")->setValue(6);
        });
    }

    void severalCurvesEditedTogether()
    {
        QFETCH(WindowChange, edit);
        // Three curves, the first with an anchor of its own; the first and last selected.
        action(*app, "actionAddCurve")->trigger();
        action(*app, "actionAddCurve")->trigger();
        select(*app, 0);
        typeInto(app->anchorRadiusInput(), "90");
        selectTogether(*app, {0, 2});
        const QList<CurveDesign> before = model(*app)->curves();
        edit(*app);
        QList<CurveDesign> after = model(*app)->curves();
        QCOMPARE(after[1], before[1]);   // not selected
        QCOMPARE(after[0].anchorRadius, QString("90"));
        QCOMPARE(after[2].anchorRadius, QString("160"));
        after[2].anchorRadius = after[0].anchorRadius;
        after[2].name = after[0].name;
        QCOMPARE(after[2], after[0]);   // the edit on both, alike
        QVERIFY(after[0] != before[0]);
        const Composition drawn = app->artView()->composition();
        QCOMPARE(drawn.curves.at(0).art.penColor, artOf(after[0]).penColor);
        QCOMPARE(drawn.curves.at(2).art.rotationsToMake, artOf(after[2]).rotationsToMake);
        action(*app, "actionUndo")->trigger();
        QCOMPARE(model(*app)->curves(), before);
    }

    // Where the selected curves differ, a field is empty and a box partly checked, each saying
    // why, until set; where they agree, each shows their value.
    void differingValuesSaySo()
    {
        action(*app, "actionAddCurve")->trigger();
        typeInto(app->anchorRadiusInput(), "90");
        typeInto(app->revolutionsInput(), "4");
        app->fillCheckbox()->click();
        selectTogether(*app, {0, 1});
        QCOMPARE(app->anchorRadiusInput()->text(), QString());
        QVERIFY(app->anchorRadiusInput()->toolTip().contains("differ"));
        QCOMPARE(app->revolutionsInput()->text(), QString());   // the last of the fields too
        QCOMPARE(app->runnerRadiusInput()->text(), QString("72"));
        QCOMPARE(app->fillCheckbox()->checkState(), Qt::PartiallyChecked);
        QCOMPARE(app->closeCurveCheckbox()->checkState(), Qt::Unchecked);
        // The curve shown, the second, draws as it is, whatever the marks.
        QCOMPARE(app->artView()->anchorRadius(), 90.0f);
        QVERIFY(app->artView()->fillShape());
        app->fillCheckbox()->click();   // from partly checked to checked
        QCOMPARE(app->fillCheckbox()->checkState(), Qt::Checked);
        QVERIFY(model(*app)->curve(0).fillShape && model(*app)->curve(1).fillShape);
        QCOMPARE(app->anchorRadiusInput()->text(), QString());   // still differing
        // The shown curve's own values, typed, reach the others too: each field its own.
        typeInto(app->anchorRadiusInput(), "90");
        QCOMPARE(model(*app)->curve(0).anchorRadius, QString("90"));
        QCOMPARE(model(*app)->curve(1).anchorRadius, QString("90"));
        typeInto(app->revolutionsInput(), "4");
        QCOMPARE(model(*app)->curve(0).revolutions, QString("4"));
        QCOMPARE(model(*app)->curve(1).revolutions, QString("4"));
        QCOMPARE(model(*app)->curve(0).runnerRadius, QString("72"));
        QVERIFY(!app->anchorRadiusInput()->toolTip().contains("differ"));
    }

    // A curve's swatch in the list shows the pens it uses side by side.
    void theSwatchShowsThePens_data()
    {
        QTest::addColumn<int>("pens");
        QTest::addColumn<QList<QRgb>>("columns");   // the swatch's colours at x 2, 7 and 12 of its 16
        const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);
        QTest::addRow("one pen") << 1 << QList<QRgb>{red, red, red};
        QTest::addRow("two pens") << 2 << QList<QRgb>{red, red, green};
        QTest::addRow("three pens") << 3 << QList<QRgb>{red, green, blue};
    }

    void theSwatchShowsThePens()
    {
        QFETCH(int, pens);
        QFETCH(QList<QRgb>, columns);
        CurveDesign curve;
        curve.penColor = Qt::red;
        curve.pen2Color = Qt::green;
        curve.pen3Color = Qt::blue;
        curve.colorsInUse = pens;
        CurveListModel swatches;
        swatches.setCurves({curve});
        const QImage swatch = swatches.index(0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
        QCOMPARE((QList<QRgb>{swatch.pixel(2, 8), swatch.pixel(7, 8), swatch.pixel(12, 8)}), columns);
        QVERIFY(!swatches.setData(swatches.index(0), QIcon(), Qt::DecorationRole));   // drawn from the pens, never set
    }

    // The Curve menu's keys work while the list has the focus, as they do elsewhere.
    void keysWorkInTheList_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("curves");
        QTest::addRow("Ctrl+D duplicates") << QKeySequence(Qt::CTRL | Qt::Key_D) << 2;
        QTest::addRow("Ctrl+Shift+A adds") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A) << 2;
    }

    void keysWorkInTheList()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(int, curves);
        // No key of the list's own is also a command's: Qt would take it for neither.
        for (const QShortcut* own : list(*app)->findChildren<QShortcut*>())
            for (const QKeySequence& key : own->keys())
                for (const QAction* command : app->mainWindow()->findChildren<QAction*>())
                    QVERIFY2(!command->shortcuts().contains(key), qPrintable(key.toString() + " " + command->objectName()));
        app->mainWindow()->activateWindow();
        list(*app)->setFocus();
        QTRY_VERIFY(list(*app)->hasFocus());
        QTest::keySequence(list(*app), keys);
        QCOMPARE(model(*app)->rowCount(), curves);
    }

    // The list keeps to its bounds: never fewer than one curve, never more than 64.
    void theListKeepsToItsBounds()
    {
        QVERIFY(!action(*app, "actionDeleteCurve")->isEnabled());
        answerTurnedCopies(64);
        action(*app, "actionDuplicateTurned")->trigger();
        QCOMPARE(model(*app)->rowCount(), 64);
        for (const char* full : {"actionAddCurve", "actionDuplicateCurve", "actionDuplicateTurned"})
            QVERIFY2(!action(*app, full)->isEnabled(), full);
        QVERIFY(action(*app, "actionDeleteCurve")->isEnabled());
    }

    // A design of three curves goes to the clipboard and comes back whole.
    void threeCurvesComeBackFromTheClipboard()
    {
        action(*app, "actionAddCurve")->trigger();
        typeInto(app->anchorRadiusInput(), "90");
        action(*app, "actionShowCurve")->trigger();
        action(*app, "actionDuplicateCurve")->trigger();
        typeInto(app->mainWindow()->findChild<NumberField*>("turnInput"), "45");
        const QStringList copied = curvesShown(*app);
        action(*app, "actionCopy")->trigger();
        {
            const MessageBoxAnswerer discard({QMessageBox::Discard});
            action(*app, "actionNewDesign")->trigger();
        }
        QCOMPARE(model(*app)->rowCount(), 1);
        action(*app, "actionPaste")->trigger();
        // A pasted design starts with its first curve selected.
        select(*app, 2);
        QCOMPARE(curvesShown(*app), copied);
    }

    // A curve of a rosette recoloured shows so in the picture at once, and undo takes it back.
    // (The last: the default curve has nine lobes, so a copy turned a multiple of 40° lies
    // exactly under a later one.)
    void aRecolouredCurveShowsInThePicture()
    {
        answerTurnedCopies(12);
        action(*app, "actionDuplicateTurned")->trigger();
        const auto bluishPixels = [this] {
            app->artView()->finishDrawing();
            const QImage shown = app->artView()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            int count = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                    count += qBlue(shown.pixel(x, y)) > qRed(shown.pixel(x, y)) + 40;
            return count;
        };
        const QColor blue(0, 0x66, 0xcc);
        QCOMPARE(bluishPixels(), 0);
        select(*app, 11);
        app->colorPicker()->click();
        auto* dialog = app->mainWindow()->findChild<QColorDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        dialog->setCurrentColor(blue);
        dialog->accept();
        QTRY_VERIFY_WITH_TIMEOUT(bluishPixels() > 1000, kPatienceMs);
        action(*app, "actionUndo")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(bluishPixels(), 0, kPatienceMs);
    }

    // Draw Slowly draws the visible curves one after another in the list's order, each staying
    // whole once drawn, and passes a hidden one by; the status line counts the points of the
    // visible curves alone.
    void slowDrawingGoesThroughTheVisibleCurves()
    {
        typeInto(app->revolutionsInput(), "1");   // a short slow drawing
        QTRY_VERIFY_WITH_TIMEOUT(!app->statusLine()->drawingText().startsWith("1,260"), kPatienceMs);
        const auto points = [this] { return QLocale().toInt(app->statusLine()->drawingText().section(' ', 0, 0)); };
        const int onePoints = points();
        action(*app, "actionDuplicateCurve")->trigger();
        action(*app, "actionDuplicateCurve")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(points(), 3 * onePoints, kPatienceMs);
        select(*app, 1);
        action(*app, "actionShowCurve")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(points(), 2 * onePoints, kPatienceMs);

        // Every frame is seen: the window's state is looked at as each next one arrives.
        QStringList stages;
        const auto lookAtTheFrame = [this, &stages] {
            const QString progress = app->mainWindow()->findChild<QLabel*>("progressStatus")->text();
            // "Drawing slowly: Curve 1, 25 %"; the last, "Drawing slowly: 100 %", names none.
            const QString curve = progress.section(QLatin1Char(','), 0, -2).section(QLatin1Char(':'), 1).trimmed();
            if (!curve.isEmpty() && !stages.contains(curve))
                stages << curve;
        };
        const EventWatcher frames(qApp, QEvent::MetaCall, lookAtTheFrame);
        bool earlierCurveWhole = true;
        connect(app->artView(), &Rotagraph::drawn, this, [&] {
            if (stages.endsWith("Curve 3") && app->artView()->lastDrawingPointCount() < std::size_t(onePoints))
                earlierCurveWhole = false;
        });
        app->drawSpeedControl()->setFloatValue(25);   // four frames a curve
        app->drawSlowButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(app->drawSlowButton()->text(), QString("Draw Slowly"), kPatienceMs);
        lookAtTheFrame();
        QCOMPARE(stages.join(" | "), QString("Curve 1 | Curve 3"));
        QVERIFY(earlierCurveWhole);
        QTRY_COMPARE_WITH_TIMEOUT(points(), 2 * onePoints, kPatienceMs);
    }

    // The status line names the curve whose closure it tells, once there are several.
    void closureNamesTheSelectedCurve()
    {
        QCOMPARE(app->statusLine()->closureText(), QString("Closes after 9 revolutions"));
        action(*app, "actionAddCurve")->trigger();
        typeInto(app->runnerRadiusInput(), "40");
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->closureText(), QString("Curve 2 closes after 1 revolution"), kPatienceMs);
        select(*app, 0);
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->closureText(), QString("Curve 1 closes after 9 revolutions"), kPatienceMs);
    }
};

QTEST_MAIN(TestCurves)
#include "tst_curves.moc"
