#include "view/DrawingScheduler.h"

#include "art/DrawingGeometry.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QThread>

#include <atomic>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
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

// How far from the design's centre a curve's drawing can paint, in view units: the pen's reach,
// the wheels when they show, and how far a stroke reaches beyond its points. A turn moves nothing further from the centre.
double paintedExtent(const ArtParameters& art, double scale)
{
    double radius = boundingRadius(art);
    if (art.showAnchor) {
        radius = std::max({radius, double(std::fabs(art.anchorRadius)),
                           double(std::fabs(art.anchorRadius + art.runnerRadius) + std::fabs(art.runnerRadius))});
        if (rollingNestedWheels(art.nested, art.runnerRadius) > 0)
            radius = std::max(radius, WheelTrain::of(art.anchorRadius, art.runnerRadius, art.penHoleRadius,
                                                     art.greaseIt, art.nested).rimReach());
    }
    return radius * scale + strokeReach(art.penDrawSize);
}

// A curve's, its largest copy's reach taken in.
double paintedExtent(const ComposedCurve& curve, double scale)
{
    return paintedExtent(curve.art, scale * curve.scale * largestCopyScale(curve.copies));
}

// The furthest of the visible curves'; not finite when any one's is not.
double paintedExtent(const ScreenRequest& request)
{
    double extent = 0;
    for (const ComposedCurve& curve : request.composition.curves) {
        if (!curve.visible)
            continue;
        const double e = paintedExtent(curve, request.scale);
        if (!std::isfinite(e))
            return e;
        extent = std::max(extent, e);
    }
    return extent;
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

// Whether what was drawn for `drawn`, reaching `extent` from its centre, stands as `wanted` would
// draw it: the same pixels, moved by whole device pixels, as long as nothing of it was cut off
// before or would be now.
bool placesAlike(const ScreenRequest& drawn, const ScreenRequest& wanted, double extent)
{
    if (drawn.scale != wanted.scale || drawn.pixelRatio != wanted.pixelRatio)
        return false;
    if (drawn.pixels == wanted.pixels && drawn.centre == wanted.centre)
        return true;
    const QPointF moved = wanted.centre - drawn.centre;
    return isWholePixels(moved.x(), wanted.pixelRatio) && isWholePixels(moved.y(), wanted.pixelRatio)
        && holdsWhole(drawn.centre, extent, drawn.pixels, drawn.pixelRatio)
        && holdsWhole(wanted.centre, extent, wanted.pixels, wanted.pixelRatio);
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameTrace(const CurveParameters& a, const CurveParameters& b)
{
    return sameBits(a.anchorRadius, b.anchorRadius) && sameBits(a.runnerRadius, b.runnerRadius)
        && sameBits(a.penHoleRadius, b.penHoleRadius) && sameBits(a.rotationsToMake, b.rotationsToMake)
        && sameBits(a.percentToDraw, b.percentToDraw) && a.greaseIt == b.greaseIt
        && a.numberOfColors == b.numberOfColors && a.closeCurve == b.closeCurve && a.pointBudget == b.pointBudget
        && a.precise == b.precise && a.nested == b.nested;
}

// Curve `index` of the request alone, where the request draws it.
ScreenRequest curveAlone(const ScreenRequest& request, std::size_t index)
{
    ScreenRequest alone;
    alone.composition.curves = {request.composition.curves[index]};
    alone.composition.curves.front().name.clear();   // no part of its picture
    alone.scale = request.scale;
    alone.centre = request.centre;
    alone.pixels = request.pixels;
    alone.pixelRatio = request.pixelRatio;
    return alone;
}

QImage transparentPicture(const ScreenRequest& request)
{
    QImage image(request.pixels, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull()) {
        image.setDevicePixelRatio(request.pixelRatio);
        image.fill(Qt::transparent);
    }
    return image;
}

std::vector<std::size_t> shownCurves(const Composition& composition)
{
    std::vector<std::size_t> shown;
    for (std::size_t i = 0; i < composition.curves.size(); ++i)
        if (composition.curves[i].visible)
            shown.push_back(i);
    return shown;
}

// Whether the request's picture is small enough to draw in the same frame: few points in all,
// and few layers to lay over the first.
bool isDrawnAtOnce(const ScreenRequest& request)
{
    const std::vector<CurveParameters> traced = curveParameters(request.composition);
    const std::vector<std::size_t> shown = shownCurves(request.composition);
    std::size_t work = 0;
    for (std::size_t i : shown)
        work += drawingWork(request.composition.curves[i].art, traced[i]);
    const qint64 laid = shown.size() > 1 ? qint64(shown.size() - 1) * request.pixels.width() * request.pixels.height() : 0;
    return work <= DrawingScheduler::kWorkDrawnAtOnce && laid <= DrawingScheduler::kPixelsLaidAtOnce;
}

}

// One curve's picture, alone on a transparent layer, as drawn for `request`.
struct DrawingScheduler::CurveLayer {
    ScreenRequest request;      // the curve alone, and where it was drawn
    CurveParameters traced;     // its trace, with the budget it had
    QImage image;
    DrawingOutcome outcome;
    std::size_t place = 0;      // of the curve in the composition it was drawn for
    std::uint64_t drawnAt = 0;  // the later drawn, the higher

    const ComposedCurve& curve() const { return request.composition.curves.front(); }

    // Whether this shows curve `index` of `wanted`, traced with `parameters`.
    bool shows(const ScreenRequest& wanted, std::size_t index, const CurveParameters& parameters) const
    {
        const ComposedCurve& mine = curve();
        const ComposedCurve& theirs = wanted.composition.curves[index];
        return mine.art == theirs.art && std::memcmp(&mine.turn, &theirs.turn, sizeof mine.turn) == 0
            && mine.copies == theirs.copies && std::memcmp(&mine.scale, &theirs.scale, sizeof mine.scale) == 0
            && theirs.visible && sameTrace(traced, parameters)
            && placesAlike(request, wanted, paintedExtent(theirs, wanted.scale));
    }
};

struct DrawingScheduler::KeptTrace {
    CurveParameters parameters;
    TracedCurve curve;
};

// The first layers of a picture laid over one another: what the next picture with the same
// layers under a new one starts from, as each frame of a slow drawing of a later curve does.
struct DrawingScheduler::LaidLayers {
    std::vector<std::weak_ptr<const CurveLayer>> layers;   // a layer let go of matches nothing
    QImage image;
    QPointF centre;

    bool isUnder(const ScreenRequest& request, const std::vector<std::shared_ptr<const CurveLayer>>& picture) const
    {
        if (image.size() != request.pixels || image.devicePixelRatio() != request.pixelRatio
            || centre != request.centre || layers.size() > picture.size())
            return false;
        for (std::size_t i = 0; i < layers.size(); ++i)
            if (layers[i].lock() != picture[i])
                return false;
        return true;
    }
};

// What one drawing works with.
struct DrawingScheduler::Painting {
    const std::atomic<bool>* cancelled = nullptr;
    Job* job = nullptr;   // whose progress to keep; none for a drawing made at once
    int bands = 1;
    DrawingBuffers* buffers = nullptr;
    GrowingStrokes* growing = nullptr;
};

struct DrawingScheduler::Job {
    ScreenRequest request;   // set before a worker sees the job, read-only after
    std::function<void(const std::atomic<bool>&)> beforeDrawing;   // likewise
    std::atomic<bool> cancelled{false};
    // How far the drawing has come: the layer being painted, and its share of the whole after
    // the share of those painted before it, in percent.
    std::atomic<int> layerPercent{0};
    std::atomic<int> percentBefore{0};
    std::atomic<int> layerShare{100};
    QElapsedTimer started;   // the window's thread's

    int percentDone() const
    {
        return percentBefore.load(std::memory_order_relaxed)
            + layerShare.load(std::memory_order_relaxed) * layerPercent.load(std::memory_order_relaxed) / 100;
    }
};

namespace {

std::function<void(const std::atomic<bool>&)>& drawingStartHook()
{
    static std::function<void(const std::atomic<bool>&)> hook;
    return hook;
}

}

void DrawingScheduler::setDrawingStartHook(std::function<void(const std::atomic<bool>& cancelled)> hook)
{
    drawingStartHook() = std::move(hook);
}

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
    return drawn.composition == wanted.composition && placesAlike(drawn, wanted, paintedExtent(wanted));
}

std::size_t DrawingScheduler::keptLayerCount() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_layers.size();
}

std::size_t DrawingScheduler::keptTraceCount() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_traces.size();
}

const ScreenPicture* DrawingScheduler::pictureFor(const ScreenRequest& request)
{
    if (m_latest && canShow(m_latest->request, request))
        return m_latest.get();
    if (m_current && canShow(m_current->request, request))
        return nullptr;   // on its way
    if (isDrawnAtOnce(request))
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
    std::unique_ptr<GrowingStrokes> growing = takeGrowing();
    Painting painting;
    // A large drawing made here, because it was asked for at once, takes buffers of its own
    // and frees them when it is done, rather than have the small ones hold its memory.
    painting.buffers = isDrawnAtOnce(request) ? &m_ownBuffers : nullptr;
    painting.growing = growing.get();
    std::unique_ptr<ScreenPicture> picture = paint(request, painting);   // never cancelled
    std::unique_ptr<DrawingBuffers> none;
    keep(none, growing);
    m_latest = std::move(picture);
    return *m_latest;
}

std::unique_ptr<ScreenPicture> DrawingScheduler::paint(const ScreenRequest& request, Painting& painting)
{
    auto picture = std::make_unique<ScreenPicture>();
    picture->request = request;
    const std::vector<CurveParameters> traced = curveParameters(request.composition);
    keepOnlyWhatIsUsed(request, traced);
    if (request.pixels.isEmpty())
        return picture;   // no picture: not finished

    const std::vector<ComposedCurve>& curves = request.composition.curves;
    const std::vector<std::size_t> shown = shownCurves(request.composition);
    std::vector<std::shared_ptr<const CurveLayer>> layers(shown.size());
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        for (std::size_t k = 0; k < shown.size(); ++k)
            for (const auto& layer : m_layers)
                if (layer->shows(request, shown[k], traced[shown[k]]))
                    layers[k] = layer;
    }
    // The work of the layers to paint, for the progress; and the curve a slow drawing grows,
    // the last one drawn in part, which strokes only its new stretch on the growing layer.
    std::size_t workToPaint = 0;
    std::optional<std::size_t> growingCurve;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        const ComposedCurve& curve = curves[shown[k]];
        if (!layers[k])
            workToPaint += std::max<std::size_t>(1, drawingWork(curve.art, traced[shown[k]]));
        if (curve.art.percentToDraw < 100)
            growingCurve = shown[k];
    }
    std::size_t workDone = 0;
    std::size_t firstNew = shown.size();
    for (std::size_t k = 0; k < shown.size(); ++k) {
        if (layers[k])
            continue;
        const std::size_t index = shown[k];
        const ComposedCurve& curve = curves[index];
        const std::size_t work = std::max<std::size_t>(1, drawingWork(curve.art, traced[index]));
        if (painting.job) {
            painting.job->layerPercent.store(0, std::memory_order_relaxed);
            painting.job->percentBefore.store(int(100 * double(workDone) / double(workToPaint)), std::memory_order_relaxed);
            painting.job->layerShare.store(int(100 * double(work) / double(workToPaint)), std::memory_order_relaxed);
        }
        bool retraced = false;
        const std::shared_ptr<const KeptTrace> trace = traceOf(traced[index], painting, retraced);
        if (!trace)
            return nullptr;
        if (retraced)
            picture->retracedCurves.push_back(int(index));

        auto layer = std::make_shared<CurveLayer>();
        layer->request = curveAlone(request, index);
        layer->traced = traced[index];
        layer->place = index;
        layer->image = transparentPicture(request);
        if (layer->image.isNull())
            return picture;   // no memory for it: not finished
        DrawingControl control;
        control.cancelled = painting.cancelled;
        control.percentDone = painting.job ? &painting.job->layerPercent : nullptr;
        control.buffers = painting.buffers;
        // A growing layer follows one line: copies are painted whole each time.
        control.growing = growingCurve == index && copyCount(curve) == 1 ? painting.growing : nullptr;
        control.traced = &trace->curve;
        for (int c = 0; c < copyCount(curve); ++c) {
            const ComposedCurve copy = copyOf(curve, c);
            const DrawingOutcome outcome =
                paintDesignInBands(layer->image, copy.art, copy.turning() * request.transform(), painting.bands, control);
            if (!outcome.finished)
                return nullptr;
            if (c == 0)
                layer->outcome = outcome;
        }
        std::shared_ptr<const CurveLayer> replaced;   // freed after the lock
        {
            // It takes the place of the curve's layer drawn for another request.
            const std::lock_guard<std::mutex> lock(m_lock);
            layer->drawnAt = ++m_layersDrawn;
            const auto same = std::find_if(m_layers.begin(), m_layers.end(), [&](const auto& kept) {
                return kept->request.composition == layer->request.composition && sameTrace(kept->traced, layer->traced);
            });
            if (same != m_layers.end())
                replaced = std::exchange(*same, layer);
            else
                m_layers.push_back(layer);
        }
        layers[k] = layer;
        picture->repaintedCurves.push_back(int(index));
        firstNew = std::min(firstNew, k);
        workDone += work;
    }
    picture->outcome.finished = true;
    for (std::size_t k = 0; k < shown.size(); ++k)
        addCurveOutcome(picture->outcome, layers[k]->outcome, int(shown[k]));
    picture->image = laid(request, layers, firstNew);
    if (picture->image.isNull())
        picture->outcome = {};
    return picture;
}

std::shared_ptr<const DrawingScheduler::KeptTrace> DrawingScheduler::traceOf(const CurveParameters& parameters,
                                                                           Painting& painting, bool& traced)
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        for (const auto& kept : m_traces)
            if (sameTrace(kept->parameters, parameters))
                return kept;
    }
    auto kept = std::make_shared<KeptTrace>();
    kept->parameters = parameters;
    if (!traceForDrawing(parameters, kept->curve, painting.cancelled))
        return nullptr;
    traced = true;
    const std::lock_guard<std::mutex> lock(m_lock);
    m_traces.push_back(kept);
    return kept;
}

QImage DrawingScheduler::laid(const ScreenRequest& request, const std::vector<std::shared_ptr<const CurveLayer>>& layers,
                              std::size_t firstNew)
{
    const auto offsetOf = [&request](const CurveLayer& layer) { return request.centre - layer.request.centre; };
    // One layer where it was drawn is the picture.
    if (layers.size() == 1 && offsetOf(*layers.front()).isNull())
        return layers.front()->image;
    std::shared_ptr<const LaidLayers> under;
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        under = m_laidUnder;
    }
    QImage image;
    std::size_t from = 0;
    if (under && under->isUnder(request, layers)) {
        image = under->image.copy();
        from = under->layers.size();
    } else {
        image = transparentPicture(request);
    }
    if (image.isNull())
        return image;
    QPainter painter(&image);
    for (std::size_t k = from; k < layers.size(); ++k) {
        // The layers under the first one painted anew, for the next picture that paints it
        // anew again: unless they are the ones it started from.
        if (k == firstNew && k > from) {
            auto kept = std::make_shared<LaidLayers>();
            kept->layers.assign(layers.begin(), layers.begin() + std::ptrdiff_t(k));
            kept->image = image.copy();
            kept->centre = request.centre;
            std::shared_ptr<const LaidLayers> before = std::move(kept);
            const std::lock_guard<std::mutex> lock(m_lock);
            std::swap(m_laidUnder, before);   // the one before is freed after the lock
        }
        painter.drawImage(offsetOf(*layers[k]), layers[k]->image);
    }
    return image;
}

void DrawingScheduler::keepOnlyWhatIsUsed(const ScreenRequest& request, const std::vector<CurveParameters>& traced)
{
    const std::vector<std::size_t> shown = shownCurves(request.composition);
    std::vector<std::shared_ptr<const CurveLayer>> layers;
    std::vector<std::shared_ptr<const KeptTrace>> traces;
    std::shared_ptr<const LaidLayers> laid;
    const std::lock_guard<std::mutex> lock(m_lock);
    const auto usedLayer = [&](const std::shared_ptr<const CurveLayer>& layer) {
        return std::any_of(shown.begin(), shown.end(), [&](std::size_t i) { return layer->shows(request, i, traced[i]); });
    };
    // A curve hidden now, or shown in part as a slow drawing grows it, may soon show whole
    // again as it was: the last whole layer drawn in its place is held for it, one a place, so
    // that showing it again, or a slow drawing coming to its end, lays it without painting.
    const auto heldLayer = [&](const std::shared_ptr<const CurveLayer>& layer) {
        if (layer->place >= request.composition.curves.size() || layer->curve().art.percentToDraw < 100)
            return false;
        const ComposedCurve& now = request.composition.curves[layer->place];
        if (now.visible && !(now.art.percentToDraw < 100))
            return false;
        const bool latest = std::none_of(m_layers.begin(), m_layers.end(), [&](const auto& other) {
            return other->place == layer->place && other->drawnAt > layer->drawnAt && !(other->curve().art.percentToDraw < 100);
        });
        return latest && placesAlike(layer->request, request, paintedExtent(layer->curve(), request.scale));
    };
    const auto usedTrace = [&](const std::shared_ptr<const KeptTrace>& trace) {
        return std::any_of(shown.begin(), shown.end(), [&](std::size_t i) { return sameTrace(trace->parameters, traced[i]); });
    };
    // Whether each is kept is decided before any is let go of: a held layer is the latest of
    // its place among all of them.
    const auto keepOnly = [](auto& kept, auto& dropped, const auto& keeps) {
        std::vector<bool> keep;
        for (const auto& item : kept)
            keep.push_back(keeps(item));
        std::size_t still = 0;
        for (std::size_t i = 0; i < keep.size(); ++i) {
            if (!keep[i])
                dropped.push_back(std::move(kept[i]));
            else if (still++ != i)
                kept[still - 1] = std::move(kept[i]);
        }
        kept.resize(still);
    };
    keepOnly(m_layers, layers, [&](const auto& layer) { return usedLayer(layer) || heldLayer(layer); });
    keepOnly(m_traces, traces, usedTrace);
    if (m_laidUnder && (m_laidUnder->image.size() != request.pixels || m_laidUnder->centre != request.centre))
        laid = std::move(m_laidUnder);
    // What was let go of is freed here, on the caller's thread, once the lock is released.
}

void DrawingScheduler::start(const ScreenRequest& request)
{
    cancelCurrent();
    auto job = std::make_shared<Job>();
    job->request = request;
    job->beforeDrawing = drawingStartHook();
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
    if (job->beforeDrawing)
        job->beforeDrawing(job->cancelled);
    std::unique_ptr<DrawingBuffers> buffers;
    std::unique_ptr<GrowingStrokes> growing;   // none while another drawing has it: it strokes whole
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        buffers = std::move(m_spareBuffers);
        growing = std::move(m_growing);
    }
    if (!buffers)
        buffers = std::make_unique<DrawingBuffers>();
    Painting painting;
    painting.cancelled = &job->cancelled;
    painting.job = job.get();
    painting.bands = m_bands;
    painting.buffers = buffers.get();
    painting.growing = growing.get();
    std::shared_ptr<ScreenPicture> picture = paint(job->request, painting);
    keep(buffers, growing);
    buffers.reset();   // not kept: freed here rather than on the window's thread
    growing.reset();
    if (!picture || job->cancelled.load(std::memory_order_relaxed))
        return;   // stale: its picture is dropped here, with the rest
    // Handed over in the order the workers finish; finished() keeps only the latest.
    QMetaObject::invokeMethod(
        this, [this, job, picture] { finished(job, std::make_unique<ScreenPicture>(std::move(*picture))); },
        Qt::QueuedConnection);
}

void DrawingScheduler::finished(const std::shared_ptr<Job>& job, std::unique_ptr<ScreenPicture> picture)
{
    if (job != m_current)
        return;   // stale: a newer drawing was asked for after the worker looked
    m_current.reset();
    m_progressTimer.stop();
    if (!picture->outcome.finished)
        return;
    m_latest = std::move(picture);
    emit pictureReady();
}

void DrawingScheduler::reportProgress()
{
    if (m_current && m_current->started.elapsed() >= kQuietMilliseconds)
        emit progressed(m_current->percentDone());
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
