#include "app/CommandLineExport.h"
#include "app/DesignFormat.h"
#include "output/FileNames.h"
#include "TestSupport.h"

#include <QImage>
#include <QProcess>
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
// are, and with no file of it allowed to grow beyond `fileSizeLimit` bytes.
Run rotagraph(const QList<QByteArray>& arguments, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
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

Run rotagraph(const QStringList& arguments, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes << argument.toUtf8();
    return rotagraph(bytes, fileSizeLimit);
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
        QTest::addRow("a PDF by the format given") << QStringList{"--export", "plot.out", "--format", "pdf", "ring.rotagraph"}
                                                   << QStringList{"plot.out"} << 0;
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
            if (argument.contains('.') || argument == "pictures" || argument == "both")
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
                                          << "The paper “B5” is none of A5, A4, A3, Letter, Legal, Tabloid and Square." << 0;
        QTest::addRow("an unknown format") << QStringList{"--export", "x.png", "--format", "gif", "ring.rotagraph"} << 2
                                           << "The format “gif” is none of png, svg and pdf." << 0;
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
            if (argument.contains('.') && !argument.startsWith('-'))
                argument = path(argument);
        const Run run = rotagraph(arguments, fileSizeLimit > 0 ? rlim_t(fileSizeLimit) << 10 : RLIM_INFINITY);
        QCOMPARE(run.status, status);
        QVERIFY2(run.errors.contains(says), qPrintable(run.errors));
        QVERIFY(!QFileInfo::exists(path("x.png")) && !QFileInfo::exists(path("x.svg")));
        // What it would have written over is as it was.
        QVERIFY(loadDesignFile(path("ring.rotagraph")).design);
        struct stat device {};
        QVERIFY(::stat(qPrintable(path("null.png")), &device) == 0 && S_ISCHR(device.st_mode));
        QVERIFY(::stat(qPrintable(path("pipe.svg")), &device) == 0 && S_ISFIFO(device.st_mode));
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
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<bool>("picturesOnly");
        QTest::addRow("a design to open") << QByteArrayList{"ring.rotagraph"} << false;
        QTest::addRow("--export") << QByteArrayList{"--export", "x.png", "ring.rotagraph"} << true;
        QTest::addRow("--export=OUTPUT") << QByteArrayList{"--export=x.png", "ring.rotagraph"} << true;
        QTest::addRow("--thumbnail, last") << QByteArrayList{"ring.rotagraph", "x.png", "--thumbnail"} << true;
        QTest::addRow("a file named --export, after --") << QByteArrayList{"--", "--export"} << false;
    }

    void picturesOnlyWhenAsked()
    {
        QFETCH(QByteArrayList, arguments);
        QFETCH(bool, picturesOnly);
        std::vector<char*> argv{const_cast<char*>("rotagraph")};
        for (QByteArray& argument : arguments)
            argv.push_back(argument.data());
        QCOMPARE(asksForPicturesOnly(int(argv.size()), argv.data()), picturesOnly);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
