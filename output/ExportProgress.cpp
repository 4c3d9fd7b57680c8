#include "output/ExportProgress.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kWholePercent = 100;

}

bool runWithProgress(QWidget* window, const QString& label, const std::function<void(const ExportWork&)>& work)
{
    std::atomic<bool> cancelled{false};
    std::atomic<int> percentDone{0};
    QEventLoop loop;
    // The worker hands the end to this thread's loop; the loop lives until the worker is done.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        work(ExportWork{cancelled, percentDone});
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
            progress.setValue(percentDone.load());
    });
    poll.start(kPollMilliseconds);

    worker->start();
    loop.exec();
    worker->wait();
    return !cancelled.load();
}
