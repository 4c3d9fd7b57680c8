#pragma once

// The small picture of the page that the vector export shows beside its options: the paper, its
// margins, and the drawing with its fills and hatching, painted from the very layers the export
// writes (PlotDrawing.h), scaled down. Painted on whatever thread plots them.

#include "output/PlotDrawing.h"

#include <QImage>
#include <QPainter>
#include <QSize>

class PlotPreviewPainter
{
public:
    // A picture of at most `pixels`, the page fitted and centred in it, for a screen of this ratio
    // of pixels to its units.
    PlotPreviewPainter(const PlotOptions& options, QSize pixels, qreal devicePixelRatio);

    // Paints a plotted layer over the ones before.
    void add(const PlottedLayer& layer);
    // The picture as painted so far.
    QImage image();

private:
    QImage m_image;
    QPainter m_painter;
    double m_penWidthMm;
};
