#include "output/PlotPreview.h"

#include <QPainterPath>

#include <algorithm>

namespace {

// A preview's pens are at least this wide in its pixels, so that a fine pen still shows.
constexpr qreal kThinnestLine = 0.6;
const QColor kPaperEdge(160, 160, 160);
const QColor kMarginLine(90, 140, 220);

}

PlotPreviewPainter::PlotPreviewPainter(const PlotOptions& options, QSize pixels, qreal devicePixelRatio)
    : m_image((QSizeF(pixels) * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied)
    , m_penWidthMm(options.penWidthMm)
{
    m_image.setDevicePixelRatio(devicePixelRatio);
    m_image.fill(Qt::transparent);
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF page = pageSizeMm(options.page);
    const QSizeF room = QSizeF(pixels) - QSizeF(2, 2);   // the paper's edge inside the picture
    const qreal scale = std::min(room.width() / page.width(), room.height() / page.height());
    m_painter.translate((pixels.width() - page.width() * scale) / 2, (pixels.height() - page.height() * scale) / 2);
    m_painter.scale(scale, scale);
    const QRectF paper(QPointF(0, 0), page);
    m_painter.fillRect(paper, Qt::white);
    m_painter.setPen(QPen(kPaperEdge, 0));
    m_painter.drawRect(paper);
    const double margin = options.page.marginMm;
    m_painter.setPen(QPen(kMarginLine, 0, Qt::DashLine));
    m_painter.drawRect(paper.adjusted(margin, margin, -margin, -margin));
}

void PlotPreviewPainter::add(const PlottedLayer& layer)
{
    if (layer.layer.kind == LayerKind::Fill) {
        QPainterPath outlines;
        outlines.setFillRule(Qt::WindingFill);
        for (const QPolygonF& outline : layer.paths)
            outlines.addPolygon(outline);
        m_painter.fillPath(outlines, layer.layer.colour);
        return;
    }
    const qreal thinnest = kThinnestLine / m_painter.transform().m11();
    for (qsizetype i = 0; i < layer.paths.size(); ++i) {
        m_painter.setPen(QPen(layer.colourOf(i), std::max(m_penWidthMm, thinnest), Qt::SolidLine, Qt::RoundCap,
                              Qt::RoundJoin));
        m_painter.drawPolyline(layer.paths[i]);
    }
}

QImage PlotPreviewPainter::image()
{
    m_painter.end();
    return m_image;
}
