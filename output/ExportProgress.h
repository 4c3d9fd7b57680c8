#pragma once

// Long work for an export, done on a worker while the window stays responsive: a progress
// dialog over the window appears when the work takes longer than a moment, and its Cancel
// tells the work to stop.

#include <QString>

#include <atomic>
#include <functional>

class QWidget;

// What the work is given: a flag to look at between pieces, and where to say how far it has come.
struct ExportWork {
    const std::atomic<bool>& cancelled;
    std::atomic<int>& percentDone;
};

// Runs `work` on a worker thread and returns when it is done: false when the user cancelled it.
// Meanwhile the window's events go on, and after kQuietMilliseconds a window-modal progress
// dialog with `label` shows how far the work has come. `work` must not touch widgets.
bool runWithProgress(QWidget* window, const QString& label, const std::function<void(const ExportWork&)>& work);

constexpr int kQuietMilliseconds = 300;
