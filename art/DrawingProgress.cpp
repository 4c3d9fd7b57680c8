#include "art/DrawingProgress.h"

#include <algorithm>

bool isCancelled(const DrawingControl& control)
{
    return control.cancelled && control.cancelled->load(std::memory_order_relaxed);
}

void reportPercent(const DrawingControl& control, int percent)
{
    if (control.percentDone)
        control.percentDone->store(percent, std::memory_order_relaxed);
}

StrokeProgress::StrokeProgress(const DrawingControl& control, std::size_t total, int startPercent)
    : m_control(control), m_total(std::max<std::size_t>(total, 1)), m_start(startPercent)
{
}

void StrokeProgress::add(std::size_t points)
{
    const std::size_t done = m_done.fetch_add(points, std::memory_order_relaxed) + points;
    reportPercent(m_control, m_start + int(double(kWholePercent - m_start) * double(std::min(done, m_total)) / double(m_total)));
}
