#include "app/DesignFormat.h"
#include "TestSupport.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program run from the shell: pictures made without a window or a display, and what it says
// and returns when it cannot make them.

namespace {

struct Run {
    int status = -1;
    QString errors;
    QByteArray output;
};

Run rotagraph(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));   // the program must choose for itself
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ROTAGRAPH_BINARY), arguments);
    if (!process.waitForFinished(60'000))
        qFatal("rotagraph did not finish within a minute");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError()), process.readAllStandardOutput()};
}

}

class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    QString path(const QString& name) const { return m_folder.filePath(name); }

private slots:
    void initTestCase()
    {
        Design design;
        design.curves[0].colouring.mode = ColourMode::Gradient;
        QVERIFY(writeContents(path("rosette.rotagraph"), designToJson(design)));
        design.curves[0].anchorRadius = "96";
        QVERIFY(writeContents(path("ring.rotagraph"), designToJson(design)));
        QVERIFY(QDir(m_folder.path()).mkdir("pictures"));
    }

    void makesPictures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("written");   // each opens as the design it was made of
        QTest::addColumn<int>("edge");              // of the first, a PNG; 0: not a PNG
        QTest::addRow("a PNG at its suggested size") << QStringList{"--export", "r.png", "rosette.rotagraph"}
                                                     << QStringList{"r.png"} << 580;
        QTest::addRow("a PNG of a size given, enlarged") << QStringList{"--export", "big.png", "--size", "900", "--enlarge", "rosette.rotagraph"}
                                                         << QStringList{"big.png"} << 900;
        QTest::addRow("an SVG on A3") << QStringList{"--export", "r.svg", "--page", "a3", "rosette.rotagraph"}
                                      << QStringList{"r.svg"} << 0;
        QTest::addRow("a PDF by the format given") << QStringList{"--export", "plot.out", "--format", "pdf", "ring.rotagraph"}
                                                   << QStringList{"plot.out"} << 0;
        QTest::addRow("several into a folder, each named after its file")
            << QStringList{"--export", "pictures", "--format", "svg", "rosette.rotagraph", "ring.rotagraph"}
            << QStringList{"pictures/rosette.svg", "pictures/ring.svg"} << 0;
        QTest::addRow("a thumbnail") << QStringList{"--thumbnail", "ring.rotagraph", "thumb.png", "--size", "128"}
                                     << QStringList{"thumb.png"} << 128;
    }

    void makesPictures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, written);
        QFETCH(int, edge);
        for (QString& argument : arguments)
            if (argument.contains('.') || argument == "pictures")
                argument = path(argument);
        const Run run = rotagraph(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        for (const QString& file : written) {
            const DesignReadResult read = loadDesignFile(path(file));
            if (!file.endsWith(".pdf") && !file.endsWith(".out"))
                QVERIFY2(read.design, qPrintable(file + ": " + read.error));
            QVERIFY(QFileInfo(path(file)).size() > 1000);
        }
        if (edge > 0)
            QCOMPARE(QImage(path(written.first())).size(), QSize(edge, edge));
    }

    void saysWhyItCannot_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::addRow("no such file") << QStringList{"--export", "x.png", "missing.rotagraph"} << 1
                                      << "“missing.rotagraph” could not be opened.\nThere is no such file.";
        QTest::addRow("a folder that is not there") << QStringList{"--export", "nowhere/x.png", "ring.rotagraph"} << 1
                                                    << "“x.png” could not be written.";
        QTest::addRow("an unknown option") << QStringList{"--export", "x.png", "--sharp", "ring.rotagraph"} << 2
                                           << "Unknown option 'sharp'.";
        QTest::addRow("no file") << QStringList{"--export", "x.png"} << 2 << "--export takes an OUTPUT and at least one FILE.";
        QTest::addRow("a size beyond the range") << QStringList{"--export", "x.png", "--size", "9000", "ring.rotagraph"} << 2
                                                 << "The size is a whole number of pixels from 16 to 5000.";
        QTest::addRow("an unknown paper") << QStringList{"--export", "x.svg", "--page", "B5", "ring.rotagraph"} << 2
                                          << "The paper “B5” is none of A5, A4, A3, Letter, Legal, Tabloid and Square.";
        QTest::addRow("an unknown format") << QStringList{"--export", "x.png", "--format", "gif", "ring.rotagraph"} << 2
                                           << "The format “gif” is none of png, svg and pdf.";
        QTest::addRow("several files into one file") << QStringList{"--export", "x.png", "ring.rotagraph", "rosette.rotagraph"}
                                                     << 2 << "For several files, OUTPUT must be a folder.";
        QTest::addRow("a thumbnail without its OUTPUT") << QStringList{"--thumbnail", "ring.rotagraph"} << 2
                                                        << "--thumbnail takes a FILE and an OUTPUT.png.";
        QTest::addRow("a thumbnail of two files") << QStringList{"--thumbnail", "ring.rotagraph", "rosette.rotagraph", "x.png"}
                                                  << 2 << "--thumbnail takes a FILE and an OUTPUT.png.";
    }

    void saysWhyItCannot()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, says);
        for (QString& argument : arguments)
            if (argument.contains('.') && !argument.startsWith('-'))
                argument = path(argument);
        const Run run = rotagraph(arguments);
        QCOMPARE(run.status, status);
        QVERIFY2(run.errors.contains(says), qPrintable(run.errors));
        QVERIFY(!QFileInfo::exists(path("x.png")) && !QFileInfo::exists(path("x.svg")));
    }

    void versionAndHelpNeedNoDisplay()
    {
        const Run version = rotagraph({QStringLiteral("--version")});
        QCOMPARE(version.status, 0);
        QVERIFY(version.output.startsWith("Rotagraph "));
        const Run help = rotagraph({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY(help.output.contains("--export <OUTPUT>"));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
