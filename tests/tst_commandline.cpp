#include "app/CommandLine.h"
#include "app/CommandLineExport.h"
#include "app/DesignFormat.h"
#include "output/FileNames.h"
#include "TestSupport.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// The program run from the shell: pictures made without a window or a display, and what it says
// and returns when it cannot make them.

namespace {

struct Run {
    int status = -1;
    QString errors;
    QByteArray output;
};

// Runs in the child, which shares the test's memory until it execs: kept out of the address
// sanitizer's reach, whose marks for this frame would otherwise stay behind on the test's stack.
__attribute__((no_sanitize("address"))) void execWithFileSizeLimit(char* const* argv, rlim_t fileSizeLimit)
{
    const rlimit limit{fileSizeLimit, fileSizeLimit};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::execv(argv[0], argv);
    ::_exit(127);
}

// The program run with `arguments` as these bytes, as a shell hands them over whatever they
// are, and with no file of it allowed to grow beyond `fileSizeLimit` bytes; with no display, or
// with `display` when one is given.
Run rotagraph(const QList<QByteArray>& arguments, rlim_t fileSizeLimit = RLIM_INFINITY, const QString& display = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    if (!display.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));   // the program must choose for itself
    process.setProcessEnvironment(environment);
    // Started from the child itself: QProcess would turn the arguments into text first.
    std::vector<QByteArray> bytes{QByteArrayLiteral(ROTAGRAPH_BINARY)};
    bytes.insert(bytes.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    process.setChildProcessModifier([&argv, fileSizeLimit] { execWithFileSizeLimit(argv.data(), fileSizeLimit); });
    process.start(QStringLiteral(ROTAGRAPH_BINARY), {});
    if (!process.waitForFinished(60'000))
        qFatal("rotagraph did not finish within a minute");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError()), process.readAllStandardOutput()};
}

Run rotagraph(const QStringList& arguments, rlim_t fileSizeLimit = RLIM_INFINITY, const QString& display = {})
{
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes << argument.toUtf8();
    return rotagraph(bytes, fileSizeLimit, display);
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
        // Two designs of one name, and a design beside its own picture.
        for (const char* folder : {"one", "two", "both"}) {
            QVERIFY(QDir(m_folder.path()).mkdir(folder));
            QVERIFY(QFile::copy(path("ring.rotagraph"), path(QString(folder) + "/ring.rotagraph")));
        }
        QCOMPARE(rotagraph(QStringList{"--export", path("both/ring.png"), path("ring.rotagraph")}).status, 0);
        QVERIFY(writeContents(path("numbers.rotagraph"), designOfLongNumbers()));
        QVERIFY(writeContents(path("filled.rotagraph"), "{\"format\": \"rotagraph-design\", \"version\": 2, \"curves\": "
                                                          "[{\"fill\": true, \"closeCurve\": true, \"fillColor\": \"#ff00ff00\"}]}"));
        // A device, as /dev/null is one, and a pipe: outputs that are no files.
        if (::mknod(qPrintable(path("null.png")), S_IFCHR | 0666, makedev(1, 3)) != 0)
            qWarning("No device could be made (not root?): the rows that write to one fail.");
        QCOMPARE(::mkfifo(qPrintable(path("pipe.svg")), 0666), 0);
        QCOMPARE(::symlink(qPrintable(path("pipe.svg")), qPrintable(path("link-to-pipe.png"))), 0);
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
        QTest::addRow("a PDF into a folder made for it, by the format given")
            << QStringList{"--export", "made/deeper/", "--format", "pdf", "ring.rotagraph"}
            << QStringList{"made/deeper/ring.pdf"} << 0;
        QTest::addRow("several into a folder made for them")
            << QStringList{"--export", "fresh/pictures", "rosette.rotagraph", "ring.rotagraph"}
            << QStringList{"fresh/pictures/rosette.png", "fresh/pictures/ring.png"} << 0;
        QTest::addRow("several into a folder, each named after its file")
            << QStringList{"--export", "pictures", "--format", "svg", "rosette.rotagraph", "ring.rotagraph"}
            << QStringList{"pictures/rosette.svg", "pictures/ring.svg"} << 0;
        QTest::addRow("a thumbnail") << QStringList{"--thumbnail", "ring.rotagraph", "thumb.png", "--size", "128"}
                                     << QStringList{"thumb.png"} << 128;
        QTest::addRow("two files of one name, told apart")
            << QStringList{"--export", "pictures", "one/ring.rotagraph", "two/ring.rotagraph"}
            << QStringList{"pictures/ring.png", "pictures/ring-2.png"} << 0;
        QTest::addRow("beside its own picture, which it keeps")
            << QStringList{"--export", "both", "--size", "64", "both/ring.rotagraph", "both/ring.png"}
            << QStringList{"both/ring-2.png", "both/ring-3.png", "both/ring.png"} << 64;
    }

    void makesPictures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, written);
        QFETCH(int, edge);
        for (QString& argument : arguments)
            if (argument.contains('.') || argument.contains('/') || argument == "pictures" || argument == "both")
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

    // Every option of the export dialogs reaches the file as the dialog's field would.
    void optionsReachTheFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("holds");
        QTest::addColumn<QByteArray>("lacks");
        const QStringList svg{"--export", "o.svg", "filled.rotagraph"};
        QTest::addRow("Letter, turned") << svg + QStringList{"--paper", "letter", "--landscape"}
                                        << QByteArray("width=\"279.4mm\" height=\"215.9mm\"") << QByteArray();
        QTest::addRow("a paper of one's own") << svg + QStringList{"--paper", "100x150"}
                                              << QByteArray("width=\"100mm\" height=\"150mm\"") << QByteArray();
        QTest::addRow("--page for --paper") << svg + QStringList{"--page", "A5"} << QByteArray("width=\"148mm\" height=\"210mm\"")
                                            << QByteArray();
        QTest::addRow("the pen's width") << svg + QStringList{"--pen-width", "0.7"} << QByteArray("stroke-width=\"0.700\"")
                                         << QByteArray();
        QTest::addRow("the design's pen by default, a point: 0.353 mm") << svg << QByteArray("stroke-width=\"0.353\"")
                                                                        << QByteArray();
        QTest::addRow("a solid fill by default") << svg << QByteArray("label=\"% fill #00ff00\"") << QByteArray();
        QTest::addRow("the fill hatched in its pen") << svg + QStringList{"--fill", "hatch"}
                                                     << QByteArray("label=\"1 pen 1 #00ff00\"") << QByteArray("% fill");
        QTest::addRow("the fill left out") << svg + QStringList{"--fill", "none"} << QByteArray("label=\"1 pen 1 #ff0000\"")
                                           << QByteArray("#00ff00");
        // pHYs: pixels per metre across and down, then 1 for metres. The ring (96 + 72 + 53 =
        // 221 across its radius, a pen 1 wide) in 800 pixels: (800 / 2.05 - 0.5) / 221 = 1.7636
        // pixels a unit, 126.97 dpi, 4999 a metre; unenlarged, 1 a point: 72 dpi, 2835 a metre;
        // 300 dpi is 11811 a metre.
        const QStringList png{"--export", "o.png", "--size", "800", "ring.rotagraph"};
        QTest::addRow("a PNG enlarged by default, printing at natural size")
            << png << QByteArray("pHYs\0\0\x13\x87\0\0\x13\x87\x01", 13) << QByteArray();
        QTest::addRow("a PNG not enlarged") << png + QStringList{"--no-enlarge"}
                                            << QByteArray("pHYs\0\0\x0b\x13\0\0\x0b\x13\x01", 13) << QByteArray();
        QTest::addRow("a PNG of 300 dpi") << png + QStringList{"--dpi", "300"}
                                          << QByteArray("pHYs\0\0\x2e\x23\0\0\x2e\x23\x01", 13) << QByteArray();
    }

    void optionsReachTheFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, holds);
        QFETCH(QByteArray, lacks);
        const QString output = path(arguments[1]);
        for (QString& argument : arguments)
            if (argument.contains('.') && !argument.startsWith('-') && argument.contains(QRegularExpression("[a-z]")))
                argument = path(argument);
        const Run run = rotagraph(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        const QByteArray written = contentsOf(output);
        QFile::remove(output);
        QVERIFY2(written.contains(holds), written.left(2000).constData());
        QVERIFY(lacks.isEmpty() || !written.contains(lacks));
    }

    // --help tells every option of the export dialogs.
    void helpTellsEveryOption_data()
    {
        QTest::addColumn<QString>("option");
        for (const char* option : {"--paper <PAPER>", "--page <PAPER>", "--landscape", "--margin <MM>", "--drawing-size <MM>",
                                   "--pen-width <MM>", "--tolerance <MM>", "--fill <STYLE>", "--hatch-spacing <MM>",
                                   "--hatch-angle <DEG>", "--gradient-pens <N>", "--dpi <N>", "--enlarge", "--no-enlarge", "--size <PIXELS>",
                                   "--format <FORMAT>"})
            QTest::addRow("%s", option) << QString::fromLatin1(option);
    }

    void helpTellsEveryOption()
    {
        QFETCH(QString, option);
        static const Run help = rotagraph({QStringLiteral("--help")});
        QVERIFY(help.output.contains("  " + option.toUtf8() + "  "));
    }

    // A file name's bytes come back as they were, whatever they are; those that are UTF-8 read
    // as their text.
    void namesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");   // empty: not all of it is UTF-8
        QTest::addRow("plain") << QByteArray("design.rotagraph") << "design.rotagraph";
        QTest::addRow("UTF-8 of two, three and four bytes") << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8c\xb8")
                                                           << QString::fromUtf8("café € 🌸");
        QTest::addRow("a byte that is no UTF-8") << QByteArray("bad\xffname") << QString();
        QTest::addRow("a sequence cut short") << QByteArray("x\xe2\x82") << QString();
        QTest::addRow("an overlong slash") << QByteArray("\xc0\xaf") << QString();
        QTest::addRow("a surrogate spelled in UTF-8") << QByteArray("\xed\xa0\x80") << QString();
        QTest::addRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QString();
    }

    void namesKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString name = fileNameFromSystem(bytes);
        QCOMPARE(fileNameForSystem(name), bytes);
        if (!text.isEmpty())
            QCOMPARE(name, text);
        else
            QVERIFY(name != QString::fromUtf8(bytes));   // not Qt's replacement characters
    }

    // A name that is no UTF-8 names its own file all the same, read and written.
    void takesNamesAsTheSystemGivesThem()
    {
        const QByteArray folder = QFile::encodeName(m_folder.path());
        const QByteArray input = folder + "/bad\xffname.rotagraph";
        const QByteArray output = folder + "/out\xfe.png";
        QVERIFY(::link(qPrintable(path("ring.rotagraph")), input.constData()) == 0);
        const Run run = rotagraph(QList<QByteArray>{"--export", output, input});
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        struct stat written {};
        const bool madeIt = ::stat(output.constData(), &written) == 0 && written.st_size > 1000;
        // Qt's own removal of the folder could not name them.
        ::unlink(input.constData());
        ::unlink(output.constData());
        QVERIFY(madeIt);
    }

    void saysWhyItCannot_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::addColumn<int>("fileSizeLimit");   // in KiB; 0: none
        QTest::addRow("no such file") << QStringList{"--export", "x.png", "missing.rotagraph"} << 1
                                      << "“missing.rotagraph” could not be opened.\nThere is no such file." << 0;
        QTest::addRow("a folder that is not there") << QStringList{"--export", "nowhere/x.png", "ring.rotagraph"} << 1
                                                    << "“x.png” could not be written." << 0;
        QTest::addRow("an unknown option") << QStringList{"--export", "x.png", "--sharp", "ring.rotagraph"} << 2
                                           << "Unknown option 'sharp'." << 0;
        QTest::addRow("no file") << QStringList{"--export", "x.png"} << 2 << "--export takes an OUTPUT and at least one FILE." << 0;
        QTest::addRow("a size beyond the range") << QStringList{"--export", "x.png", "--size", "9000", "ring.rotagraph"} << 2
                                                 << "The size is a whole number of pixels from 16 to 5000." << 0;
        QTest::addRow("an unknown paper") << QStringList{"--export", "x.svg", "--page", "B5", "ring.rotagraph"} << 2
                                          << "The paper “B5” is none of A5, A4, A3, Letter, Legal, Tabloid and Square, nor a WIDTHxHEIGHT in millimetres."
                                          << 0;
        QTest::addRow("a margin below 0") << QStringList{"--export", "x.svg", "--margin", "-3", "ring.rotagraph"} << 2
                                          << "--margin: The margin must be 0 mm or more." << 0;
        QTest::addRow("a margin that is no number") << QStringList{"--export", "x.svg", "--margin", "wide", "ring.rotagraph"}
                                                    << 2 << "--margin takes a number, not “wide”." << 0;
        QTest::addRow("a paper's size cut short") << QStringList{"--export", "x.svg", "--paper", "300x", "ring.rotagraph"} << 2
                                                  << "The paper “300x” is none of" << 0;
        QTest::addRow("a paper too wide") << QStringList{"--export", "x.svg", "--paper", "6000x300", "ring.rotagraph"} << 2
                                          << "--paper: The page width must be more than 0 mm and at most 5000 mm." << 0;
        QTest::addRow("a drawing larger than A4 within its margins")
            << QStringList{"--export", "x.svg", "--drawing-size", "181", "ring.rotagraph"} << 2
            << "--drawing-size: The drawing is larger than the page: with these margins at most 180 mm fits." << 0;
        QTest::addRow("no pen") << QStringList{"--export", "x.svg", "--pen-width", "0", "ring.rotagraph"} << 2
                                << "--pen-width: The pen width must be more than 0 mm." << 0;
        QTest::addRow("a tolerance below 0") << QStringList{"--export", "x.svg", "--tolerance", "-1", "ring.rotagraph"} << 2
                                             << "--tolerance: The simplification tolerance must be 0 mm or more." << 0;
        QTest::addRow("an unknown fill") << QStringList{"--export", "x.svg", "--fill", "dots", "ring.rotagraph"} << 2
                                         << "--fill takes solid, hatch, cross-hatch or none, not “dots”." << 0;
        QTest::addRow("hatching too fine") << QStringList{"--export", "x.svg", "--hatch-spacing", "0.01", "ring.rotagraph"}
                                           << 2 << "--hatch-spacing: The hatch spacing must be at least 0.05 mm." << 0;
        QTest::addRow("an angle that is no number") << QStringList{"--export", "x.svg", "--hatch-angle", "nan", "ring.rotagraph"}
                                                    << 2 << "--hatch-angle takes a number, not “nan”." << 0;
        QTest::addRow("too many gradient pens") << QStringList{"--export", "x.svg", "--gradient-pens", "65", "ring.rotagraph"}
                                                << 2 << "--gradient-pens: The gradient pens must be 0 (one per stop colour) to 64." << 0;
        QTest::addRow("gradient pens that are no number") << QStringList{"--export", "x.svg", "--gradient-pens", "2.5", "ring.rotagraph"}
                                                          << 2 << "--gradient-pens takes a number, not “2.5”." << 0;
        QTest::addRow("no dots to the inch") << QStringList{"--export", "x.png", "--dpi", "0", "ring.rotagraph"} << 2
                                             << "--dpi: The resolution is a whole number of dots per inch from 1 to 10000." << 0;
        QTest::addRow("enlarged and not") << QStringList{"--export", "x.png", "--enlarge", "--no-enlarge", "ring.rotagraph"}
                                          << 2 << "--enlarge and --no-enlarge say opposite things" << 0;
        QTest::addRow("an unknown format") << QStringList{"--export", "x.png", "--format", "gif", "ring.rotagraph"} << 2
                                           << "The format “gif” is none of png, svg and pdf." << 0;
        QTest::addRow("one design into a name without an extension")
            << QStringList{"--export", "./name", "ring.rotagraph"} << 2
            << "“" + path("./name") + "” has no extension and is no folder: say .png, .svg or .pdf, or name a folder" << 0;
        QTest::addRow("an extension it does not write") << QStringList{"--export", "x.jpg", "ring.rotagraph"} << 2
                                                        << "Rotagraph writes .png, .svg and .pdf files, not .jpg." << 0;
        QTest::addRow("a format the extension denies") << QStringList{"--export", "x.png", "--format", "svg", "ring.rotagraph"}
                                                       << 2 << "x.png” says .png, but --format says svg." << 0;
        QTest::addRow("several files into one file") << QStringList{"--export", "x.png", "ring.rotagraph", "rosette.rotagraph"}
                                                     << 2 << "For several files, OUTPUT must be a folder." << 0;
        QTest::addRow("a device as OUTPUT, kept")
            << QStringList{"--export", "null.png", "ring.rotagraph"} << 1
            << "null.png” is not an ordinary file but a device, a pipe or a socket" << 0;
        QTest::addRow("a link to a pipe as OUTPUT, kept")
            << QStringList{"--export", "link-to-pipe.png", "ring.rotagraph"} << 1
            << "pipe.svg”): it is left as it is." << 0;
        QTest::addRow("the design as its own OUTPUT, kept") << QStringList{"--export", "ring.rotagraph", "ring.rotagraph"}
                                                           << 2 << "is the file to draw: drawing it there would lose it." << 0;
        QTest::addRow("a design whose text would not open again")
            << QStringList{"--export", "x.svg", "numbers.rotagraph"} << 1
            << "The design is too large to be written so that it opens again: its text takes 1.26 MiB" << 0;
        QTest::addRow("a file size limit") << QStringList{"--export", "x.png", "--size", "3000", "ring.rotagraph"} << 1
                                           << "“x.png” could not be written.\nFile too large" << 8;
        QTest::addRow("a thumbnail without its OUTPUT") << QStringList{"--thumbnail", "ring.rotagraph"} << 2
                                                        << "--thumbnail takes a FILE and an OUTPUT.png." << 0;
        QTest::addRow("a thumbnail of two files") << QStringList{"--thumbnail", "ring.rotagraph", "rosette.rotagraph", "x.png"}
                                                  << 2 << "--thumbnail takes a FILE and an OUTPUT.png." << 0;
    }

    void saysWhyItCannot()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, says);
        QFETCH(int, fileSizeLimit);
        for (QString& argument : arguments)
            if (argument.contains('.') && !argument.startsWith('-') && argument.contains(QRegularExpression("[a-z]")))
                argument = path(argument);
        const Run run = rotagraph(arguments, fileSizeLimit > 0 ? rlim_t(fileSizeLimit) << 10 : RLIM_INFINITY);
        QCOMPARE(run.status, status);
        QVERIFY2(run.errors.contains(says), qPrintable(run.errors));
        for (const char* unwritten : {"x.png", "x.svg", "x.jpg", "name"})
            QVERIFY2(!QFileInfo::exists(path(unwritten)), unwritten);
        // What it would have written over is as it was.
        QVERIFY(loadDesignFile(path("ring.rotagraph")).design);
        struct stat device {};
        QVERIFY(::stat(qPrintable(path("null.png")), &device) == 0 && S_ISCHR(device.st_mode));
        QVERIFY(::stat(qPrintable(path("pipe.svg")), &device) == 0 && S_ISFIFO(device.st_mode));
    }

    // A mistake is told before any window system is asked for, with a display or without.
    void refusesBeforeAnyWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("says");
        QTest::addRow("an unknown option, no display") << QStringList{"--bogus"} << QString() << "Unknown option 'bogus'.";
        QTest::addRow("an unknown option, a display") << QStringList{"--bogus"} << ":97" << "Unknown option 'bogus'.";
        QTest::addRow("an option without its value, a display") << QStringList{"--export"} << ":97"
                                                                << "Missing value after '--export'.";
    }

    void refusesBeforeAnyWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, display);
        QFETCH(QString, says);
        const Run run = rotagraph(arguments, RLIM_INFINITY, display);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.errors.contains(says), qPrintable(run.errors));
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

    // A picture asked for is made without a window; anything else opens the window, a name after
    // "--" too, whatever it looks like.
    void picturesOnlyWhenAsked_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("picturesOnly");
        QTest::addRow("a design to open") << QStringList{"ring.rotagraph"} << false;
        QTest::addRow("--export") << QStringList{"--export", "x.png", "ring.rotagraph"} << true;
        QTest::addRow("--export=OUTPUT") << QStringList{"--export=x.png", "ring.rotagraph"} << true;
        QTest::addRow("--thumbnail, last") << QStringList{"ring.rotagraph", "x.png", "--thumbnail"} << true;
        QTest::addRow("a file named --export, after --") << QStringList{"--", "--export"} << false;
    }

    void picturesOnlyWhenAsked()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, picturesOnly);
        QCommandLineParser options;
        describeOptions(options);
        QVERIFY(options.parse(QStringList{"rotagraph"} + arguments));
        QCOMPARE(asksForPicturesOnly(options), picturesOnly);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
