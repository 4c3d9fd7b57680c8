#include "output/ExportProgress.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kWholePercent = 100;

std::function<void()>& workStartHook()
{
    static std::function<void()> hook;
    return hook;
}

}

void setWorkStartHook(std::function<void()> hook)
{
    workStartHook() = std::move(hook);
}

void WorkProgress::beginPart(double before, double share)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    partDone.store(0, std::memory_order_relaxed);
    m_before = before;
    m_share = share;
}

int WorkProgress::percentDone() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const double part = std::clamp(partDone.load(std::memory_order_relaxed), 0, kWholePercent);
    const double whole = (m_before + m_share * part / kWholePercent) * kWholePercent;
    return std::clamp(static_cast<int>(std::lround(whole)), 0, kWholePercent);
}

DrawingControl OutputControl::drawing() const
{
    DrawingControl control;
    control.cancelled = cancelled;
    control.percentDone = progress ? &progress->partDone : nullptr;
    return control;
}

bool runWithProgress(QWidget* window, const QString& label, const std::function<void(const OutputControl&)>& work)
{
    std::atomic<bool> cancelled{false};
    WorkProgress done;
    QEventLoop loop;
    // The worker hands the end to this thread's loop; the loop lives until the worker is done.
    const std::function<void()> beforeWork = workStartHook();
    std::unique_ptr<QThread> worker(QThread::create([&] {
        if (beforeWork)
            beforeWork();
        work(OutputControl{&cancelled, &done});
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    }));

    QProgressDialog progress(label, QProgressDialog::tr("Cancel"), 0, kWholePercent, window);
    progress.setObjectName(QStringLiteral("exportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kQuietMilliseconds);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    QObject::connect(&progress, &QProgressDialog::canceled, [&cancelled] { cancelled = true; });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (progress.wasCanceled())   // by its Cancel button, Escape, or cancel()
            cancelled = true;
        else
            progress.setValue(done.percentDone());
    });
    poll.start(kPollMilliseconds);

    worker->start();
    loop.exec();
    worker->wait();
    return !cancelled.load();
}

bool drawCurveByCurve(const Composition& composition, const OutputControl& control,
                      const std::function<bool(std::size_t index, const ComposedCurve& curve,
                                               const DrawingControl& part)>& draw)
{
    // Each curve's share of the progress is its share of the work; a curve that takes none
    // still counts for one point, so that a composition of such curves moves on too.
    std::vector<double> work(composition.curves.size(), 0.0);
    double total = 0;
    for (std::size_t i = 0; i < work.size(); ++i) {
        if (!composition.curves[i].visible)
            continue;
        work[i] = std::max(1.0, static_cast<double>(drawingWork(composition.curves[i].art)));
        total += work[i];
    }
    const DrawingControl part = control.drawing();
    double before = 0;
    for (std::size_t i = 0; i < work.size(); ++i) {
        if (!composition.curves[i].visible)
            continue;
        if (control.progress)
            control.progress->beginPart(before / total, work[i] / total);
        if (control.isCancelled() || !draw(i, composition.curves[i], part))
            return false;
        before += work[i];
    }
    return !control.isCancelled();
}
