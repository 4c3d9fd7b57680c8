#include "art/DrawingScheduler.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <utility>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

constexpr int kProgressInterval = 100;   // ms between reports of a long drawing's progress
// One worker draws the latest request; two more let drawings that cannot stop at once (a fill)
// run out beside it without holding it up. Beyond that the latest waits for one to end.
constexpr std::size_t kWorkers = 3;

// How much less of a processor a worker asks for than the window's own thread (a nice value):
// when drawings keep every processor busy, the window still answers at once.
constexpr int kWorkerNiceness = 5;

// Makes the calling thread, and the threads it starts, yield to the window's thread.
void yieldToTheWindow()
{
#if defined(Q_OS_LINUX)
    static thread_local bool yielded = false;
    if (yielded)
        return;
    yielded = true;
    const int processNiceness = getpriority(PRIO_PROCESS, 0);
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), processNiceness + kWorkerNiceness);
#endif
}

// How far from the design's centre its drawing can paint, in view units: the pen's reach, the
// wheels when they show, and the pen's width.
double paintedExtent(const ScreenRequest& request)
{
    const ArtParameters& art = request.art;
    double radius = boundingRadius(art);
    if (art.showAnchor) {
        radius = std::max({radius, double(std::fabs(art.anchorRadius)),
                           double(std::fabs(art.anchorRadius + art.runnerRadius) + std::fabs(art.runnerRadius))});
    }
    const double pen = std::isfinite(art.penDrawSize) ? std::max(0.0f, art.penDrawSize) : 0.0;
    return radius * request.scale + pen / 2 * kMiterLimit + 1;
}

bool holdsWhole(const QPointF& centre, double extent, const QSize& pixels, qreal pixelRatio)
{
    const QRectF picture(QPointF(), QSizeF(pixels) / pixelRatio);
    return std::isfinite(extent) && picture.contains(QRectF(centre - QPointF(extent, extent), QSizeF(2 * extent, 2 * extent)));
}

bool isWholePixels(qreal distance, qreal pixelRatio)
{
    const qreal pixels = distance * pixelRatio;
    return pixels == std::round(pixels);
}

}

struct DrawingScheduler::Job {
    ScreenRequest request;
    std::atomic<bool> cancelled{false};
    std::atomic<int> percentDone{0};
    QElapsedTimer started;
    // Lent to the worker while it draws; handed back on the main thread when it is done.
    std::unique_ptr<DrawingBuffers> buffers;
    std::unique_ptr<GrowingStrokes> growing;
    QThread* worker = nullptr;
};

DrawingScheduler::DrawingScheduler(QObject* parent)
    : QObject(parent)
    , m_growing(std::make_unique<GrowingStrokes>())
    , m_bands(std::max(1, QThread::idealThreadCount()))
{
    m_progressTimer.setInterval(kProgressInterval);
    connect(&m_progressTimer, &QTimer::timeout, this, &DrawingScheduler::reportProgress);
}

DrawingScheduler::~DrawingScheduler()
{
    cancelCurrent();
    for (QThread* worker : m_workers) {
        worker->wait();
        delete worker;
    }
}

bool DrawingScheduler::canShow(const ScreenRequest& drawn, const ScreenRequest& wanted)
{
    if (drawn.art != wanted.art || drawn.scale != wanted.scale || drawn.pixelRatio != wanted.pixelRatio)
        return false;
    if (drawn.pixels == wanted.pixels && drawn.centre == wanted.centre)
        return true;
    // The same drawing elsewhere in a picture of another size: the same pixels, moved by whole
    // device pixels, as long as nothing of it was cut off before or would be now.
    const QPointF moved = wanted.centre - drawn.centre;
    const double extent = paintedExtent(wanted);
    return isWholePixels(moved.x(), wanted.pixelRatio) && isWholePixels(moved.y(), wanted.pixelRatio)
        && holdsWhole(drawn.centre, extent, drawn.pixels, drawn.pixelRatio)
        && holdsWhole(wanted.centre, extent, wanted.pixels, wanted.pixelRatio);
}

const ScreenPicture* DrawingScheduler::pictureFor(const ScreenRequest& request)
{
    if (m_latest && canShow(m_latest->request, request))
        return m_latest.get();
    if (m_current && canShow(m_current->request, request))
        return nullptr;   // on its way
    if (drawingWork(request.art) <= kWorkDrawnAtOnce)
        return &finish(request);
    start(request);
    return nullptr;
}

const ScreenPicture& DrawingScheduler::finish(const ScreenRequest& request)
{
    if (m_latest && canShow(m_latest->request, request))
        return *m_latest;
    // What is drawn here is the latest picture: a worker's would come after it and be older.
    cancelCurrent();
    auto picture = std::make_unique<ScreenPicture>();
    picture->request = request;
    picture->image = QImage(request.pixels, QImage::Format_ARGB32_Premultiplied);
    std::unique_ptr<DrawingBuffers> buffers = takeBuffers();
    if (!picture->image.isNull()) {
        picture->image.setDevicePixelRatio(request.pixelRatio);
        picture->image.fill(Qt::transparent);
        DrawingControl control;
        control.buffers = buffers.get();
        control.growing = m_growing.get();
        picture->outcome = paintDesignInBands(picture->image, request.art, request.transform(), 1, control);
    }
    giveBack(std::move(buffers), nullptr);
    m_latest = std::move(picture);
    return *m_latest;
}

void DrawingScheduler::start(const ScreenRequest& request)
{
    cancelCurrent();
    auto job = std::make_shared<Job>();
    job->request = request;
    job->started.start();
    m_current = job;
    m_progressTimer.start();
    if (m_workers.size() < kWorkers)
        launch(job);
    else
        m_waiting = job;
}

void DrawingScheduler::launch(const std::shared_ptr<Job>& job)
{
    job->buffers = takeBuffers();
    job->growing = std::move(m_growing);   // none while another drawing has it: it strokes whole
    const int bands = m_bands;
    // A thread of its own for each drawing: what it is handed is all there before it starts.
    QThread* worker = QThread::create([this, job, bands] {
        yieldToTheWindow();
        QImage image(job->request.pixels, QImage::Format_ARGB32_Premultiplied);
        DrawingOutcome outcome;
        if (!image.isNull()) {
            image.setDevicePixelRatio(job->request.pixelRatio);
            image.fill(Qt::transparent);
            DrawingControl control;
            control.cancelled = &job->cancelled;
            control.percentDone = &job->percentDone;
            control.buffers = job->buffers.get();
            control.growing = job->growing.get();
            outcome = paintDesignInBands(image, job->request.art, job->request.transform(), bands, control);
        }
        // Handed over in the order the workers finish; finished() keeps only the latest.
        QMetaObject::invokeMethod(
            this, [this, job, image, outcome] { finished(job, image, outcome); }, Qt::QueuedConnection);
    });
    job->worker = worker;
    m_workers.push_back(worker);
    worker->start();
}

void DrawingScheduler::cancelCurrent()
{
    if (m_current)
        m_current->cancelled.store(true, std::memory_order_relaxed);
    m_current.reset();
    m_waiting.reset();
    m_progressTimer.stop();
}

void DrawingScheduler::finished(const std::shared_ptr<Job>& job, const QImage& image, const DrawingOutcome& outcome)
{
    giveBack(std::move(job->buffers), std::move(job->growing));
    job->worker->wait();
    m_workers.erase(std::find(m_workers.begin(), m_workers.end(), job->worker));
    delete job->worker;
    if (m_waiting)
        launch(std::exchange(m_waiting, nullptr));
    if (job != m_current)
        return;   // stale: a newer drawing was asked for
    m_current.reset();
    m_progressTimer.stop();
    if (!outcome.finished)
        return;
    m_latest = std::make_unique<ScreenPicture>(ScreenPicture{image, job->request, outcome});
    emit pictureReady();
}

void DrawingScheduler::reportProgress()
{
    if (m_current && m_current->started.elapsed() >= kQuietMilliseconds)
        emit progressed(m_current->percentDone.load(std::memory_order_relaxed));
}

std::unique_ptr<DrawingBuffers> DrawingScheduler::takeBuffers()
{
    return m_spareBuffers ? std::move(m_spareBuffers) : std::make_unique<DrawingBuffers>();
}

void DrawingScheduler::giveBack(std::unique_ptr<DrawingBuffers> buffers, std::unique_ptr<GrowingStrokes> growing)
{
    // One set is kept for the next drawing; more would only hold memory.
    if (!m_spareBuffers)
        m_spareBuffers = std::move(buffers);
    if (!m_growing)
        m_growing = std::move(growing);
}
