#pragma once

// What a plot will cost, told in the export dialog while the user changes the options: pen-down
// length and pen-up travel per pen and the time the plotter takes. The picture is plotted for it
// on a worker, a moment after the last change, so that typing stays quick; a new estimate
// cancels the one under way. A change of the speed alone is told at once from the last lengths.
// The same plotting paints a small picture of the page (PlotPreview.h).

#include "art/Composition.h"
#include "output/PlotDrawing.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

// The cost of `pens` as one line each (a gradient told as the pens its colours take) and the total
// time at `speedMmPerSecond`, for the dialog.
QString costText(const std::vector<PenTally>& pens, double speedMmPerSecond);

class PlotCostEstimate : public QObject
{
    Q_OBJECT

public:
    // Estimates plots of `design` (as exported: see exportedComposition).
    explicit PlotCostEstimate(Composition design, QObject* parent = nullptr);
    ~PlotCostEstimate() override;

    // Estimates the plot with `options` a moment from now, dropping any estimate under way.
    void estimate(const PlotOptions& options);
    // The size of the page's picture, in a screen's units, and its pixels to a unit.
    void setPreviewSize(QSize size, qreal devicePixelRatio);

signals:
    // The cost told as costText tells it, or why it cannot be told.
    void estimated(const QString& text);
    // The page as this plot draws it; a null image when the options cannot be plotted.
    void previewed(const QImage& page);

private:
    void start();
    void tallied(const std::vector<PenTally>& pens, const PlotOptions& options, const QImage& page);

    Composition m_design;
    PlotOptions m_options;
    std::optional<std::vector<PenTally>> m_pens;   // the lengths last told, plotted with m_talliedWith
    PlotOptions m_talliedWith;
    QTimer m_delay;
    QSize m_previewSize;   // none: no picture
    qreal m_previewPixelRatio = 1;
    std::shared_ptr<std::atomic<bool>> m_cancelled;   // of the estimate under way
};
