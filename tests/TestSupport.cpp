#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "view/Rotagraph.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineF>
#include <QMainWindow>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>

#include <sys/fsuid.h>
#include <unistd.h>

namespace {

constexpr int kPollInterval = 10;        // ms between looks for a message box
constexpr int kMountTimeout = 10'000;    // ms
const QString kSmallFileSystemSize = QStringLiteral("size=64k");
constexpr qint64 kFillChunk = 4096;
constexpr int kToolTimeoutMs = 60'000;
constexpr int kInkDarkness = 128;

// A dialog that a test forgot to answer would wait for ever, found only by ctest's time limit.
// Every test program watches for one: a modal dialog still open after this long ends the run
// at once, saying which dialog it was and what it asked.
constexpr int kForgottenDialogMs = 20'000;
constexpr int kDialogWatchInterval = 500;

void watchForForgottenDialogs()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;   // no widgets, no dialogs
    auto* timer = new QTimer(QCoreApplication::instance());
    auto* since = new QElapsedTimer;
    auto* watched = new QPointer<QWidget>;
    QObject::connect(timer, &QTimer::destroyed, [since, watched] {
        delete since;
        delete watched;
    });
    QObject::connect(timer, &QTimer::timeout, [since, watched] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != *watched) {
            *watched = modal;
            since->start();
            return;
        }
        if (!modal || since->elapsed() < kForgottenDialogMs)
            return;
        const auto* box = qobject_cast<QMessageBox*>(modal);
        qFatal("A %s (%s) was left open for %d s, and nothing answered it: %s", modal->metaObject()->className(),
               qPrintable(modal->objectName()), kForgottenDialogMs / 1000,
               qPrintable(box ? box->text() : modal->windowTitle()));
    });
    timer->start(kDialogWatchInterval);
}
Q_COREAPP_STARTUP_FUNCTION(watchForForgottenDialogs)

bool runQuietly(const QString& program, const QStringList& arguments, QString* error = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool ran = process.waitForFinished(kMountTimeout) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (!ran && error)
        *error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed() + process.errorString();
    return ran;
}

}

MessageBoxAnswerer::MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers)
    : m_answers(std::move(answers))
{
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::answer);
    m_timer.start(kPollInterval);
}

void MessageBoxAnswerer::answer()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box || !box->isVisible())
            continue;
        names << box->objectName();
        texts << box->text() + u'\n' + box->informativeText();
        details << box->detailedText();
        QAbstractButton* button = m_answers.isEmpty() ? nullptr : box->button(m_answers.takeFirst());
        if (button)
            button->click();
        else
            box->reject();
    }
}

EventWatcher::EventWatcher(QObject* target, QEvent::Type type, std::function<void()> seen)
    : m_type(type)
    , m_seen(std::move(seen))
{
    target->installEventFilter(this);
}

bool EventWatcher::eventFilter(QObject* /*watched*/, QEvent* event)
{
    if (event->type() == m_type) {
        ++count;
        if (m_seen)
            m_seen();
    }
    return false;
}

void HeldWork::hold(const std::atomic<bool>* cancelled)
{
    constexpr auto kLook = std::chrono::milliseconds(5);
    constexpr auto kLongestHold = std::chrono::seconds(30);
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_arrived;
    const auto until = std::chrono::steady_clock::now() + kLongestHold;
    while (!m_open && m_passes == 0 && !(cancelled && cancelled->load()) && std::chrono::steady_clock::now() < until)
        m_released.wait_for(lock, kLook);
    m_passes = std::max(m_passes - 1, 0);
}

void HeldWork::release()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
    }
    m_released.notify_all();
}

void HeldWork::releaseOne()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        ++m_passes;
    }
    m_released.notify_all();
}

int HeldWork::arrived() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_arrived;
}

namespace {

// Names the settings folder of the earlier run in a later one.
constexpr char kLaterRunVariable[] = "ROTAGRAPH_TEST_EARLIER_SETTINGS";
constexpr int kLaterRunTimeoutMs = 120'000;

QString& settingsFolder()
{
    static QString folder;
    return folder;
}


// Every test program keeps its settings in a folder of its own, so that programs run side by
// side share nothing, and none reads a user's own settings or what an earlier run left.
void useOwnSettings()
{
    static QTemporaryDir folder;
    settingsFolder() = qEnvironmentVariableIsSet(kLaterRunVariable) ? qEnvironmentVariable(kLaterRunVariable) : folder.path();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder());
}
Q_COREAPP_STARTUP_FUNCTION(useOwnSettings)

}

void useFreshSettings()
{
    if (!isLaterRun())
        QSettings().clear();
}

void turnWheel(QWidget* widget, const QPointF& at, const QPoint& angleDelta, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), angleDelta, Qt::NoButton, modifiers, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(widget, &wheel);
}

bool isLaterRun()
{
    return qEnvironmentVariableIsSet(kLaterRunVariable);
}

bool passesInALaterRun(QString* output)
{
    QString function = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag())
        function += u':' + QString::fromLatin1(QTest::currentDataTag());
    QProcess later;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kLaterRunVariable), settingsFolder());
    later.setProcessEnvironment(environment);
    later.setProcessChannelMode(QProcess::MergedChannels);
    later.start(QCoreApplication::applicationFilePath(), {function});
    const bool finished = later.waitForFinished(kLaterRunTimeoutMs);
    *output = QString::fromLocal8Bit(later.readAll());
    if (!finished)
        *output += QStringLiteral("\nthe later run did not finish within %1 s").arg(kLaterRunTimeoutMs / 1000);
    return finished && later.exitStatus() == QProcess::NormalExit && later.exitCode() == 0;
}

void typeInto(QLineEdit* field, const QString& text)
{
    field->clear();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

std::unique_ptr<AppDelegate> startApplication()
{
    useFreshSettings();
    auto app = std::make_unique<AppDelegate>();
    app->applicationDidFinishLaunching();
    app->mainWindow()->show();
    if (!QTest::qWaitForWindowExposed(app->mainWindow()))
        return nullptr;
    return app;
}

CurveParameters curveDesign(float anchor, float runner, float pen, float revolutions)
{
    CurveParameters p;
    p.anchorRadius = anchor;
    p.runnerRadius = runner;
    p.penHoleRadius = pen;
    p.rotationsToMake = revolutions;
    return p;
}

ArtParameters artDesign(float anchor, float runner, float pen, float revolutions)
{
    ArtParameters art;
    art.anchorRadius = anchor;
    art.runnerRadius = runner;
    art.penHoleRadius = pen;
    art.rotationsToMake = revolutions;
    art.penDrawSize = 1;
    art.numberOfColors = 1;
    return art;
}

Composition composedOf(const ArtParameters& art)
{
    ComposedCurve curve;
    curve.art = art;
    return Composition{{curve}};
}

CurveParameters heavyDesign(float revolutions)
{
    return curveDesign(500, 3, 2, revolutions);
}

void setHeavyDesign(Rotagraph& view)
{
    const CurveParameters heavy = heavyDesign();
    view.setAnchorRadius(heavy.anchorRadius);
    view.setRunnerRadius(heavy.runnerRadius);
    view.setPenHoleRadius(heavy.penHoleRadius);
    view.setRotationsToMake(heavy.rotationsToMake);
    view.setPenDrawSize(1);
}

void setDesign(Rotagraph& view, const DrawnDesign& design)
{
    view.setAnchorRadius(design.anchorRadius);
    view.setRunnerRadius(design.runnerRadius);
    view.setPenHoleRadius(design.penHoleRadius);
    view.setRotationsToMake(design.rotations);
    view.setPenDrawSize(design.penWidth);
    view.setPenColor(design.firstPen);
    view.setPen2Color(design.secondPen);
    view.setPen3Color(QColor(0, 153, 51));
    view.setNumberOfColors(design.colors);
    view.setCloseCurve(design.closeCurve);
    view.setFillShape(design.fillShape);
    view.setFillColor(Qt::yellow);
    view.setGreaseIt(design.greaseIt);
    view.setColouring(design.colouring);
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray designOfLongNumbers()
{
    return R"({"format": "rotagraph-design", "version": 2, "minorVersion": 9, "curves": [{"kept": [)"
        + QByteArray("1e9,").repeated(120'000) + "1]}]}";
}

bool writeContents(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.flush();
}

WriteLimit::WriteLimit(rlim_t bytes)
{
    getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = m_saved;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
}

WriteLimit::~WriteLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_savedHandler);
}

namespace {

constexpr uid_t kNobody = 65534;

}

OrdinaryFileAccess::OrdinaryFileAccess()
{
    if (geteuid() != 0)
        return;
    setfsuid(kNobody);
    // Both calls give the file system user before them: a change refused leaves it at root's.
    m_changed = true;
    m_holds = setfsuid(kNobody) == int(kNobody);
}

OrdinaryFileAccess::~OrdinaryFileAccess()
{
    if (m_changed)
        setfsuid(0);
}

SmallFileSystem::SmallFileSystem()
{
    QTemporaryDir folder;
    folder.setAutoRemove(false);
    m_folder = folder.path();
    const QString mount = QStandardPaths::findExecutable(QStringLiteral("mount"));
    if (mount.isEmpty()) {
        m_whyNot = QStringLiteral("there is no mount command");
        return;
    }
    m_mounted = runQuietly(mount, {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                   kSmallFileSystemSize, QStringLiteral("tmpfs"), m_folder},
                           &m_whyNot);
    if (!m_mounted)
        m_whyNot = QStringLiteral("a small tmpfs could not be mounted (%1)").arg(m_whyNot);
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        runQuietly(QStandardPaths::findExecutable(QStringLiteral("umount")), {m_folder});
    QDir(m_folder).removeRecursively();
}

QString SmallFileSystem::path(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

void SmallFileSystem::fill(qint64 leaveFree)
{
    QFile filler(path(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray chunk(kFillChunk, 'x');
    while (filler.write(chunk) > 0) {
    }
    // What is left is less than a chunk: byte by byte.
    while (filler.write("x", 1) == 1) {
    }
    // The room asked for, given back: the file system frees whole pages of what is cut off.
    filler.resize(std::max<qint64>(filler.size() - leaveFree, 0));
}

void runTool(const QString& program, const QStringList& arguments, QByteArray& output)
{
    QProcess process;
    process.start(program, arguments);
    QVERIFY2(process.waitForStarted(kToolTimeoutMs),
             qPrintable(QStringLiteral("%1 did not start (%2); scripts/setup installs poppler-utils")
                            .arg(program, process.errorString())));
    QVERIFY2(process.waitForFinished(kToolTimeoutMs) && process.exitStatus() == QProcess::NormalExit
                 && process.exitCode() == 0,
             qPrintable(program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAllStandardError())));
    output = process.readAllStandardOutput();
}

void readPdfPage(const QString& fileName, const QSizeF& pagePoints, int dpi, QImage& page, QString* info)
{
    QFile file(fileName);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(fileName + QStringLiteral(" was not written")));
    QVERIFY(file.read(4).startsWith("%PDF"));

    QByteArray output;
    runTool(QStringLiteral("pdfinfo"), {fileName}, output);
    if (QTest::currentTestFailed())
        return;
    const QString said = QString::fromUtf8(output);
    if (info)
        *info = said;
    const auto field = [&said](const char* pattern) {
        return QRegularExpression(QLatin1String(pattern), QRegularExpression::MultilineOption).match(said);
    };
    const QRegularExpressionMatch pages = field("^Pages:\\s+(\\d+)");
    const QRegularExpressionMatch size = field("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts");
    QVERIFY2(pages.hasMatch() && size.hasMatch(), qPrintable(said));
    QCOMPARE(pages.captured(1).toInt(), 1);
    // pdfinfo tells a page to six figures: a hundredth of a point (3.5 micrometres) on a page of
    // a few metres.
    constexpr double kToldPoints = 0.01;
    const QSizeF told(size.captured(1).toDouble(), size.captured(2).toDouble());
    QVERIFY2(std::abs(told.width() - pagePoints.width()) <= kToldPoints && std::abs(told.height() - pagePoints.height()) <= kToldPoints,
             qPrintable(QStringLiteral("page %1 × %2 points").arg(told.width()).arg(told.height())));

    // pdfimages lists one image a line, under two lines of headings.
    constexpr int kImageListHeadingLines = 2;
    runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), fileName}, output);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(output.trimmed().split('\n').size(), kImageListHeadingLines);

    // Without antialiasing every pixel is the paper or a colour the design paints: a faint
    // antialiased edge of a coloured line can come out close to grey.
    const QString prefix = QFileInfo(fileName).dir().filePath(QFileInfo(fileName).completeBaseName());
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-aaVector"), QStringLiteral("no"),
             QStringLiteral("-png"), QStringLiteral("-singlefile"), fileName, prefix},
            output);
    if (QTest::currentTestFailed())
        return;
    page = QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!page.isNull(), qPrintable(QStringLiteral("pdftoppm wrote no readable PNG for ") + fileName));
}

QRect paintedBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

int darkness(QRgb pixel)
{
    return 255 - std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
}

bool isInk(QRgb pixel)
{
    return darkness(pixel) >= kInkDarkness;
}

namespace {

bool inkNear(const QImage& image, int x, int y)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.valid(x + dx, y + dy) && isInk(image.pixel(x + dx, y + dy)))
                return true;
    return false;
}

bool sameColour(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

bool isInterior(const QImage& image, int x, int y, int tolerance)
{
    const QRgb centre = image.pixel(x, y);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (!image.valid(x + dx, y + dy) || !sameColour(image.pixel(x + dx, y + dy), centre, tolerance))
                return false;
    return true;
}

}

InkAgreement inkAgreement(const QImage& actual, const QImage& expected, int colourTolerance)
{
    int actualInk = 0, actualMatched = 0, expectedInk = 0, expectedMatched = 0, interior = 0, sameInterior = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            if (isInk(a)) {
                ++actualInk;
                actualMatched += inkNear(expected, x, y) ? 1 : 0;
            }
            if (isInk(e)) {
                ++expectedInk;
                expectedMatched += inkNear(actual, x, y) ? 1 : 0;
            }
            if (isInk(e) && isInterior(expected, x, y, colourTolerance)) {
                ++interior;
                sameInterior += sameColour(a, e, colourTolerance) ? 1 : 0;
            }
        }
    }
    const auto share = [](int part, int whole) { return whole ? double(part) / whole : 0.0; };
    return {share(actualMatched, actualInk), share(expectedMatched, expectedInk), share(sameInterior, interior)};
}

PictureDifference pictureDifference(const QImage& a, const QImage& b)
{
    constexpr int kSizesDiffer = 256;
    PictureDifference difference;
    if (a.size() != b.size()) {
        difference.largest = kSizesDiffer;
        difference.where = QStringLiteral("the sizes differ");
        return difference;
    }
    const QImage first = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage second = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < first.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(first.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(second.constScanLine(y));
        for (int x = 0; x < first.width(); ++x) {
            const int levels = std::max({std::abs(qAlpha(p[x]) - qAlpha(q[x])), std::abs(qRed(p[x]) - qRed(q[x])),
                                         std::abs(qGreen(p[x]) - qGreen(q[x])), std::abs(qBlue(p[x]) - qBlue(q[x]))});
            difference.inkedPixels += qAlpha(p[x]) != 0 || qAlpha(q[x]) != 0;
            difference.pixelsBeyondOne += levels > 1;
            if (levels > difference.largest) {
                difference.largest = levels;
                difference.where = QStringLiteral("%1 levels at (%2, %3): %4 against %5").arg(levels).arg(x).arg(y)
                                       .arg(p[x], 8, 16, QLatin1Char('0')).arg(q[x], 8, 16, QLatin1Char('0'));
            }
        }
    }
    return difference;
}

int windingNumber(const QPolygonF& outline, const QPointF& p)
{
    int winding = 0;
    for (qsizetype i = 0; i < outline.size(); ++i) {
        const QPointF& a = outline.at(i);
        const QPointF& b = outline.at((i + 1) % outline.size());
        const bool fromA = QLineF(a, p).length() <= QLineF(b, p).length();
        const QPointF base = fromA ? a : b;
        const QPointF other = fromA ? b : a;
        const double side = (other.x() - base.x()) * (p.y() - base.y()) - (p.x() - base.x()) * (other.y() - base.y());
        const double leftOfAToB = fromA ? side : -side;
        if (a.y() <= p.y() && b.y() > p.y() && leftOfAToB > 0)
            ++winding;
        else if (a.y() > p.y() && b.y() <= p.y() && leftOfAToB < 0)
            --winding;
    }
    return winding;
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF d = b - a;
    const double lengthSquared = QPointF::dotProduct(d, d);
    const double t = lengthSquared > 0 ? std::clamp(QPointF::dotProduct(p - a, d) / lengthSquared, 0.0, 1.0) : 0.0;
    return QLineF(p, a + t * d).length();
}

QImage shownBy(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QImage supersampledDrawing(QSize size, const std::function<void(QPainter&)>& draw)
{
    constexpr int kSamples = 8;
    constexpr int kPerPixel = kSamples * kSamples;
    QImage samples(size * kSamples, QImage::Format_ARGB32_Premultiplied);
    samples.fill(Qt::transparent);
    {
        QPainter painter(&samples);
        painter.scale(kSamples, kSamples);
        draw(painter);
    }
    QImage averaged(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(averaged.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            int sums[4] = {};
            for (int sy = 0; sy < kSamples; ++sy) {
                const QRgb* row = reinterpret_cast<const QRgb*>(samples.constScanLine(y * kSamples + sy)) + x * kSamples;
                for (int sx = 0; sx < kSamples; ++sx) {
                    sums[0] += qRed(row[sx]);
                    sums[1] += qGreen(row[sx]);
                    sums[2] += qBlue(row[sx]);
                    sums[3] += qAlpha(row[sx]);
                }
            }
            const auto mean = [](int sum) { return (sum + kPerPixel / 2) / kPerPixel; };
            out[x] = qRgba(mean(sums[0]), mean(sums[1]), mean(sums[2]), mean(sums[3]));
        }
    }
    return averaged;
}
