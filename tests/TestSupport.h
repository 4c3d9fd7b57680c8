#pragma once

// What several test programs share: the application started, the designs the tests draw,
// holding work on its worker until a test lets it go, answering message boxes, reading and
// writing whole files, making writes fail for real (a file size limit, a full file system),
// reading a PDF back with poppler's tools, and comparing two drawings pixel by pixel.

#include "art/ArtParameters.h"
#include "art/Composition.h"
#include "art/CurveTrace.h"

#include <QByteArray>
#include <QColor>
#include <QEvent>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QPolygonF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <sys/resource.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class AppDelegate;
class QPainter;
class Rotagraph;

// The application as a user starts it, this program's settings emptied first: the default
// design, its window shown and exposed. Null when the window never shows.
std::unique_ptr<AppDelegate> startApplication();

// A curve: the anchor's, the runner's (below 0: inside) and the pen hole's radii, and the
// revolutions it makes.
CurveParameters curveDesign(float anchor, float runner, float pen, float revolutions);
// The same as the art view holds it, one pen of width 1.
ArtParameters artDesign(float anchor, float runner, float pen, float revolutions);
// A composition of this one curve, unnamed, as a window of one curve hands it to an output.
Composition composedOf(const ArtParameters& art);
// The heavy design the tests share: an anchor 100+ times its runner takes the smallest step,
// 375,308 points in 60 revolutions.
CurveParameters heavyDesign(float revolutions = 60);
// The view's design made the heavy one, with a pen 1 wide: megabytes of SVG, PDF or printout.
void setHeavyDesign(Rotagraph& view);

// One curve as the view holds it, for the tests that export and print it.
struct DrawnDesign {
    float anchorRadius = 160, runnerRadius = 72, penHoleRadius = 53, rotations = 9;
    float penWidth = 3;   // pixels of the PNG export
    int32_t colors = 1;
    bool closeCurve = false, fillShape = false, greaseIt = false;
    QColor secondPen = QColor(0, 102, 204);
    QColor firstPen = Qt::red;
    CurveColouring colouring = {};
};
Q_DECLARE_METATYPE(DrawnDesign)
// The third pen green, the fill yellow.
void setDesign(Rotagraph& view, const DrawnDesign& design);

// Answers the message boxes that open while it lives, in order, and keeps what each said. A box
// beyond the given answers is cancelled; it still shows up in `names`.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers = {});

    QStringList names;   // object names, in the order the boxes opened
    QStringList texts;   // text and informative text of each
    QStringList details;   // the detailed text of each, empty for none

private:
    void answer();

    QList<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
};

// How long a test waits for work on another thread, or for the window to answer: long, since
// a loaded machine may slow either by any amount. A test that passes waits only as long as the
// work takes.
constexpr int kPatienceMs = 60'000;

// Counts the events of a type that reach an object while it lives, and calls `seen`, when
// given, for each before the object handles it.
class EventWatcher : public QObject
{
public:
    EventWatcher(QObject* target, QEvent::Type type, std::function<void()> seen = {});
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QEvent::Type m_type;
    std::function<void()> m_seen;
};

// Holds work on its worker, at a hook, until the test releases it: the work is in flight
// however fast the machine. Work told to stop while held goes on at once, to stop; work held
// past a while is let go, so that a test that never releases it fails rather than hangs.
class HeldWork
{
public:
    // Called on the worker; waits.
    void hold(const std::atomic<bool>* cancelled = nullptr);
    // Lets every held piece of work go on, and every later one pass.
    void release();
    // Lets one piece of work go on: the one held, or the next to come.
    void releaseOne();
    // How many pieces of work have come to the hold.
    int arrived() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_open = false;
    int m_passes = 0;
    int m_arrived = 0;
};

// Every test program keeps its settings in a folder of its own, empty when it starts (in a
// later run, below, the earlier run's folder as it left it). This empties it again, so that a
// test function reads nothing that an earlier one left.
void useFreshSettings();

// One turn of a wheel over a widget, as the pointer stands at `at`: `angleDelta` in eighths of a
// degree (120 a notch; y up and down, x sideways), with the keys held.
void turnWheel(QWidget* widget, const QPointF& at, const QPoint& angleDelta, Qt::KeyboardModifiers modifiers = {});

// The user's next run of the application: this test program started anew for the current test
// function and data row, with this run's settings folder (see useFreshSettings). In that run
// `isLaterRun` is true, and the test checks what the next run finds. True when it passed; what
// it printed otherwise goes to `output`.
bool passesInALaterRun(QString* output);
bool isLaterRun();

// What a widget shows now, on a transparent image of its size, without waiting for anything.
QImage shownBy(QWidget& widget);

// A control that has no object name, by what it is called to a screen reader; null when none is.
template <typename T>
T* controlCalled(const QObject& root, const QString& accessibleName)
{
    for (T* control : root.findChildren<T*>())
        if (control->accessibleName() == accessibleName)
            return control;
    return nullptr;
}

// Replaces a field's text by typing, then commits it with Return, as a user does.
void typeInto(QLineEdit* field, const QString& text);

QByteArray contentsOf(const QString& path);
bool writeContents(const QString& path, const QByteArray& contents);

// A design file of 480 KB that opens, but whose text, written, takes 1.26 MiB, past what opens:
// the 120,001 numbers its curve keeps for a newer version, each "1e9", are written out in full.
QByteArray designOfLongNumbers();

// While it lives, no file of this process may grow beyond `bytes`: a write past them fails (the
// signal that would end the process is ignored).
class WriteLimit
{
public:
    explicit WriteLimit(rlim_t bytes);
    ~WriteLimit();
    WriteLimit(const WriteLimit&) = delete;
    WriteLimit& operator=(const WriteLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

// While it lives, this thread's file accesses are checked as an ordinary user's are: root passes
// every permission check, so a test of a denied one needs it. For root it changes the thread's
// file system user (which drops root's file capabilities until it is changed back); for anyone
// else there is nothing to change. `holds` tells whether it could be arranged.
class OrdinaryFileAccess
{
public:
    OrdinaryFileAccess();
    ~OrdinaryFileAccess();
    OrdinaryFileAccess(const OrdinaryFileAccess&) = delete;
    OrdinaryFileAccess& operator=(const OrdinaryFileAccess&) = delete;

    bool holds() const { return m_holds; }

private:
    bool m_holds = true;
    bool m_changed = false;
};

// A small file system of its own, mounted on a new folder, that can be filled to the last byte.
// Mounting needs the right to mount (root, outside a locked-down container): `isMounted` tells.
class SmallFileSystem
{
public:
    SmallFileSystem();
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNotMounted() const { return m_whyNot; }
    QString path(const QString& name) const;
    // Writes a file that takes every byte left but `leaveFree`: with some room left, a large
    // write fails part way.
    void fill(qint64 leaveFree = 0);

private:
    QString m_folder;
    bool m_mounted = false;
    QString m_whyNot;
};

// Runs a command-line tool (poppler's are on the install list, scripts/setup) and gives its
// standard output. A missing or failing tool fails the current test.
void runTool(const QString& program, const QStringList& arguments, QByteArray& output);

// Checks that a file is a PDF of one page of `pagePoints`, drawn in vectors (it holds no
// bitmap), and rasterises that page at `dpi` without antialiasing, on white. `info`, when given,
// receives what pdfinfo says of the file.
void readPdfPage(const QString& fileName, const QSizeF& pagePoints, int dpi, QImage& page,
                 QString* info = nullptr);

// Darkness is 255 less the darkest channel: 255 for any saturated pen or fill colour on white.
int darkness(QRgb pixel);
// At least half covered.
bool isInk(QRgb pixel);

// The smallest rectangle that holds every pixel not wholly transparent.
QRect paintedBounds(const QImage& image);

// How far a drawing on white agrees with the one expected, of the same size.
struct InkAgreement {
    double actualNearExpected = 0;   // share of the actual ink with expected ink within a pixel
    double expectedNearActual = 0;   // share of the expected ink with actual ink within a pixel
    double colour = 0;               // share of the expected ink's interior shown in its colour
};
// Interior pixels are those amid others of their own colour, off the antialiased edges; colours
// count as the same within `colourTolerance` on each channel (0: exactly).
InkAgreement inkAgreement(const QImage& actual, const QImage& expected, int colourTolerance);

// How far apart two pictures of the same size are, channel by channel, as stored (premultiplied).
struct PictureDifference {
    int largest = 0;           // levels, of any channel of any pixel; 256 when the sizes differ
    int pixelsBeyondOne = 0;   // pixels with a channel more than one level apart
    int inkedPixels = 0;       // pixels of either that are not wholly transparent
    QString where;             // where the largest difference lies
};
PictureDifference pictureDifference(const QImage& a, const QImage& b);

// What an antialiased drawing should look like: `draw` paints a picture of `size` in its pixel
// coordinates, but without antialiasing at 8 × 8 samples a pixel, and each pixel of the result
// (premultiplied, on transparent) is the average of its samples.
QImage supersampledDrawing(QSize size, const std::function<void(QPainter&)>& draw);

// How often a closed outline (its last point joins its first) winds round a point. Each edge is
// measured from its end nearer the point: QPolygonF::containsPoint measures from the edge's
// first end, which leaves no precision near the point when that end lies 1e30 away.
int windingNumber(const QPolygonF& outline, const QPointF& p);

// How far `p` lies from the segment from `a` to `b`.
double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b);
