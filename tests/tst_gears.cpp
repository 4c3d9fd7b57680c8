#include "app/GearKit.h"
#include "app/WheelControls.h"
#include "art/GearTeeth.h"
#include "widgets/Controls.h"
#include "TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTest>

#include <cmath>

// Wheels by their teeth: radii, the closing of a curve in whole numbers, and the kit's catalogue.

class TestGears : public QObject
{
    Q_OBJECT

private slots:
    // A count's radius gives the count back, whole; a radius between counts is marked as such.
    void teethAndRadiiMapBothWays()
    {
        QCOMPARE(radiusOfTeeth(96, kDefaultToothPitch), 160.0);
        QCOMPARE(radiusOfTeeth(30, 2 * M_PI), 30.0);
        for (int teeth = kFewestTeeth; teeth <= kMostTeeth; ++teeth) {
            const std::optional<TeethOfRadius> back = teethOfRadius(radiusOfTeeth(teeth, kDefaultToothPitch), kDefaultToothPitch);
            QVERIFY(back && back->whole && back->teeth == teeth);
            // As a design holds it: a float.
            const std::optional<TeethOfRadius> held = teethOfRadius(float(radiusOfTeeth(teeth, kDefaultToothPitch)), kDefaultToothPitch);
            QVERIFY(held && held->whole && held->teeth == teeth);
        }
        const std::optional<TeethOfRadius> between = teethOfRadius(72, kDefaultToothPitch);   // 43.2 teeth
        QVERIFY(between && !between->whole);
        QCOMPARE(between->teeth, 43LL);
        QVERIFY(!teethOfRadius(qInf(), kDefaultToothPitch));
        QVERIFY(!teethOfRadius(100, 0));
        QVERIFY(!teethOfRadius(100, -1));
        QVERIFY(!teethOfRadius(100, qQNaN()));
    }

    void closesInWholeTurns_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("runner");
        QTest::addColumn<int>("petals");
        QTest::addColumn<int>("turns");
        QTest::addRow("96 ring, 24 wheel: four petals in one turn") << 96 << 24 << 4 << 1;
        QTest::addRow("105 ring, 30 wheel: 7 petals in 2 turns") << 105 << 30 << 7 << 2;
        QTest::addRow("96 ring, 30 wheel") << 96 << 30 << 16 << 5;
        QTest::addRow("144 outside, 84 wheel") << 144 << 84 << 12 << 7;
        QTest::addRow("counts with no common divisor") << 101 << 37 << 101 << 37;
        QTest::addRow("equal counts: one petal, one turn") << 40 << 40 << 1 << 1;
    }

    void closesInWholeTurns()
    {
        QFETCH(int, anchor);
        QFETCH(int, runner);
        QFETCH(int, petals);
        QFETCH(int, turns);
        const std::optional<ToothClosure> closure = toothClosure(anchor, runner);
        QVERIFY(closure);
        QCOMPARE(closure->petals, petals);
        QCOMPARE(closure->turns, turns);
    }

    void refusesWhatIsNoToothCount_data()
    {
        QTest::addColumn<double>("teeth");
        QTest::addRow("too few") << 7.0;
        QTest::addRow("too many") << 401.0;
        QTest::addRow("a fraction") << 24.5;
        QTest::addRow("not a number") << qQNaN();
        QTest::addRow("an infinity") << qInf();
    }

    void refusesWhatIsNoToothCount()
    {
        QFETCH(double, teeth);
        QVERIFY(!isToothCount(teeth));
        QVERIFY(isToothCount(kFewestTeeth) && isToothCount(kMostTeeth));
        QVERIFY(!toothClosure(kFewestTeeth - 1, 24) && !toothClosure(24, kMostTeeth + 1));
    }

    // The kit shipped with the program: both sides of each ring, every wheel's holes inside it,
    // hole 1 nearest the edge and each next one further in.
    void theShippedKitReads()
    {
        const GearKitReading read = loadGearKit(QFINDTESTDATA("../resources/gear-kit.json"));
        QVERIFY2(read.kit, qPrintable(read.error));
        QVERIFY(read.kit->rings.size() >= 2);
        QCOMPARE(read.kit->rings[0].teethFacing(true), 96);
        QCOMPARE(read.kit->rings[0].teethFacing(false), 144);
        QVERIFY(read.kit->wheels.size() >= 10);
        for (const KitWheel& wheel : read.kit->wheels) {
            QVERIFY(wheel.teeth >= 24 && wheel.teeth <= 84);
            double outer = radiusOfTeeth(wheel.teeth, kDefaultToothPitch);
            for (int hole = 1; hole <= wheel.holes; ++hole) {
                const std::optional<double> radius = holeRadius(wheel, hole, kDefaultToothPitch);
                QVERIFY(radius && *radius < outer && *radius >= 0);
                QCOMPARE(nearestHole(wheel, *radius, kDefaultToothPitch), std::optional<int>(hole));
                outer = *radius;
            }
            QVERIFY(!holeRadius(wheel, 0, kDefaultToothPitch));
            QVERIFY(!holeRadius(wheel, wheel.holes + 1, kDefaultToothPitch));
        }
    }

    void refusesADamagedKit_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        const QString damaged = "The kit of rings and wheels is damaged.";
        QTest::addRow("not JSON") << QByteArray("{rings") << damaged;
        QTest::addRow("another kind of JSON") << QByteArray(R"({"format": "rotagraph-design", "version": 1})") << damaged;
        QTest::addRow("a newer version") << QByteArray(R"({"format": "rotagraph-gear-kit", "version": 2})")
                                         << "The kit of rings and wheels is of a version this Rotagraph cannot read.";
        QTest::addRow("empty") << QByteArray(R"({"format": "rotagraph-gear-kit", "version": 1})")
                               << "The kit of rings and wheels is empty.";
        QTest::addRow("a ring of too few teeth")
            << QByteArray(R"({"format": "rotagraph-gear-kit", "version": 1, "rings": [{"name": "x", "innerTeeth": 6, "outerTeeth": 96}]})")
            << "A ring of the kit has no name or no tooth counts from 8 to 400.";
        QTest::addRow("a wheel with holes beyond its centre")
            << QByteArray(R"({"format": "rotagraph-gear-kit", "version": 1, "wheels": [{"teeth": 24, "firstHoleFromEdge": 0.5, "holeSpacing": 1, "holes": 9}]})")
            << "A wheel of the kit has no tooth count from 8 to 400, or holes off the wheel.";
        QTest::addRow("a wheel with a fraction of a hole")
            << QByteArray(R"({"format": "rotagraph-gear-kit", "version": 1, "wheels": [{"teeth": 24, "firstHoleFromEdge": 0.5, "holeSpacing": 0.3, "holes": 2.5}]})")
            << "A wheel of the kit has no tooth count from 8 to 400, or holes off the wheel.";
    }

    void refusesADamagedKit()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const GearKitReading read = readGearKit(json);
        QVERIFY(!read.kit);
        QCOMPARE(read.error, error);
    }

    // Without its kit the Wheels group still takes teeth, typed: a wheel the kit lacks has holes
    // spaced as the kit's, and a new pitch scales the wheels, keeping their teeth.
    void teethWithoutAKit()
    {
        useFreshSettings();
        QWidget panel;
        auto* grid = new QGridLayout(&panel);
        const auto radiusRow = [grid](int line) {
            WheelControls::RadiusRow row{new QLabel, new NumberField, new QWidget};
            grid->addWidget(row.label, line, 0);
            grid->addWidget(row.field, line, 1);
            grid->addWidget(row.stepper, line, 2);
            return row;
        };
        QAction add, remove;
        std::optional<ChosenRadii> entered;
        WheelControls wheels({grid, radiusRow(1), radiusRow(2), radiusRow(6), 0, 4, 8, &add, &remove},
                             readGearKit("{}"), [&entered](const ChosenRadii& radii) { entered = radii; });
        QCOMPARE(wheels.kitProblem(), QStringLiteral("The kit of rings and wheels is damaged."));
        QVERIFY(!controlCalled<QComboBox>(panel, "Anchor from the kit")->isEnabled());

        CurveDesign curve;
        curve.sizes = WheelSizes::Teeth;
        wheels.showCurve(curve);
        wheels.showRadii(160, 72, false, 53);
        QCOMPARE(controlCalled<QSpinBox>(panel, "Anchor teeth")->text(), QStringLiteral("96"));
        QCOMPARE(controlCalled<QSpinBox>(panel, "Runner teeth")->text(), QStringLiteral("≈ 43"));
        QVERIFY(!wheels.wholeTeeth());
        // Radii beyond any wheel's teeth show the end of the range they pass, never a count near it.
        wheels.showRadii(1e38f, 1, false, 0.5f);
        QCOMPARE(controlCalled<QSpinBox>(panel, "Anchor teeth")->text(), QStringLiteral("> 400"));
        QCOMPARE(controlCalled<QSpinBox>(panel, "Runner teeth")->text(), QStringLiteral("< 8"));
        QVERIFY(!wheels.wholeTeeth());
        wheels.showRadii(160, 72, false, 53);

        controlCalled<QSpinBox>(panel, "Runner teeth")->setValue(40);
        QVERIFY(entered);
        QCOMPARE(entered->runner, radiusText(radiusOfTeeth(40, kDefaultToothPitch)));
        wheels.showRadii(160, leadingNumber(entered->runner), false, 53);   // as the window draws what was entered
        QCOMPARE(controlCalled<QSpinBox>(panel, "Pen hole number")->suffix(), QStringLiteral(" of 20"));

        controlCalled<QDoubleSpinBox>(panel, "Tooth pitch")->setValue(5);
        QCOMPARE(entered->anchor, radiusText(radiusOfTeeth(96, 5)));
        QCOMPARE(entered->runner, radiusText(radiusOfTeeth(40, 5)));
        wheels.showRadii(leadingNumber(entered->anchor), leadingNumber(entered->runner), false, 7);
        const std::optional<WheelControls::Teeth> teeth = wheels.wholeTeeth();
        QVERIFY(teeth && teeth->anchor == 96 && teeth->runner == 40);
        // Shown again, the pen is where it was last shown: 7 from the centre of the wheel of 31.8,
        // 4.97 pitches in; nearest is hole 16, 0.5 + 15 × 0.3 in, not exactly.
        wheels.showCurve(curve);
        QCOMPARE(controlCalled<QSpinBox>(panel, "Pen hole number")->text(), QStringLiteral("≈ 16 of 20"));
    }

    void aMissingKitSaysSo()
    {
        const GearKitReading read = loadGearKit("/nonexistent/gear-kit.json");
        QVERIFY(!read.kit);
        QVERIFY2(read.error.startsWith("The kit of rings and wheels could not be read"), qPrintable(read.error));
    }
};

QTEST_MAIN(TestGears)
#include "tst_gears.moc"
