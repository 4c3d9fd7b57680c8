#pragma once

// The on-screen view's pictures, drawn off the main thread so that the window never waits for
// a drawing. The view asks for the picture of what it shows now; a small drawing is made at
// once, in the same frame; a larger one goes to a worker, and until it is done the view shows
// the last finished picture. Only the latest request counts: a drawing that a newer one makes
// stale is told to stop and its picture is never shown. A piece of work that cannot stop (one
// fill) runs out beside the newer drawing, which does not wait for it.

#include "art/ArtParameters.h"
#include "art/DesignPainter.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QSize>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class QThread;

// What the view shows: a design at a scale, centred at a point, on a picture of a size.
struct ScreenRequest {
    ArtParameters art;
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
};

class DrawingScheduler : public QObject
{
    Q_OBJECT

public:
    // Work below this many points drawn (DesignPainter's drawingWork) is drawn at once.
    static constexpr std::size_t kWorkDrawnAtOnce = 40'000;
    // A drawing that takes longer than this says how far it has come.
    static constexpr int kQuietMilliseconds = 200;

    explicit DrawingScheduler(QObject* parent = nullptr);
    // Tells the workers to stop, and waits for them: a picture is never handed to a view that
    // has gone.
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

signals:
    void pictureReady();
    // A drawing is taking a while: how far it has come, in percent.
    void progressed(int percent);

private:
    struct Job;

    // Whether a picture drawn for `drawn` shows what `wanted` asks for.
    static bool canShow(const ScreenRequest& drawn, const ScreenRequest& wanted);
    void start(const ScreenRequest& request);
    void launch(const std::shared_ptr<Job>& job);
    void cancelCurrent();
    void finished(const std::shared_ptr<Job>& job, const QImage& image, const DrawingOutcome& outcome);
    void reportProgress();
    std::unique_ptr<DrawingBuffers> takeBuffers();
    void giveBack(std::unique_ptr<DrawingBuffers> buffers, std::unique_ptr<GrowingStrokes> growing);

    std::vector<QThread*> m_workers;      // running, each for one job
    std::shared_ptr<Job> m_current;
    std::shared_ptr<Job> m_waiting;        // the latest job, when every worker is busy
    std::unique_ptr<ScreenPicture> m_latest;
    std::unique_ptr<DrawingBuffers> m_spareBuffers;
    std::unique_ptr<GrowingStrokes> m_growing;
    QTimer m_progressTimer;
    int m_bands = 1;
};
