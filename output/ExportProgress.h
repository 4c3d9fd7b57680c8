#pragma once

// Long work for an export, done on a worker while the window stays responsive: a progress
// dialog over the window appears when the work takes longer than a moment, and its Cancel
// tells the work to stop. An output of a composition draws its curves one after another, each
// saying how far it has come on its own; the dialog shows the whole, each curve counting as
// much as the work it takes.

#include "art/Composition.h"
#include "art/DesignPainter.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

class QWidget;

// How far work done in parts one after another has come, as one percentage. Work in one part
// says its percent into partDone and is done.
class WorkProgress
{
public:
    // Where the part under way says how far it has come, 0 to 100.
    std::atomic<int> partDone{0};

    // The part under way from now on is `share` of the whole (0 to 1), after `before` of it; its
    // percent starts again from 0.
    void beginPart(double before, double share);
    // How far the whole has come, 0 to 100.
    int percentDone() const;

private:
    // A new part's share and its percent of 0 are seen together, never the new share with the
    // last part's 100.
    mutable std::mutex m_mutex;
    double m_before = 0;
    double m_share = 1;
};

// What stops an output and where it says how far it has come; either may be absent.
struct OutputControl {
    const std::atomic<bool>* cancelled = nullptr;
    WorkProgress* progress = nullptr;

    bool isCancelled() const { return cancelled && cancelled->load(std::memory_order_relaxed); }
    // How a drawing is told to stop, and where it says how far the part under way has come.
    DrawingControl drawing() const;
};

// Runs `work` on a worker thread and returns when it is done: false when the user cancelled it.
// Meanwhile the window's events go on, and after kQuietMilliseconds a window-modal progress
// dialog with `label` shows how far the work has come. `work` must not touch widgets.
bool runWithProgress(QWidget* window, const QString& label, const std::function<void(const OutputControl&)>& work);

constexpr int kQuietMilliseconds = 300;

// Runs on the worker just before each output's work begins; the work waits until it returns.
// Tests hold the work there, so that it is in flight however fast the machine is.
void setWorkStartHook(std::function<void()> hook);

// Draws the visible curves of `composition` first to last, each by `draw` with its position in
// the composition and the control for its drawing, as one part of `control`'s progress as large
// as the work it takes. False as soon as one is not drawn whole (cancelled, or failed); true
// for a composition with nothing to show.
bool drawCurveByCurve(const Composition& composition, const OutputControl& control,
                      const std::function<bool(std::size_t index, const ComposedCurve& curve,
                                               const DrawingControl& part)>& draw);
