#pragma once

// How far a drawing has come, and whether it is still wanted: what every stage of a drawing
// reads from and reports to its DrawingControl, from whichever thread paints.

#include "art/DesignPainter.h"

#include <atomic>
#include <cstddef>

// The share of a drawing's time that tracing, and filling when there is a fill, take: what the
// progress reports before the strokes start.
constexpr int kTracedPercent = 10;
constexpr int kFilledPercent = 35;
constexpr int kWholePercent = 100;

bool isCancelled(const DrawingControl& control);
void reportPercent(const DrawingControl& control, int percent);

// Counts what has been stroked, across all the threads that stroke, for the progress.
class StrokeProgress
{
public:
    StrokeProgress(const DrawingControl& control, std::size_t total, int startPercent);

    void add(std::size_t points);

private:
    const DrawingControl& m_control;
    std::size_t m_total;
    int m_start;
    std::atomic<std::size_t> m_done{0};
};
