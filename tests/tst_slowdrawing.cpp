#include "app/AppDelegate.h"
#include "app/SlowDrawing.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QTest>

#include <vector>

// Slow drawings run for real: a worker hands the frames to the main thread, which draws them.
// Each frame is held on the worker until the art view has painted the one before, so that
// every frame is seen however fast or slow the machine; the percentages are recorded as the
// view paints them.
class TestSlowDrawing : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppDelegate> app;
    std::vector<float> drawnAt;
    std::function<void()> onFrame;   // run after each recorded painting
    std::unique_ptr<HeldWork> heldFrames;

    void typeRevolutions(const QString& text)
    {
        NumberField* field = app->revolutionsInput();
        field->clear();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    void start(float speed)
    {
        app->drawSpeedControl()->setFloatValue(speed);
        QCoreApplication::processEvents();   // the drawing of earlier changes first
        drawnAt.clear();
        app->drawSlowButton()->click();
    }

    bool idle() const { return app->drawSlowButton()->text() == QLatin1String("Draw Slowly"); }

    void verifyIdle()
    {
        QTRY_VERIFY_WITH_TIMEOUT(idle(), kPatienceMs);
        QVERIFY(app->drawSpeedControl()->isEnabled());
        QCOMPARE(app->artView()->percentToDraw(), 100.0f);
        QTRY_VERIFY_WITH_TIMEOUT(!drawnAt.empty(), kPatienceMs);   // the final frame is painted once it is posted
        QCOMPARE(drawnAt.back(), 100.0f);
    }

private slots:
    void init()
    {
        heldFrames = std::make_unique<HeldWork>();
        SlowDrawing::setFramePauseHook([this](const std::atomic<bool>& cancelled) { heldFrames->hold(&cancelled); });
        app = startApplication();
        QVERIFY(app);
        drawnAt.clear();
        onFrame = nullptr;
        connect(app->artView(), &Rotagraph::drawn, this, [this] {
            drawnAt.push_back(app->artView()->percentToDraw());
            if (onFrame)   // after the painting, as a user's click would come
                QMetaObject::invokeMethod(this, onFrame, Qt::QueuedConnection);
            if (!idle() && !QApplication::activeModalWidget())   // the next frame may come
                QMetaObject::invokeMethod(this, [this] { heldFrames->releaseOne(); }, Qt::QueuedConnection);
        });
    }

    void cleanup()
    {
        app.reset();
        SlowDrawing::setFramePauseHook({});
    }

    void framesRunFromOneStepToTheWhole_data()
    {
        QTest::addColumn<float>("speed");
        QTest::addColumn<QString>("revolutions");
        QTest::addColumn<std::vector<float>>("frames");
        QTest::addRow("speed 30, one revolution: one frame past the end")
            << 30.0f << "1" << std::vector<float>{30, 60, 90, 120, 100};
        QTest::addRow("speed 25, one revolution") << 25.0f << "1" << std::vector<float>{25, 50, 75, 100, 100};
        QTest::addRow("speed 50, two revolutions") << 50.0f << "2" << std::vector<float>{25, 50, 75, 100, 100};
        QTest::addRow("one frame past the end only") << 100.0f << "0.5" << std::vector<float>{200, 100};
        QTest::addRow("no revolutions: the final frame only") << 10.0f << "0" << std::vector<float>{100};
    }

    void framesRunFromOneStepToTheWhole()
    {
        QFETCH(float, speed);
        QFETCH(QString, revolutions);
        QFETCH(std::vector<float>, frames);
        typeRevolutions(revolutions);
        start(speed);
        QCOMPARE(app->drawSlowButton()->text(), QString("Stop Drawing"));
        QVERIFY(!app->drawSpeedControl()->isEnabled());
        verifyIdle();
        QCOMPARE(drawnAt, frames);
    }

    void stopDuringTheThirdFrame()
    {
        typeRevolutions("1");
        onFrame = [this] {
            if (drawnAt.size() == 3 && !idle())
                app->drawSlowButton()->click();
        };
        start(10);
        verifyIdle();
        QCOMPARE(drawnAt, (std::vector<float>{10, 20, 30, 100}));
    }

    void newDesignStopsIt()
    {
        typeRevolutions("3");
        app->showAnchorCheckbox()->click();
        QAction* newDesign = app->mainWindow()->findChild<QAction*>("actionNewDesign");
        onFrame = [this, newDesign] {
            if (drawnAt.size() == 2 && !idle()) {
                const MessageBoxAnswerer discard({QMessageBox::Discard});
                newDesign->trigger();
            }
        };
        start(10);
        verifyIdle();
        QVERIFY(drawnAt.size() <= 5);   // a frame in flight may still show, then the whole
        QCOMPARE(app->artView()->rotationsToMake(), 9.0f);
        QVERIFY(!app->artView()->showAnchor());
    }

    void speedZeroRunsUntilStopped()
    {
        onFrame = [this] {
            if (drawnAt.size() == 6 && !idle())
                app->drawSlowButton()->click();
        };
        start(0);
        verifyIdle();
        QCOMPARE(drawnAt, (std::vector<float>{0, 0, 0, 0, 0, 0, 100}));
    }

    void controlsStayLiveAndChangesShowAtTheCurrentPercentage()
    {
        typeRevolutions("1");
        float percentWhenChanged = 0;
        onFrame = [&, this] {
            if (drawnAt.size() == 2 && !idle()) {
                percentWhenChanged = app->artView()->percentToDraw();
                app->runnerRadiusStepper()->stepDown();
            }
        };
        start(20);
        QTRY_COMPARE_WITH_TIMEOUT(app->artView()->runnerRadius(), 71.0f, kPatienceMs);
        QCOMPARE(percentWhenChanged, 40.0f);
        verifyIdle();
    }

    void quittingDuringADrawing()
    {
        onFrame = [this] {
            if (drawnAt.size() == 2) {
                const MessageBoxAnswerer discard({QMessageBox::Discard});
                app->mainWindow()->close();
            }
        };
        start(1);
        QTRY_VERIFY_WITH_TIMEOUT(!app->mainWindow()->isVisible(), kPatienceMs);
        // Going away cancels the drawing and waits for its worker; nothing it posted may
        // reach the gone controller or its view.
        app.reset();
        QCoreApplication::processEvents();
        QCOMPARE(drawnAt.size(), std::size_t(2));
    }
};

QTEST_MAIN(TestSlowDrawing)
#include "tst_slowdrawing.moc"
