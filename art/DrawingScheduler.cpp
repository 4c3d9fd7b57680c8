#include "art/DrawingScheduler.h"

#include <QElapsedTimer>
#include <QThread>

#include <atomic>

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
    ScreenRequest request;   // set before a worker sees the job, read-only after
    std::atomic<bool> cancelled{false};
    std::atomic<int> percentDone{0};
    QElapsedTimer started;   // the window's thread's
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
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
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
    std::unique_ptr<GrowingStrokes> growing = takeGrowing();
    if (!picture->image.isNull()) {
        picture->image.setDevicePixelRatio(request.pixelRatio);
        picture->image.fill(Qt::transparent);
        DrawingControl control;
        // A large drawing made here, because it was asked for at once, takes buffers of its own
        // and frees them when it is done, rather than have the small ones hold its memory.
        control.buffers = drawingWork(request.art) <= kWorkDrawnAtOnce ? &m_ownBuffers : nullptr;
        control.growing = growing.get();
        picture->outcome = paintDesignInBands(picture->image, request.art, request.transform(), 1, control);
    }
    std::unique_ptr<DrawingBuffers> none;
    keep(none, growing);
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
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_waiting = job;
        // When every worker is busy and there are as many as may be, the job waits for one.
        if (m_idleWorkers == 0 && m_workers.size() < kWorkers)
            m_workers.emplace_back([this] { work(); });
    }
    m_wake.notify_one();
}

void DrawingScheduler::cancelCurrent()
{
    if (m_current)
        m_current->cancelled.store(true, std::memory_order_relaxed);
    m_current.reset();
    m_progressTimer.stop();
    const std::lock_guard<std::mutex> lock(m_lock);
    m_waiting.reset();
}

void DrawingScheduler::work()
{
    yieldToTheWindow();
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        ++m_idleWorkers;
        m_wake.wait(lock, [this] { return m_stopping || m_waiting; });
        --m_idleWorkers;
        if (m_stopping)
            return;
        const std::shared_ptr<Job> job = std::move(m_waiting);
        lock.unlock();
        draw(job);
        lock.lock();
    }
}

void DrawingScheduler::draw(const std::shared_ptr<Job>& job)
{
    std::unique_ptr<DrawingBuffers> buffers;
    std::unique_ptr<GrowingStrokes> growing;   // none while another drawing has it: it strokes whole
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        buffers = std::move(m_spareBuffers);
        growing = std::move(m_growing);
    }
    if (!buffers)
        buffers = std::make_unique<DrawingBuffers>();
    QImage image(job->request.pixels, QImage::Format_ARGB32_Premultiplied);
    DrawingOutcome outcome;
    if (!image.isNull()) {
        image.setDevicePixelRatio(job->request.pixelRatio);
        image.fill(Qt::transparent);
        DrawingControl control;
        control.cancelled = &job->cancelled;
        control.percentDone = &job->percentDone;
        control.buffers = buffers.get();
        control.growing = growing.get();
        outcome = paintDesignInBands(image, job->request.art, job->request.transform(), m_bands, control);
    }
    keep(buffers, growing);
    buffers.reset();   // not kept: freed here rather than on the window's thread
    growing.reset();
    if (job->cancelled.load(std::memory_order_relaxed))
        return;   // stale: its picture is dropped here, with the rest
    // Handed over in the order the workers finish; finished() keeps only the latest.
    QMetaObject::invokeMethod(
        this, [this, job, image = std::move(image), outcome] { finished(job, image, outcome); },
        Qt::QueuedConnection);
}

void DrawingScheduler::finished(const std::shared_ptr<Job>& job, const QImage& image, const DrawingOutcome& outcome)
{
    if (job != m_current)
        return;   // stale: a newer drawing was asked for after the worker looked
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

std::unique_ptr<GrowingStrokes> DrawingScheduler::takeGrowing()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return std::move(m_growing);
}

void DrawingScheduler::keep(std::unique_ptr<DrawingBuffers>& buffers, std::unique_ptr<GrowingStrokes>& growing)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (!m_spareBuffers)
        m_spareBuffers = std::move(buffers);
    if (!m_growing)
        m_growing = std::move(growing);
}
