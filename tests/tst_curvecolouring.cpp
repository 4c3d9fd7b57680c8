// Colour along a curve: colours mixed in OKLab, gradients spread, repeated and mirrored along the
// points, a colour a revolution, and the stretches a pen is drawn in.

#include "art/CurveColouring.h"

#include <QTest>

#include <cmath>

namespace {

// Channels within one level of 255, alpha included.
bool within(const QColor& actual, const QColor& expected, int levels = 1)
{
    return std::abs(actual.red() - expected.red()) <= levels && std::abs(actual.green() - expected.green()) <= levels
        && std::abs(actual.blue() - expected.blue()) <= levels && std::abs(actual.alpha() - expected.alpha()) <= levels;
}

const std::vector<GradientStop> kRedGreenBlue{{0, Qt::red}, {0.5, Qt::green}, {1, Qt::blue}};

}

class TestCurveColouring : public QObject
{
    Q_OBJECT

private slots:
    // The published OKLab values of pure colours, and every colour back from OKLab as it went in.
    void oklab()
    {
        const OklabColour red = toOklab(Qt::red);
        QVERIFY(std::abs(red.lightness - 0.62796) < 1e-4 && std::abs(red.a - 0.22486) < 1e-4 && std::abs(red.b - 0.12585) < 1e-4);
        const OklabColour white = toOklab(Qt::white);
        QVERIFY(std::abs(white.lightness - 1) < 1e-4 && std::abs(white.a) < 1e-4 && std::abs(white.b) < 1e-4);
        for (const QColor colour : {QColor(0, 0, 0), QColor(255, 200, 0), QColor(12, 34, 56, 78), QColor(0, 102, 204)})
            QVERIFY2(within(fromOklab(toOklab(colour)), colour), qPrintable(colour.name(QColor::HexArgb)));
    }

    // Half way from red to blue is OKLab's violet, lighter than sRGB's (128, 0, 128): its
    // lightness is the mean of the ends'; alpha mixes linearly.
    void mixing()
    {
        const QColor middle = mixInOklab(Qt::red, Qt::blue, 0.5);
        QVERIFY2(within(middle, QColor(140, 83, 162), 2), qPrintable(middle.name()));
        QVERIFY(std::abs(toOklab(middle).lightness - (toOklab(Qt::red).lightness + toOklab(Qt::blue).lightness) / 2) < 1e-3);
        QCOMPARE(mixInOklab(QColor(0, 0, 0, 0), QColor(0, 0, 0, 255), 0.25).alpha(), 64);
        QVERIFY(within(mixInOklab(Qt::red, Qt::blue, 0), Qt::red) && within(mixInOklab(Qt::red, Qt::blue, 1), Qt::blue));
    }

    void gradient_data()
    {
        QTest::addColumn<double>("share");   // of the way along the curve
        QTest::addColumn<int>("repeat");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<QColor>("colour");
        QTest::addRow("start") << 0.0 << 1 << false << QColor(Qt::red);
        QTest::addRow("a stop") << 0.5 << 1 << false << QColor(Qt::green);
        QTest::addRow("end") << 1.0 << 1 << false << QColor(Qt::blue);
        QTest::addRow("beyond the end") << 2.0 << 1 << false << QColor(Qt::blue);
        QTest::addRow("second run begins again") << 0.5 << 2 << false << QColor(Qt::red);
        QTest::addRow("second run's middle") << 0.75 << 2 << false << QColor(Qt::green);
        QTest::addRow("end of two runs") << 1.0 << 2 << false << QColor(Qt::blue);
        QTest::addRow("mirrored: second run backwards") << 0.5 << 2 << true << QColor(Qt::blue);
        QTest::addRow("mirrored: ends where it began") << 1.0 << 2 << true << QColor(Qt::red);
        QTest::addRow("mirrored, three runs: ends at the end") << 1.0 << 3 << true << QColor(Qt::blue);
    }

    void gradient()
    {
        QFETCH(double, share);
        QFETCH(int, repeat);
        QFETCH(bool, mirror);
        QFETCH(QColor, colour);
        const QColor actual = gradientColour(kRedGreenBlue, gradientPosition(share, repeat, mirror));
        QVERIFY2(within(actual, colour), qPrintable(actual.name()));
    }

    // A colour a revolution, in turn; blended, each revolution fades into the next one's colour.
    void revolutions()
    {
        QCOMPARE(revolutionColour(kRedGreenBlue, 0.9, false), QColor(Qt::red));
        QCOMPARE(revolutionColour(kRedGreenBlue, 1.0, false), QColor(Qt::green));
        QCOMPARE(revolutionColour(kRedGreenBlue, 3.2, false), QColor(Qt::red));
        QVERIFY(within(revolutionColour(kRedGreenBlue, 2.5, true), mixInOklab(Qt::blue, Qt::red, 0.5)));
    }

    // The stretches cover the path end to end, each beginning where the one before ends, at most
    // 256 to a run of the gradient; a revolution's colour changes where the
    // revolution does.
    void steps()
    {
        CurveColouring gradient{ColourMode::Gradient, kRedGreenBlue, 3, true, false};
        const std::vector<ColourStep> steps = colourSteps(gradient, 10'001, 1000);
        QCOMPARE(steps.size(), std::size_t(768));   // 256 a run
        QCOMPARE(steps.front().first, std::size_t(0));
        QCOMPARE(steps.back().last, std::size_t(10'000));
        for (std::size_t i = 1; i < steps.size(); ++i)
            QCOMPARE(steps[i].first, steps[i - 1].last);
        QVERIFY2(within(steps.front().colour, Qt::red, 2) && within(steps.back().colour, Qt::blue, 2),
                 qPrintable(steps.front().colour.name() + u' ' + steps.back().colour.name()));
        QCOMPARE(colourSteps(gradient, 5, 1000).size(), std::size_t(4));   // a step a segment at most

        const CurveColouring stepped{ColourMode::PerRevolution, kRedGreenBlue, 1, false, false};
        const std::vector<ColourStep> turns = colourSteps(stepped, 2501, 1000);
        QCOMPARE(turns.size(), std::size_t(3));
        QCOMPARE(turns[1].first, std::size_t(1000));
        QCOMPARE(turns[2].last, std::size_t(2500));
        QCOMPARE(turns[2].colour, QColor(Qt::blue));
        QVERIFY(colourSteps(CurveColouring{}, 1000, 100).empty());
        QVERIFY(colourSteps(gradient, 1, 100).empty());
    }
};

QTEST_APPLESS_MAIN(TestCurveColouring)
#include "tst_curvecolouring.moc"
