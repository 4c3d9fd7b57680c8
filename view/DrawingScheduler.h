#pragma once

// The on-screen view's pictures, drawn off the main thread so that the window never waits for
// a drawing. The view asks for the picture of what it shows now; a small drawing is made at
// once, in the same frame; a larger one goes to a worker, and until it is done the view shows
// the last finished picture. Only the latest request counts: a drawing that a newer one makes
// stale is told to stop and its picture is never shown. A piece of work that cannot stop (one
// fill) runs out beside the newer drawing, which does not wait for it.
//
// A picture is made of many curves. Each keeps its own trace and its own layer, a picture of it
// alone, and the picture is those layers laid over one another, first to last: a change of one
// curve traces and paints that curve again and lays the others as they are. A slow drawing,
// which grows one curve frame by frame, strokes only that curve's new stretch.
//
// The window's thread does the same small work for every picture, however large the design:
// it hands a request over and takes a finished picture back. The workers live as long as the
// scheduler, so no thread is started or joined per drawing, and what a drawing leaves behind
// (traces, tens of megabytes at the point budget, and layers) is kept or freed by the worker
// that drew. Only what the latest picture can use is kept: a trace and a layer per curve it
// shows, and the last whole layer of a curve it hides or shows in part, to show it again.

#include "art/ArtParameters.h"
#include "art/Composition.h"
#include "art/DesignPainter.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QSize>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// What the view shows: its curves at a scale, centred at a point, on a picture of a size.
struct ScreenRequest {
    // The curves as the screen draws them, each in its place: one that is not drawn is hidden,
    // and a curve shows its wheels only where it is the one selected.
    Composition composition;
    double scale = 1;
    QPointF centre;          // of the design, in the view's coordinates, on a whole device pixel
    QSize pixels;            // of the picture
    qreal pixelRatio = 1;

    QTransform transform() const { return QTransform(scale, 0, 0, -scale, centre.x(), centre.y()); }
};

struct ScreenPicture {
    QImage image;
    ScreenRequest request;
    DrawingOutcome outcome;
    // The curves, by their places, whose layers this picture painted anew, and those of them
    // that it traced anew: every other curve shown came from what was kept.
    std::vector<int> repaintedCurves;
    std::vector<int> retracedCurves;
};

class DrawingScheduler : public QObject
{
    Q_OBJECT

public:
    // Work below this many points drawn (DesignPainter's drawingWork) is drawn at once.
    static constexpr std::size_t kWorkDrawnAtOnce = 40'000;
    // Laying layers over one another at once may take this many pixels at most, beyond the
    // first layer's: a few milliseconds.
    static constexpr qint64 kPixelsLaidAtOnce = 2'000'000;
    // A drawing that takes longer than this says how far it has come.
    static constexpr int kQuietMilliseconds = 200;

    explicit DrawingScheduler(QObject* parent = nullptr);
    // Tells the workers to stop, and waits for them: a picture is never handed to a view that
    // has gone. The one waited for longest is a piece of work that cannot stop.
    ~DrawingScheduler() override;

    // The picture of the request, when one is finished or the work is small enough to do now.
    // Otherwise the request goes to a worker, pictureReady follows when it is done, and null is
    // returned: the caller shows latest() meanwhile.
    const ScreenPicture* pictureFor(const ScreenRequest& request);
    // The picture of the request, drawn now on this thread if need be.
    const ScreenPicture& finish(const ScreenRequest& request);
    // The last finished picture, of whatever request; null before the first.
    const ScreenPicture* latest() const { return m_latest.get(); }
    // Whether a worker is drawing the latest request.
    bool isDrawing() const { return m_current != nullptr; }
    // How many curve layers and traces are kept for the pictures to come.
    std::size_t keptLayerCount() const;
    std::size_t keptTraceCount() const;

    // Runs on the worker just before each drawing begins, with the flag that tells it to stop;
    // the drawing waits until it returns. Tests hold a drawing there, so that it is in flight
    // however fast the machine is. Set it while no drawing is asked for.
    static void setDrawingStartHook(std::function<void(const std::atomic<bool>& cancelled)> hook);

signals:
    void pictureReady();
    // A drawing is taking a while: how far it has come, in percent.
    void progressed(int percent);

private:
    struct Job;
    struct CurveLayer;
    struct KeptTrace;
    struct LaidLayers;
    struct Painting;

    // Whether a picture drawn for `drawn` shows what `wanted` asks for.
    static bool canShow(const ScreenRequest& drawn, const ScreenRequest& wanted);
    void start(const ScreenRequest& request);
    void cancelCurrent();
    // A worker's life: it takes the waiting job, draws it, and waits for the next.
    void work();
    void draw(const std::shared_ptr<Job>& job);
    // Draws the request's picture from the layers kept and those it paints anew; null when
    // cancelled.
    std::unique_ptr<ScreenPicture> paint(const ScreenRequest& request, Painting& painting);
    std::shared_ptr<const KeptTrace> traceOf(const CurveParameters& parameters, Painting& painting, bool& traced);
    QImage laid(const ScreenRequest& request, const std::vector<std::shared_ptr<const CurveLayer>>& layers,
                std::size_t firstNew);
    // Lets go of the layers and traces that the request cannot use; they are freed by the caller.
    void keepOnlyWhatIsUsed(const ScreenRequest& request, const std::vector<CurveParameters>& traced);
    void finished(const std::shared_ptr<Job>& job, std::unique_ptr<ScreenPicture> picture);
    void reportProgress();
    std::unique_ptr<GrowingStrokes> takeGrowing();
    // One set of each is kept for the next drawing; more would only hold memory. What is not
    // kept is freed by the caller, after the lock: on the worker that drew with it.
    void keep(std::unique_ptr<DrawingBuffers>& buffers, std::unique_ptr<GrowingStrokes>& growing);

    // Shared with the workers, under m_lock.
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<std::thread> m_workers;
    std::size_t m_idleWorkers = 0;
    bool m_stopping = false;
    std::shared_ptr<Job> m_waiting;        // the latest job, until a worker takes it
    std::unique_ptr<DrawingBuffers> m_spareBuffers;
    std::unique_ptr<GrowingStrokes> m_growing;
    // One for each curve shown, and one held for each curve hidden or shown in part.
    std::vector<std::shared_ptr<const CurveLayer>> m_layers;
    std::uint64_t m_layersDrawn = 0;
    std::vector<std::shared_ptr<const KeptTrace>> m_traces;
    std::shared_ptr<const LaidLayers> m_laidUnder;   // the layers under the last one painted anew

    // The window's thread's own.
    std::shared_ptr<Job> m_current;
    std::unique_ptr<ScreenPicture> m_latest;
    DrawingBuffers m_ownBuffers;           // for the small drawings made at once
    QTimer m_progressTimer;
    int m_bands = 1;
};
