#include "app/AppDelegate.h"
#include "app/CurveListModel.h"
#include "app/DesignArt.h"
#include "app/MainWindow.h"
#include "widgets/ColouringControls.h"
#include "widgets/Controls.h"
#include "widgets/GradientBar.h"

#include "TestSupport.h"
#include "app/StatusLine.h"

#include <QAction>
#include <QComboBox>
#include <QIcon>
#include <QListView>
#include <QSlider>
#include <QSpinBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QClipboard>
#include <QMimeData>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <clocale>
#include <functional>
#include <csignal>
#include <cmath>
#include <limits>
#include <string>

using WindowChange = std::function<void(AppDelegate&)>;
Q_DECLARE_METATYPE(WindowChange)
Q_DECLARE_METATYPE(CurveColouring)

namespace {

// What a desktop keeps of a screen for its own panel and the window's title bar.
constexpr int kScreenFurniture = 64;

template <typename T>
T* controlOf(const AppDelegate& app, const char* name)
{
    T* found = app.mainWindow()->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Picks an entry of one of the Pens group's lists with the keys, as a user can.
void pickWithKeys(const AppDelegate& app, const char* list, Qt::Key key)
{
    auto* box = controlOf<QComboBox>(app, list);
    box->setFocus();
    QTest::keyClick(box, key);
}

void chooseGradient(AppDelegate& app)
{
    pickWithKeys(app, "colourMode", Qt::Key_Down);
}

void chooseRainbow(AppDelegate& app)
{
    pickWithKeys(app, "gradientPreset", Qt::Key_Home);
}

CurveColouring rainbow()
{
    CurveColouring colouring;
    colouring.mode = ColourMode::Gradient;
    colouring.stops.clear();
    for (const QGradientStop& stop : gradientPresets().front().stops)
        colouring.stops.push_back({stop.first, stop.second});
    return colouring;
}

}

class TestWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppDelegate> app;
    Rotagraph* art = nullptr;

    template <typename T>
    T* control(const char* name) const
    {
        T* found = app->mainWindow()->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    void verifyDefaultDesign()
    {
        QCOMPARE(app->anchorRadiusInput()->text(), QString("160"));
        QCOMPARE(app->runnerRadiusInput()->text(), QString("72"));
        QCOMPARE(app->penRadiusInput()->text(), QString("53"));
        QCOMPARE(app->revolutionsInput()->text(), QString("9"));
        QCOMPARE(app->anchorRadiusStepper()->floatValue(), 160.0f);
        QCOMPARE(app->runnerRadiusStepper()->floatValue(), 72.0f);
        QCOMPARE(app->penRadiusStepper()->floatValue(), 53.0f);
        QCOMPARE(app->revolutionsStepper()->floatValue(), 9.0f);
        for (QCheckBox* off : {app->showAnchorCheckbox().data(), app->closeCurveCheckbox().data(),
                               app->fillCheckbox().data(), app->wheelGrease().data(),
                               app->limitRotations().data(), app->useSecondColorCheck().data(),
                               app->useThirdColorCheck().data()})
            QVERIFY2(!isOn(off), qPrintable(off->objectName()));
        QVERIFY(isOn(app->confinePen()));
        QVERIFY(!app->useThirdColorCheck()->isEnabled());
        QVERIFY(!app->secondColor()->isEnabled());
        QVERIFY(!app->thirdColor()->isEnabled());
        QVERIFY(app->useSecondColorCheck()->isEnabled());
        QCOMPARE(app->colorPicker()->color(), QColor(Qt::red));
        QCOMPARE(app->fillColorPicker()->color(), QColor(Qt::yellow));
        QCOMPARE(app->penWidthSlider()->floatValue(), 1.0f);
        QVERIFY(control<QRadioButton>("runnerOutside")->isChecked());
        QCOMPARE(app->colorsInUse(), 1);

        QCOMPARE(art->anchorRadius(), 160.0f);
        QCOMPARE(art->runnerRadius(), 72.0f);
        QCOMPARE(art->penHoleRadius(), 53.0f);
        QCOMPARE(art->rotationsToMake(), 9.0f);
        QCOMPARE(art->penDrawSize(), 1.0f);
        QCOMPARE(art->penColor(), QColor(Qt::red));
        QCOMPARE(art->fillColor(), QColor(Qt::yellow));
        QCOMPARE(art->numberOfColors(), 1);
        QCOMPARE(art->drawMode(), int(ScreenMode));
        QCOMPARE(art->percentToDraw(), 100.0f);
        QVERIFY(!art->showAnchor() && !art->closeCurve() && !art->fillShape() && !art->greaseIt());
    }

private slots:
    void init()
    {
        app = startApplication();
        QVERIFY(app);
        art = app->artView();
    }

    void cleanup() { app.reset(); }

    void startUpShowsTheDefaultDesign()
    {
        verifyDefaultDesign();
        QCOMPARE(app->drawSlowButton()->text(), QString("Draw Slowly"));
        // Every reference is bound to the control of the same name in the window.
        QCOMPARE(app->anchorRadiusInput()->objectName(), QString("anchorRadiusInput"));
        QCOMPARE(app->drawSpeedControl()->objectName(), QString("drawSpeedControl"));
        QCOMPARE(art->objectName(), QString("artView"));
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->drawingText(), QString("1,260 points"), kPatienceMs);
    }

    void quitClosesTheWindow()
    {
        QAction* quit = control<QAction>("actionQuit");
        QVERIFY(!quit->shortcut().isEmpty());
        QVERIFY(QApplication::quitOnLastWindowClosed());
        QTest::keySequence(app->mainWindow(), quit->shortcut());
        QTRY_VERIFY_WITH_TIMEOUT(!app->mainWindow()->isVisible(), kPatienceMs);
    }

    void newDesignRestoresTheDefault()
    {
        app->useSecondColorCheck()->click();
        app->useThirdColorCheck()->click();
        app->secondColor()->setColor(Qt::cyan);
        app->fillCheckbox()->click();
        app->closeCurveCheckbox()->click();
        app->showAnchorCheckbox()->click();
        app->wheelGrease()->click();
        app->limitRotations()->click();
        control<QRadioButton>("runnerInside")->click();
        typeInto(app->anchorRadiusInput(), "90");
        typeInto(app->revolutionsInput(), "3");
        app->penWidthSlider()->setFloatValue(4);
        QCOMPARE(app->colorsInUse(), 3);
        QCOMPARE(art->runnerRadius(), -72.0f);

        {
            const MessageBoxAnswerer discard({QMessageBox::Discard});
            control<QAction>("actionNewDesign")->trigger();
        }
        verifyDefaultDesign();
        QCOMPARE(app->secondColor()->color(), QColor(Qt::cyan));   // kept, but out of use
        QCOMPARE(control<QAction>("actionNewDesign")->shortcut(), QKeySequence(QKeySequence::New));
    }

    void stepperAndFieldFollowEachOther_data()
    {
        QTest::addColumn<QString>("stepper");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("fieldText");
        QTest::addRow("runner 72") << "runnerRadiusStepper" << 72.0f << "72";
        QTest::addRow("runner truncated") << "runnerRadiusStepper" << 72.6f << "72";
        QTest::addRow("anchor keeps its fraction") << "anchorRadiusStepper" << 72.6f << "72.6";
        QTest::addRow("revolutions truncated") << "revolutionsStepper" << 4.9f << "4";
    }

    void stepperAndFieldFollowEachOther()
    {
        QFETCH(QString, stepper);
        QFETCH(float, value);
        QFETCH(QString, fieldText);
        app->confinePen()->click();   // off: keep the pen out of it
        auto* s = control<Stepper>(qPrintable(stepper));
        s->setFloatValue(value + 1);
        s->stepDown();
        QCOMPARE(s->floatValue(), value);
        const int tag = tagOf(s);
        NumberField* fields[] = {app->anchorRadiusInput(), app->runnerRadiusInput(),
                                 app->penRadiusInput(), app->revolutionsInput()};
        QCOMPARE(fields[tag - 1]->text(), fieldText);
        const float shown = fieldText.toFloat();
        const float drawn[] = {art->anchorRadius(), art->runnerRadius(), art->penHoleRadius(),
                               art->rotationsToMake()};
        QCOMPARE(drawn[tag - 1], shown);
    }

    void typingKeepsTheFractionForDrawing()
    {
        typeInto(app->runnerRadiusInput(), "72.9");
        QCOMPARE(app->runnerRadiusStepper()->floatValue(), 72.0f);
        QCOMPARE(art->runnerRadius(), 72.9f);

        app->confinePen()->click();
        typeInto(app->penRadiusInput(), "-3.7");
        QCOMPARE(app->penRadiusStepper()->floatValue(), 0.0f);   // held within its range
        QCOMPARE(art->penHoleRadius(), -3.7f);
    }

    void leavingAFieldCommitsOnlyAnEdit()
    {
        app->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app->mainWindow()));
        NumberField* anchor = app->anchorRadiusInput();
        anchor->setFocus();
        art->setAnchorRadius(10);
        app->runnerRadiusInput()->setFocus();
        QCOMPARE(art->anchorRadius(), 10.0f);   // nothing edited: nothing copied

        anchor->setFocus();
        QTest::keyClicks(anchor, "5");
        app->runnerRadiusInput()->setFocus();
        QCOMPARE(art->anchorRadius(), 1605.0f);
    }

    void textThatHoldsNoNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::addRow("letters") << "abc" << 0.0f;
        QTest::addRow("empty") << "" << 0.0f;
        QTest::addRow("leading number") << "12.5 mm" << 12.5f;
        QTest::addRow("exponent") << "1e2" << 100.0f;
        QTest::addRow("sign and blanks") << "  -7" << -7.0f;
        QTest::addRow("beyond a float") << "1e99" << std::numeric_limits<float>::infinity();
    }

    void textThatHoldsNoNumber()
    {
        QFETCH(QString, text);
        QFETCH(float, value);
        typeInto(app->anchorRadiusInput(), text);
        QCOMPARE(art->anchorRadius(), value);
        // The stepper takes the truncated value, saturated and held within its range.
        const float expected = std::clamp(std::isinf(value) ? 1000.0f : std::trunc(value), 0.0f, 1000.0f);
        QCOMPARE(app->anchorRadiusStepper()->floatValue(), expected);
    }

    void penConfinement_data()
    {
        QTest::addColumn<bool>("confine");
        QTest::addColumn<QString>("pen");
        QTest::addColumn<float>("expected");
        QTest::addRow("pen past the runner") << true << "80" << 71.0f;
        QTest::addRow("pen on the runner") << true << "72" << 71.0f;
        QTest::addRow("pen just inside") << true << "71.5" << 71.5f;
        QTest::addRow("confinement off") << false << "80" << 80.0f;
    }

    void penConfinement()
    {
        QFETCH(bool, confine);
        QFETCH(QString, pen);
        QFETCH(float, expected);
        if (!confine)
            app->confinePen()->click();
        typeInto(app->penRadiusInput(), pen);
        QCOMPARE(art->penHoleRadius(), expected);
        QCOMPARE(app->penRadiusInput()->floatValue(), expected);
        QCOMPARE(app->penRadiusStepper()->floatValue(), std::trunc(expected));
    }

    void loweringTheRunnerDragsThePen()
    {
        typeInto(app->runnerRadiusInput(), "54");
        app->runnerRadiusStepper()->stepDown();
        QCOMPARE(app->runnerRadiusInput()->text(), QString("53"));
        QCOMPARE(app->penRadiusInput()->text(), QString("52"));
        QCOMPARE(app->penRadiusStepper()->floatValue(), 52.0f);
        QCOMPARE(art->penHoleRadius(), 52.0f);
    }

    void revolutionLimit_data()
    {
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<QString>("runner");
        QTest::addColumn<QString>("revolutions");
        QTest::addColumn<float>("expected");
        QTest::addRow("160/72 caps 30 at 22") << "160" << "72" << "30" << 22.0f;
        QTest::addRow("160/72 leaves 9") << "160" << "72" << "9" << 9.0f;
        QTest::addRow("200/24 caps at 9") << "200" << "24" << "30" << 9.0f;
        QTest::addRow("a zero runner caps at 1") << "160" << "0" << "30" << 1.0f;
        QTest::addRow("no anchor, no limit") << "0" << "72" << "30" << 30.0f;
        QTest::addRow("under 1 stays") << "160" << "72" << "0.5" << 0.5f;
    }

    void revolutionLimit()
    {
        QFETCH(QString, anchor);
        QFETCH(QString, runner);
        QFETCH(QString, revolutions);
        QFETCH(float, expected);
        app->confinePen()->click();
        app->limitRotations()->click();
        typeInto(app->anchorRadiusInput(), anchor);
        typeInto(app->runnerRadiusInput(), runner);
        typeInto(app->revolutionsInput(), revolutions);
        QCOMPARE(art->rotationsToMake(), expected);
        QCOMPARE(app->revolutionsInput()->floatValue(), expected);
        QCOMPARE(app->revolutionsStepper()->floatValue(), expected);
    }

    void insideRunner()
    {
        control<QRadioButton>("runnerInside")->click();
        QCOMPARE(art->runnerRadius(), -72.0f);
        QCOMPARE(app->runnerRadiusInput()->text(), QString("72"));   // the field holds a magnitude
        app->limitRotations()->click();
        typeInto(app->revolutionsInput(), "30");
        QCOMPARE(art->rotationsToMake(), 22.0f);   // the limit uses 72, not -72
        typeInto(app->penRadiusInput(), "80");
        QCOMPARE(art->penHoleRadius(), 71.0f);
        control<QRadioButton>("runnerOutside")->click();
        QCOMPARE(art->runnerRadius(), 72.0f);
    }

    void colourStates()
    {
        QCheckBox* second = app->useSecondColorCheck();
        QCheckBox* third = app->useThirdColorCheck();
        second->click();
        QCOMPARE(app->colorsInUse(), 2);
        QCOMPARE(art->numberOfColors(), 2);
        QVERIFY(app->secondColor()->isEnabled() && third->isEnabled() && !app->thirdColor()->isEnabled());
        QCOMPARE(art->pen2Color(), app->secondColor()->color());

        third->click();
        QCOMPARE(app->colorsInUse(), 3);
        QCOMPARE(art->numberOfColors(), 3);
        QVERIFY(app->thirdColor()->isEnabled());

        third->click();
        QCOMPARE(app->colorsInUse(), 2);
        QVERIFY(!app->thirdColor()->isEnabled());

        third->click();
        second->click();   // off: back to one colour, the third dropped with it
        QCOMPARE(app->colorsInUse(), 1);
        QVERIFY(!isOn(third) && !third->isEnabled());
        QVERIFY(!app->secondColor()->isEnabled() && !app->thirdColor()->isEnabled());

        second->click();
        third->click();
        second->click();
        second->click();   // on again from three colours: two, third off
        QCOMPARE(app->colorsInUse(), 2);
        QVERIFY(!isOn(third) && third->isEnabled() && !app->thirdColor()->isEnabled());
    }

    // Each colouring control draws at once what it sets and is one step to undo; undoing what
    // set up the mode brings back the stretches.
    void colouringIsOneStepEach_data()
    {
        QTest::addColumn<WindowChange>("setUp");
        QTest::addColumn<WindowChange>("change");
        QTest::addColumn<CurveColouring>("expected");
        const WindowChange nothing = [](AppDelegate&) {};
        CurveColouring gradient;
        gradient.mode = ColourMode::Gradient;
        CurveColouring perRevolution;
        perRevolution.mode = ColourMode::PerRevolution;
        CurveColouring repeated = gradient;
        repeated.repeat = 12;
        CurveColouring mirrored = gradient;
        mirrored.mirror = true;
        CurveColouring blended = perRevolution;
        blended.blend = true;
        CurveColouring faint;
        faint.inkOpacity = 40;
        CurveColouring slid;
        slid.inkOpacity = 90;
        QTest::addRow("gradient, by the mode list") << nothing << WindowChange(chooseGradient) << gradient;
        QTest::addRow("per revolution, by the mode list")
            << nothing << WindowChange([](AppDelegate& window) { pickWithKeys(window, "colourMode", Qt::Key_End); })
            << perRevolution;
        QTest::addRow("a preset") << WindowChange(chooseGradient) << WindowChange(chooseRainbow) << rainbow();
        QTest::addRow("repeats typed") << WindowChange(chooseGradient) << WindowChange([](AppDelegate& window) {
            auto* repeat = controlOf<QSpinBox>(window, "gradientRepeat");
            repeat->setFocus();
            repeat->selectAll();
            QTest::keyClicks(repeat, "12");
            QTest::keyClick(repeat, Qt::Key_Return);
        }) << repeated;
        QTest::addRow("mirror") << WindowChange(chooseGradient) << WindowChange([](AppDelegate& window) {
            controlOf<QCheckBox>(window, "gradientMirror")->click();
        }) << mirrored;
        QTest::addRow("blend") << WindowChange([](AppDelegate& window) { pickWithKeys(window, "colourMode", Qt::Key_End); })
                               << WindowChange([](AppDelegate& window) { controlOf<QCheckBox>(window, "revolutionBlend")->click(); })
                               << blended;
        QTest::addRow("ink typed") << nothing << WindowChange([](AppDelegate& window) {
            auto* ink = controlOf<QSpinBox>(window, "inkOpacityInput");
            ink->setFocus();
            ink->selectAll();
            QTest::keyClicks(ink, "40");
            QTest::keyClick(ink, Qt::Key_Return);
        }) << faint;
        QTest::addRow("ink by the slider") << nothing << WindowChange([](AppDelegate& window) {
            auto* ink = controlOf<QSlider>(window, "inkOpacitySlider");
            ink->setFocus();
            QTest::keyClick(ink, Qt::Key_PageDown);
        }) << slid;
    }

    void colouringIsOneStepEach()
    {
        QFETCH(WindowChange, setUp);
        QFETCH(WindowChange, change);
        QFETCH(CurveColouring, expected);
        setUp(*app);
        const CurveColouring before = art->colouring();
        change(*app);
        QVERIFY(art->colouring() == expected);
        QVERIFY(app->colouringControls()->colouring() == expected);
        control<QAction>("actionUndo")->trigger();
        QVERIFY(art->colouring() == before);
        QVERIFY(app->colouringControls()->colouring() == before);
        control<QAction>("actionRedo")->trigger();
        QVERIFY(art->colouring() == expected);
        QAction* undo = control<QAction>("actionUndo");
        while (undo->isEnabled())
            undo->trigger();
        QVERIFY(art->colouring() == CurveColouring());
        QCOMPARE(control<QComboBox>("colourMode")->currentText(), QString("Stretches"));
    }

    // A drag along the ink's slider is one step, however far it goes; the next drag another.
    void aDragIsOneStep()
    {
        auto* ink = control<QSlider>("inkOpacitySlider");
        for (const int percent : {80, 60}) {
            emit ink->sliderPressed();
            for (int value = ink->value() - 1; value >= percent; --value)
                ink->setValue(value);
            QCOMPARE(art->colouring().inkOpacity, percent);
            QCOMPARE(control<QSpinBox>("inkOpacityInput")->value(), percent);
        }
        control<QAction>("actionUndo")->trigger();
        QCOMPARE(art->colouring().inkOpacity, 80);
        control<QAction>("actionUndo")->trigger();
        QCOMPARE(art->colouring().inkOpacity, kOpaqueInk);

        // The same for a stop dragged along the gradient bar: the last stop to the middle, then
        // on to a quarter.
        chooseGradient(*app);
        auto* bar = control<GradientBar>("gradientBar");
        const auto xOf = [bar](double position) { return int(6 + position * (bar->width() - 12)); };
        const int handles = bar->height() - 6;
        double from = 1;
        for (const double to : {0.5, 0.25}) {
            QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(xOf(from), handles));
            for (int step = 1; step <= 5; ++step)
                QTest::mouseMove(bar, QPoint(xOf(from + (to - from) * step / 5), handles));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(xOf(to), handles));
            QVERIFY(qAbs(art->colouring().stops.back().position - to) < 0.02);
            from = to;
        }
        control<QAction>("actionUndo")->trigger();
        QVERIFY(qAbs(art->colouring().stops.back().position - 0.5) < 0.02);
        control<QAction>("actionUndo")->trigger();
        QCOMPARE(art->colouring().stops.back().position, 1.0);
        QCOMPARE(art->colouring().mode, ColourMode::Gradient);
    }

    // Only what a mode uses shows, each with its label.
    void controlsShownFollowTheMode_data()
    {
        QTest::addColumn<Qt::Key>("key");   // in the mode list, from Stretches
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        const QStringList wells{"colorPicker", "colorPickerLabel", "useSecondColorCheck", "secondColor", "thirdColor"};
        const QStringList stops{"gradientPreset", "gradientPresetLabel", "gradientBar"};
        const QStringList repeats{"gradientRepeat", "gradientRepeatLabel", "gradientMirror"};
        const QStringList always{"colourMode", "inkOpacitySlider", "inkOpacityInput", "inkOpacityLabel", "penWidthSlider"};
        QTest::addRow("stretches") << Qt::Key_Home << wells + always << stops + repeats + QStringList{"revolutionBlend"};
        QTest::addRow("gradient") << Qt::Key_Down << stops + repeats + always << wells + QStringList{"revolutionBlend"};
        QTest::addRow("per revolution") << Qt::Key_End << stops + always + QStringList{"revolutionBlend"}
                                        << wells + repeats;
    }

    void controlsShownFollowTheMode()
    {
        QFETCH(Qt::Key, key);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        auto* pens = control<QWidget>("pensGroup");
        const int width = pens->sizeHint().width();
        pickWithKeys(*app, "colourMode", key);
        // The panel keeps its width: the drawing beside it does not move.
        QCOMPARE(pens->sizeHint().width(), width);
        for (const QString& name : shown)
            QVERIFY2(control<QWidget>(qPrintable(name))->isVisible(), qPrintable(name));
        for (const QString& name : hidden)
            QVERIFY2(!control<QWidget>(qPrintable(name))->isVisible(), qPrintable(name));
    }

    // With the keys alone: Tab goes from the mode down through the gradient's controls (each of
    // the bar's stops in turn) to the ink and the width.
    void tabReachesTheColouring()
    {
        chooseGradient(*app);
        QTRY_VERIFY_WITH_TIMEOUT(control<QComboBox>("colourMode")->hasFocus(), kPatienceMs);
        QStringList reached;
        for (int tab = 0; tab < 12 && !reached.contains("penWidthSlider"); ++tab) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            if (reached.isEmpty() || reached.last() != focus->objectName())
                reached << focus->objectName();
        }
        QCOMPARE(reached, (QStringList{"gradientPreset", "gradientBar", "gradientRepeat", "gradientMirror",
                                       "inkOpacitySlider", "inkOpacityInput", "penWidthSlider"}));
    }

    // Each curve keeps its own colouring as another is selected, its swatch in the list shows it,
    // and a new design starts with the stretches again.
    void eachCurveKeepsItsColouring()
    {
        auto* list = control<QListView>("curveList");
        QSignalSpy swatchChanged(list->model(), &QAbstractItemModel::dataChanged);
        chooseGradient(*app);
        chooseRainbow(*app);
        QVERIFY(!swatchChanged.isEmpty());   // the list shows it at once
        QCOMPARE(swatchChanged.last().at(2).value<QList<int>>(), QList<int>{Qt::DecorationRole});
        control<QAction>("actionAddCurve")->trigger();
        QVERIFY(art->colouring() == CurveColouring());
        QVERIFY(app->colorPicker()->isVisible());
        list->setCurrentIndex(list->model()->index(0, 0));
        QVERIFY(art->colouring() == rainbow());
        QVERIFY(app->colouringControls()->colouring() == rainbow());
        QCOMPARE(control<QComboBox>("gradientPreset")->currentText(), QString("Rainbow"));
        QVERIFY(!app->colorPicker()->isVisible());
        QVERIFY(art->composition().curves.at(1).art.colouring == CurveColouring());

        // The swatch runs from the gradient's first colour to its last; a curve in stretches
        // shows its one pen.
        const auto swatch = [list](int row) {
            return list->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
        };
        const QImage gradientSwatch = swatch(0);
        const QGradientStops& stops = gradientPresets().front().stops;
        QVERIFY(qRed(gradientSwatch.pixel(1, 8)) > 200 && qBlue(gradientSwatch.pixel(1, 8)) < 60);
        QVERIFY(qAbs(qRed(gradientSwatch.pixel(14, 8)) - stops.last().second.red()) < 40);
        QVERIFY(qBlue(gradientSwatch.pixel(14, 8)) > 100);
        QCOMPARE(QColor(swatch(1).pixel(14, 8)), QColor(Qt::red));

        {
            const MessageBoxAnswerer discard({QMessageBox::Discard});
            control<QAction>("actionNewDesign")->trigger();
        }
        QVERIFY(art->colouring() == CurveColouring());
        QCOMPARE(control<QComboBox>("colourMode")->currentText(), QString("Stretches"));
    }

    // Whatever a colouring holds, the controls keep to what a curve can be drawn with: 2 to 8
    // stops within 0 to 1 in order, 1 to 1000 repeats, an opacity of 0 to 100 %.
    void theControlsHoldAColouringInRange()
    {
        CurveColouring wild;
        wild.mode = ColourMode::Gradient;
        wild.stops.clear();
        for (int i = 0; i < 12; ++i)
            wild.stops.push_back({1.5 - 0.25 * i, QColor(Qt::green)});
        wild.repeat = 5000;
        wild.inkOpacity = 150;
        app->colouringControls()->setColouring(wild);
        const CurveColouring held = app->colouringControls()->colouring();
        QVERIFY(held.stops.size() >= kFewestGradientStops && held.stops.size() <= kMostGradientStops);
        QVERIFY(std::is_sorted(held.stops.begin(), held.stops.end(),
                               [](const GradientStop& a, const GradientStop& b) { return a.position < b.position; }));
        for (const GradientStop& stop : held.stops)
            QVERIFY(stop.position >= 0 && stop.position <= 1);
        QCOMPARE(held.repeat, kMostGradientRepeats);
        QCOMPARE(held.inkOpacity, kOpaqueInk);
        wild.stops.resize(1);
        wild.repeat = -4;
        wild.inkOpacity = -20;
        app->colouringControls()->setColouring(wild);
        QCOMPARE(app->colouringControls()->colouring().stops.size(), kFewestGradientStops);
        QCOMPARE(app->colouringControls()->colouring().repeat, 1);
        QCOMPARE(app->colouringControls()->colouring().inkOpacity, 0);
    }

    void optionCheckboxesCarryNothingElse()
    {
        // A typed value not yet committed, and a width not yet drawn, stay out of the art view.
        app->anchorRadiusInput()->setText("90");
        app->penWidthSlider()->setFloatValue(5);
        app->fillCheckbox()->click();
        QVERIFY(art->fillShape());
        app->closeCurveCheckbox()->click();
        QVERIFY(art->closeCurve());
        app->showAnchorCheckbox()->click();
        QVERIFY(art->showAnchor());
        QCOMPARE(art->anchorRadius(), 160.0f);
        QCOMPARE(art->penDrawSize(), 1.0f);
        app->fillCheckbox()->setCheckState(Qt::PartiallyChecked);
        app->fillBoxToggle(app->fillCheckbox());
        QVERIFY(!art->fillShape());   // mixed counts as off
    }

    void controlsThatDrawAtOnce()
    {
        app->penWidthSlider()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(art->penDrawSize(), 1.5f);
        app->wheelGrease()->click();
        QVERIFY(art->greaseIt());
        QTest::keyClick(app->runnerRadiusStepper(), Qt::Key_Up);
        QCOMPARE(art->runnerRadius(), 73.0f);
    }

    void truncatedDesignsSaySo()
    {
        typeInto(app->revolutionsInput(), "1e7");
        QTRY_VERIFY_WITH_TIMEOUT(app->statusLine()->drawingText().contains("4,194,304"), kPatienceMs);
        QVERIFY(art->lastDrawingTruncated());
        typeInto(app->revolutionsInput(), "0");
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->drawingText(), QString("1 point"), kPatienceMs);
    }

    // Hovering a menu sends the window empty tips, which once wiped the status line.
    void statusLineSurvivesAMenu()
    {
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->drawingText(), QString("1,260 points"), kPatienceMs);
        auto* file = control<QMenu>("menuFile");
        file->popup(app->mainWindow()->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        for (QAction* action : file->actions())
            file->setActiveAction(action);
        file->close();
        auto* label = control<QLabel>("drawingStatus");
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), QString("1,260 points"));
    }

    // The View menu: the drawing fits the window by default; its commands and keys zoom.
    void zoomCommands()
    {
        auto* fit = control<QAction>("actionFitToWindow");
        QVERIFY(fit->isChecked() && art->zoom().fitsToWindow());
        typeInto(app->anchorRadiusInput(), "500");
        typeInto(app->runnerRadiusInput(), "3");
        // The design, 1000 across, shrinks into the view with a margin.
        QVERIFY(art->screenScale() < 1);
        const double fitted = art->screenScale();
        QCOMPARE(fitted, ViewZoom::fitScale(art->size(), {boundingRadius(art->parameters()), art->penDrawSize()}));

        QTest::keySequence(app->mainWindow(), QKeySequence::ZoomIn);
        QVERIFY(!fit->isChecked());
        QCOMPARE(art->screenScale(), fitted * 1.25);
        QTest::keySequence(app->mainWindow(), QKeySequence::ZoomOut);
        QTest::keySequence(app->mainWindow(), QKeySequence::ZoomOut);
        QCOMPARE(art->screenScale(), fitted / 1.25);
        control<QAction>("actionActualSize")->trigger();
        QCOMPARE(art->screenScale(), 1.0);
        QTRY_COMPARE_WITH_TIMEOUT(app->statusLine()->zoomText(), QString("Zoom 100 %"), kPatienceMs);
        // At one unit per point the design is larger than the view: the bars beside it move it.
        auto* across = control<QScrollBar>("artHorizontalScrollBar");
        auto* down = control<QScrollBar>("artVerticalScrollBar");
        QVERIFY(across->isVisible() && down->isVisible());
        const QPointF centred = art->drawingArea().center();
        across->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QVERIFY(art->drawingArea().center().x() < centred.x());
        fit->trigger();
        QVERIFY(art->zoom().fitsToWindow());
        QCOMPARE(art->screenScale(), ViewZoom::fitScale(art->size(), {boundingRadius(art->parameters()), art->penDrawSize()}));
        QVERIFY(!across->isVisible() && !down->isVisible());
        // The wheel over a fitted drawing leaves the fit, and the menu's mark, as they are.
        turnWheel(art, QPointF(art->width() / 2.0, art->height() / 2.0), QPoint(0, -120));
        QVERIFY(fit->isChecked() && art->zoom().fitsToWindow());
        // A design too large for the zoom to show in tenths of a percent is not said to be at 0.
        typeInto(app->anchorRadiusInput(), "1e38");
        QTRY_COMPARE(app->statusLine()->zoomText(), QString("Zoom < 0.1 %"));
    }

    // A fitted drawing leaves room for the pen, which keeps its width at every scale: no ink
    // reaches the edge of the view or of the copied image.
    void fittedDrawingsHoldTheWholeStroke_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("radii");   // anchor, runner, pen hole
        QTest::addColumn<bool>("inside");
        QTest::addColumn<float>("penWidth");
        QTest::addRow("window, anchor 300, 20 pt") << "window" << QStringList{"300", "72", "53"} << false << 20.0f;
        QTest::addRow("copied image, 120 inside 72, 12.5 pt") << "clipboard" << QStringList{"120", "72", "54"} << true << 12.5f;
    }

    void fittedDrawingsHoldTheWholeStroke()
    {
        QFETCH(QString, where);
        QFETCH(QStringList, radii);
        QFETCH(bool, inside);
        QFETCH(float, penWidth);
        typeInto(app->anchorRadiusInput(), radii[0]);
        typeInto(app->runnerRadiusInput(), radii[1]);
        typeInto(app->penRadiusInput(), radii[2]);
        control<QRadioButton>(inside ? "runnerInside" : "runnerOutside")->click();
        app->penWidthSlider()->setFloatValue(penWidth);
        app->drawNow();

        QImage image;
        if (where == "window") {
            art->finishDrawing();
            image = art->grab().toImage();
        } else {
            control<QAction>("actionCopy")->trigger();
            image = qvariant_cast<QImage>(QApplication::clipboard()->mimeData()->imageData());
        }
        QVERIFY(!image.isNull());
        const auto inked = [&](int x, int y) {
            const QColor c = image.pixelColor(x, y);
            return where == "window" ? c.red() > 2 * c.green() + 40 : c.alpha() > 0;
        };
        for (int i = 0; i < image.width(); ++i)
            QVERIFY2(!inked(i, 0) && !inked(i, image.height() - 1), qPrintable(QStringLiteral("column %1").arg(i)));
        for (int i = 0; i < image.height(); ++i)
            QVERIFY2(!inked(0, i) && !inked(image.width() - 1, i), qPrintable(QStringLiteral("row %1").arg(i)));
    }

    // Up and Down in a field step it as its stepper's arrows do, after taking what was typed.
    void arrowKeysInAField()
    {
        app->confinePen()->click();   // off: keep the pen out of it
        NumberField* runner = app->runnerRadiusInput();
        runner->setFocus();
        QTest::keyClick(runner, Qt::Key_Up);
        QCOMPARE(runner->text(), QString("73"));
        QCOMPARE(app->runnerRadiusStepper()->floatValue(), 73.0f);
        QCOMPARE(art->runnerRadius(), 73.0f);
        runner->clear();
        QTest::keyClicks(runner, "80");
        QTest::keyClick(runner, Qt::Key_Down);
        QCOMPARE(runner->text(), QString("79"));
        QCOMPARE(art->runnerRadius(), 79.0f);
        // The steppers leave the Tab chain to their fields.
        QCOMPARE(app->runnerRadiusStepper()->focusPolicy(), Qt::NoFocus);
    }

    // Text that is not wholly a number is marked, with what is used, until it is one again.
    void textThatIsNoNumberIsMarked_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("used");
        QTest::addRow("letters") << "abc" << "0 is used";
        QTest::addRow("empty") << "" << "0 is used";
        QTest::addRow("inf") << "inf" << "0 is used";
        QTest::addRow("number, then letters") << "200abc" << "200 is used";
    }

    void textThatIsNoNumberIsMarked()
    {
        QFETCH(QString, text);
        QFETCH(QString, used);
        NumberField* anchor = app->anchorRadiusInput();
        const QString tip = anchor->toolTip();
        typeInto(anchor, text);
        QVERIFY(anchor->isMarkedInvalid());
        QVERIFY2(anchor->toolTip().contains(used), qPrintable(anchor->toolTip()));
        QVERIFY(anchor->palette().color(QPalette::Base) != app->penRadiusInput()->palette().color(QPalette::Base));
        anchor->setText("120");
        QVERIFY(!anchor->isMarkedInvalid());
        QCOMPARE(anchor->toolTip(), tip);
    }

    // Clicking the drawing takes the focus, and so commits a number being typed.
    void clickingTheDrawingCommitsAField()
    {
        app->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app->mainWindow()));
        NumberField* anchor = app->anchorRadiusInput();
        anchor->setFocus();
        anchor->selectAll();
        QTest::keyClicks(anchor, "120");
        QCOMPARE(art->anchorRadius(), 160.0f);
        QTest::mouseClick(art, Qt::LeftButton);
        QCOMPARE(art->anchorRadius(), 120.0f);
    }

    // Escape stops a slow drawing; while it runs, the status line says how far it has come.
    void escapeStopsASlowDrawing()
    {
        app->drawSpeedControl()->setFloatValue(1);
        app->drawSlowButton()->click();
        auto* progress = control<QLabel>("progressStatus");
        QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible() && progress->text().contains("%"), kPatienceMs);
        QTest::keyClick(app->mainWindow(), Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(app->drawSlowButton()->text(), QString("Draw Slowly"), kPatienceMs);
        QVERIFY(progress->text().isEmpty());
        QCOMPARE(art->percentToDraw(), 100.0f);
    }

    // The window comes back where and as large as it was left.
    void windowPlacementIsRemembered()
    {
        const QRect left(QPoint(40, 30), app->mainWindow()->minimumSizeHint() + QSize(100, 80));
        app->mainWindow()->setGeometry(left);
        QTRY_COMPARE_WITH_TIMEOUT(app->mainWindow()->geometry(), left, kPatienceMs);
        app->mainWindow()->close();
        app = std::make_unique<AppDelegate>();
        QCOMPARE(app->mainWindow()->geometry(), left);
    }

    // Where the screen has room, the first window shows the whole control panel, unscrolled;
    // where it has not, it takes at most 90 % of it.
    void firstWindowShowsTheWholePanel_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<bool>("wholePanel");
        QTest::addRow("1920 x 1080") << QSize(1920, 1080 - kScreenFurniture) << true;
        QTest::addRow("2560 x 1440") << QSize(2560, 1440 - kScreenFurniture) << true;
        QTest::addRow("1280 x 720") << QSize(1280, 720 - kScreenFurniture) << false;
    }

    void firstWindowShowsTheWholePanel()
    {
        QFETCH(QSize, available);
        QFETCH(bool, wholePanel);
        auto* window = qobject_cast<MainWindow*>(app->mainWindow());
        const QSize first = window->firstSize(available);
        QVERIFY(first.width() <= available.width() * 0.9 + 1 && first.height() <= available.height() * 0.9 + 1);
        QVERIFY(first.width() >= 1060 || !wholePanel);
        window->resize(first);
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), first, kPatienceMs);
        auto* panel = control<QScrollArea>("controlScroll");
        QTRY_COMPARE_WITH_TIMEOUT(panel->verticalScrollBar()->maximum() == 0, wholePanel, kPatienceMs);
    }

    // Keys that users of drawing programs reach for, beside the platform's own.
    void conventionalKeys()
    {
        typeInto(app->anchorRadiusInput(), "500");
        typeInto(app->runnerRadiusInput(), "3");
        const double fitted = art->screenScale();
        QTest::keyClick(app->mainWindow(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(art->screenScale(), fitted * 1.25);
        QTest::keyClick(app->mainWindow(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(app->runnerRadiusInput()->text(), QString("72"));
        QTest::keyClick(app->mainWindow(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(app->runnerRadiusInput()->text(), QString("3"));
    }

    // The pen width can be typed in the box beside its slider: held to the slider's range and
    // steps, drawn at once, a step of its own to undo; Up and Down step it; the box follows the
    // slider.
    void penWidthIsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<float>("width");
        QTest::addRow("a step") << "6.5" << 6.5f;
        QTest::addRow("between steps") << "7.3" << 7.5f;
        QTest::addRow("beyond the range") << "45" << 20.0f;
        QTest::addRow("below it") << "-3" << 0.0f;
        QTest::addRow("no number") << "wide" << 0.0f;
    }

    void penWidthIsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(float, width);
        auto* box = control<NumberField>("penWidthInput");
        QCOMPARE(box->text(), QString("1"));
        typeInto(box, typed);
        QCOMPARE(app->penWidthSlider()->floatValue(), width);
        QCOMPARE(box->text(), formatNumber(width));
        QCOMPARE(art->penDrawSize(), width);
        control<QAction>("actionUndo")->trigger();
        QCOMPARE(art->penDrawSize(), 1.0f);
        QCOMPARE(box->text(), QString("1"));

        box->setFocus();
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(art->penDrawSize(), 1.5f);
        QCOMPARE(box->text(), QString("1.5"));
        app->penWidthSlider()->setFloatValue(3);
        QCOMPARE(box->text(), QString("3"));
    }

    // A file size limit makes a write fail, with a message, instead of ending the program.
    void fileSizeLimitDoesNotEndTheProgram()
    {
        std::signal(SIGXFSZ, SIG_DFL);
        QVERIFY(startApplication());
        struct sigaction now {};
        QCOMPARE(sigaction(SIGXFSZ, nullptr, &now), 0);
        QVERIFY(now.sa_handler == SIG_IGN);
    }

    // The icon has a drawing of its own at each small size a desktop shows.
    // The icon is read after the first picture, so that it does not delay it.
    void iconAtEverySmallSize()
    {
        for (const int size : {16, 24, 32, 48})
            QTRY_VERIFY2_WITH_TIMEOUT(
                app->mainWindow()->windowIcon().availableSizes().contains(QSize(size, size)),
                qPrintable(QString::number(size)), kPatienceMs);
    }

    // The window fits a 1280 × 720 screen, and a 1600 × 1000 one at twice the scale, with room
    // for a title bar and a panel; every control can be reached by scrolling the panel.
    void windowFitsSmallScreens_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addRow("1280 x 720") << QSize(1280, 720 - kScreenFurniture);
        QTest::addRow("1600 x 1000 at scale 2") << QSize(800, 500 - kScreenFurniture);
    }

    void windowFitsSmallScreens()
    {
        QFETCH(QSize, available);
        QMainWindow* window = app->mainWindow();
        const QSize smallest = window->minimumSizeHint();
        QVERIFY2(smallest.width() <= available.width() && smallest.height() <= available.height(),
                 qPrintable(QString("%1 x %2").arg(smallest.width()).arg(smallest.height())));
        window->resize(smallest);
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), smallest, kPatienceMs);
        auto* panel = control<QScrollArea>("controlScroll");
        panel->ensureWidgetVisible(app->drawSlowButton());
        const QRect button(app->drawSlowButton()->mapTo(window, QPoint()), app->drawSlowButton()->size());
        QVERIFY(window->rect().contains(button));
        QVERIFY(art->width() > 0 && art->height() > 0);
    }

};

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void truncationSaturates_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<int>("expected");
        const float inf = std::numeric_limits<float>::infinity();
        QTest::addRow("fraction") << 72.6f << 72;
        QTest::addRow("negative fraction") << -3.7f << -3;
        QTest::addRow("NaN") << std::numeric_limits<float>::quiet_NaN() << 0;
        QTest::addRow("infinity") << inf << std::numeric_limits<int>::max();
        QTest::addRow("minus infinity") << -inf << std::numeric_limits<int>::min();
        QTest::addRow("past the range") << 3e9f << std::numeric_limits<int>::max();
        QTest::addRow("lowest int") << -2147483648.0f << std::numeric_limits<int>::min();
    }

    void truncationSaturates()
    {
        QFETCH(float, value);
        QFETCH(int, expected);
        QCOMPARE(truncatedToInt(value), expected);
    }

    void numbersReadAlikeInEveryLocale()
    {
        const std::string previous = setlocale(LC_NUMERIC, nullptr);
        if (!setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            QSKIP("no locale with a decimal comma on this machine (scripts/setup makes de_DE.UTF-8)");
        const float read = leadingNumber("72.9");
        const QString written = formatNumber(160.5f);
        setlocale(LC_NUMERIC, previous.c_str());
        QCOMPARE(read, 72.9f);
        QCOMPARE(written, QString("160.5"));
    }

    void numbersReadBackUnchanged()
    {
        for (float value : {72.6f, 0.1f, 160.0f, -3.7f, 1e-7f, 123456.79f})
            QCOMPARE(leadingNumber(formatNumber(value)), value);
        QCOMPARE(formatNumber(72.6f), QString("72.6"));
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    TestNumbers numbers;
    TestWindow window;
    return QTest::qExec(&numbers, argc, argv) | QTest::qExec(&window, argc, argv);
}

#include "tst_window.moc"
