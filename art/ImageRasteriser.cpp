#include "art/ImageRasteriser.h"

#include "art/ArtParameters.h"

#include <agg_conv_stroke.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_p.h>
#include <agg_scanline_u.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Clipped in floating point before the rasteriser's 24.8 fixed point: a point off the image by
// any finite distance is cut to its edge, never wrapped round.
using Rasteriser = agg::rasterizer_scanline_aa<agg::rasterizer_sl_clip_dbl>;

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
using ImagePixels = agg::pixfmt_bgra32_pre;   // Format_ARGB32_Premultiplied is B, G, R, A in memory
#else
using ImagePixels = agg::pixfmt_argb32_pre;
#endif

// The rasteriser keeps a cell for every pixel an edge passes through, and silently drops those
// beyond the blocks it is allowed. So what is handed to it at once is kept to this many cells
// (16 bytes each), by cutting the rows it covers in two until each part fits.
constexpr double kCellBudget = 1 << 22;
constexpr unsigned kCellsPerBlock = 1u << 12;   // cell_block_shift in agg_rasterizer_cells_aa.h
constexpr unsigned kCellBlocks = unsigned(kCellBudget / kCellsPerBlock) + 1;

// The rasteriser sums, in an int, the cover of every edge to the left of a pixel at 512 times
// its 256 levels: a row crossed by more than some 16,000 edges (a long filled curve winds round
// its middle that often) overflows it. An outline whose rows are crossed by more edges than this
// is handed over in consecutive pieces of this many edges, each closed on itself: their union
// is the outline's fill wherever its winding does not cancel between pieces, and it is laid on
// as one shape.
constexpr std::size_t kMostEdgesAtOnce = 4096;

// Points are held this far from the image at most, in pixels: far inside the rasteriser's
// range, and far enough that a line cut here is cut outside any picture.
constexpr double kFarthest = 1 << 22;

struct Vertex {
    double x;
    double y;
    unsigned command;
};

// A line of pixel coordinates as the stroker reads it, its first point perhaps moved up to the
// second.
class LineSource
{
public:
    LineSource(const QPointF* points, std::size_t count, bool firstSegmentDrawn)
        : m_points(points), m_count(count), m_first(points[0])
    {
        if (firstSegmentDrawn && count > 1) {
            // The end of the segment carries the join. It reaches back far enough to cover the
            // pixels the piece before shaded only in part at its butt end: laid on separately,
            // two parts of a pixel would not add up to all of it, and leave a pale seam across
            // the line. Only its edges are laid on twice, over this short length.
            constexpr qreal kOverlap = 2;
            const QPointF along = points[0] - points[1];
            const qreal length = std::hypot(along.x(), along.y());
            if (length > kOverlap)
                m_first = points[1] + along * (kOverlap / length);
        }
    }

    void rewind(unsigned) { m_next = 0; }

    unsigned vertex(double* x, double* y)
    {
        if (m_next >= m_count)
            return agg::path_cmd_stop;
        const QPointF p = m_next == 0 ? m_first : m_points[m_next];
        *x = p.x();
        *y = p.y();
        return m_next++ == 0 ? agg::path_cmd_move_to : agg::path_cmd_line_to;
    }

private:
    const QPointF* m_points;
    std::size_t m_count;
    QPointF m_first;
    std::size_t m_next = 0;
};

// Vertices kept, replayed to the rasteriser.
class StoredPath
{
public:
    explicit StoredPath(const std::vector<Vertex>& vertices) : m_vertices(vertices) {}
    void rewind(unsigned) { m_next = 0; }
    unsigned vertex(double* x, double* y)
    {
        if (m_next >= m_vertices.size())
            return agg::path_cmd_stop;
        const Vertex& v = m_vertices[m_next++];
        *x = v.x;
        *y = v.y;
        return v.command;
    }

private:
    const std::vector<Vertex>& m_vertices;
    std::size_t m_next = 0;
};

agg::rgba8 premultiplied(const QColor& colour)
{
    const QRgb p = qPremultiply(colour.rgba());
    return agg::rgba8(agg::int8u(qRed(p)), agg::int8u(qGreen(p)), agg::int8u(qBlue(p)), agg::int8u(qAlpha(p)));
}

}

struct ImageRasteriser::Work {
    Work(QImage& image, ImageRows rows)
        : buffer(image.bits(), unsigned(image.width()), unsigned(image.height()), image.bytesPerLine())
        , pixels(buffer)
        , renderer(pixels)
        , rasteriser(kCellBlocks)
        , scale(image.devicePixelRatio())
        , firstRow(std::max(rows.first, 0))
        , endRow(std::min(rows.end, image.height()))
        , paints(drawsInto(image) && firstRow < endRow && std::isfinite(scale) && scale > 0)
    {
    }

    // The points in pixels, those that are not finite left out and the rest held within kFarthest.
    void toPixels(const QPointF* points, std::size_t count, std::vector<QPointF>& into) const
    {
        into.clear();
        for (std::size_t i = 0; i < count; ++i) {
            const double x = points[i].x() * scale;
            const double y = points[i].y() * scale;
            if (std::isfinite(x) && std::isfinite(y))
                into.emplace_back(std::clamp(x, -kFarthest, kFarthest), std::clamp(y, -kFarthest, kFarthest));
        }
    }

    // Where a point is pulled in to, for counting the cells of the edges through it over rows
    // [top, bottom): edges off to the side are cut to the image's edge, where they still wind.
    QPointF pulledIn(double x, double y, int top, int bottom) const
    {
        return {std::clamp(x, -1.0, double(buffer.width()) + 1), std::clamp(y, double(top) - 1, double(bottom) + 1)};
    }

    // At most the cells the rasteriser keeps for `vertices` drawn over rows [top, bottom): an
    // edge passes through no more cells than its length across and down, and two more.
    double cellsWithin(int top, int bottom) const
    {
        double cells = 0;
        QPointF start;
        QPointF from;
        for (const Vertex& v : vertices) {
            if (agg::is_move_to(v.command)) {
                start = from = pulledIn(v.x, v.y, top, bottom);
                continue;
            }
            const QPointF to = agg::is_vertex(v.command) ? pulledIn(v.x, v.y, top, bottom) : start;
            cells += std::abs(to.x() - from.x()) + std::abs(to.y() - from.y()) + 2;
            from = to;
        }
        return cells + std::abs(start.x() - from.x()) + std::abs(start.y() - from.y()) + 2;
    }

    // The same for the outline of `count` points, in the painter's coordinates.
    double outlineCellsWithin(const QPointF* points, std::size_t count, int top, int bottom) const
    {
        // Points that are not finite are left out, and so stepped over here.
        double cells = 0;
        QPointF first;
        QPointF from;
        bool started = false;
        for (std::size_t i = 0; i < count; ++i) {
            const QPointF to = pulledIn(points[i].x() * scale, points[i].y() * scale, top, bottom);
            if (!std::isfinite(to.x()) || !std::isfinite(to.y()))
                continue;
            if (started)
                cells += std::abs(to.x() - from.x()) + std::abs(to.y() - from.y()) + 2;
            else
                first = to;
            started = true;
            from = to;
        }
        cells += std::abs(first.x() - from.x()) + std::abs(first.y() - from.y()) + 2;
        return cells;
    }

    // The most edges of the outline of `count` points (closed) that cross one row of those
    // drawn, at a row's middle.
    std::size_t mostCrossings(const QPointF* points, std::size_t count) const
    {
        const int rows = endRow - firstRow;
        std::vector<std::ptrdiff_t> starting(std::size_t(rows) + 1, 0);
        const auto rowAt = [&](double y) { return std::clamp(std::floor(y * scale - 0.5) + 1, double(firstRow), double(endRow)); };
        const QPointF* from = nullptr;
        const auto add = [&](const QPointF& a, const QPointF& b) {
            // Rows whose middle lies between the ends' heights.
            const double top = rowAt(std::min(a.y(), b.y()));
            const double bottom = rowAt(std::max(a.y(), b.y()));
            if (!(top < bottom))
                return;
            ++starting[std::size_t(top - firstRow)];
            --starting[std::size_t(bottom - firstRow)];
        };
        for (std::size_t i = 0; i < count; ++i) {
            if (!std::isfinite(points[i].x() * scale) || !std::isfinite(points[i].y() * scale))
                continue;
            if (from)
                add(*from, points[i]);
            from = &points[i];
        }
        std::size_t most = 0;
        std::ptrdiff_t crossing = 0;
        for (const std::ptrdiff_t change : starting)
            most = std::max(most, std::size_t(std::max<std::ptrdiff_t>(crossing += change, 0)));
        return most + 1;   // and the closing edge
    }

    // Hands each scanline of what `addShape` gives the rasteriser, filled by the non-zero rule,
    // to `lay`, over rows [top, bottom), in parts of rows small enough for the rasteriser:
    // `cellsWithin(top, bottom)` tells how many cells the shape takes there at most.
    template<class Scanline, class Cells, class Shape, class Lay>
    void render(int top, int bottom, const Cells& cellsWithin, const Shape& addShape, const Lay& lay)
    {
        if (cellsWithin(top, bottom) > kCellBudget && bottom - top > 1) {
            const int middle = top + (bottom - top) / 2;
            render<Scanline>(top, middle, cellsWithin, addShape, lay);
            render<Scanline>(middle, bottom, cellsWithin, addShape, lay);
            return;
        }
        rasteriser.reset();
        // Cut a row beyond the rows drawn, so that an edge is cut nowhere near them: they come
        // out as in a drawing of the whole image, but for a level where a long edge, cut here,
        // slants a 256th of a pixel otherwise.
        rasteriser.clip_box(-1, top - 1, double(buffer.width()) + 1, bottom + 1);
        rasteriser.filling_rule(agg::fill_non_zero);
        addShape();
        renderer.clip_box(0, top, int(buffer.width()) - 1, bottom - 1);
        Scanline scanline;
        if (!rasteriser.rewind_scanlines())
            return;
        scanline.reset(rasteriser.min_x(), rasteriser.max_x());
        while (rasteriser.sweep_scanline(scanline))
            lay(scanline);
    }

    // Each scanline laid on the image in `colour`.
    auto solid(const agg::rgba8& colour)
    {
        return [this, colour](const auto& scanline) { agg::render_scanline_aa_solid(scanline, renderer, colour); };
    }

    // The outline of `count` points, in the painter's coordinates, filled, each scanline to `lay`.
    template<class Lay>
    void fillOutline(const QPointF* points, std::size_t count, const Lay& lay)
    {
        // A long outline is read as it is, not copied: it may be millions of points.
        const auto cells = [&](int top, int bottom) { return outlineCellsWithin(points, count, top, bottom); };
        const auto outline = [&] {
            bool started = false;
            for (std::size_t i = 0; i < count; ++i) {
                const double x = points[i].x() * scale;
                const double y = points[i].y() * scale;
                if (!std::isfinite(x) || !std::isfinite(y))
                    continue;
                const double heldX = std::clamp(x, -kFarthest, kFarthest);
                const double heldY = std::clamp(y, -kFarthest, kFarthest);
                if (started) {
                    rasteriser.line_to_d(heldX, heldY);
                } else {
                    rasteriser.move_to_d(heldX, heldY);
                    started = true;
                }
            }
            rasteriser.close_polygon();
        };
        render<agg::scanline_p8>(firstRow, endRow, cells, outline, lay);
    }

    // The outline filled in pieces of kMostEdgesAtOnce edges, each pixel's coverage the most
    // that any piece gives it, in a mask of the rows drawn which lays the colour on once: where
    // pieces overlap, a translucent fill is no deeper than where they do not, as for an outline
    // filled whole, and the union's edges are as antialiased as each piece's.
    void fillInPieces(const agg::rgba8& colour, const QPointF* points, std::size_t count)
    {
        const int width = int(buffer.width());
        std::vector<agg::int8u> mask(std::size_t(width) * std::size_t(endRow - firstRow), 0);
        const auto add = [&](const agg::scanline_p8& scanline) {
            const int y = scanline.y();
            if (y < firstRow || y >= endRow)
                return;
            agg::int8u* row = mask.data() + std::size_t(y - firstRow) * std::size_t(width);
            auto span = scanline.begin();
            for (unsigned spans = scanline.num_spans(); spans > 0; --spans, ++span) {
                // A negative length is a run of one cover.
                const int length = std::abs(int(span->len));
                for (int i = std::max(0, -span->x); i < length && span->x + i < width; ++i) {
                    agg::int8u& pixel = row[span->x + i];
                    pixel = std::max(pixel, span->covers[span->len < 0 ? 0 : i]);
                }
            }
        };
        for (std::size_t first = 0; first + 1 < count; first += kMostEdgesAtOnce)
            fillOutline(points + first, std::min(kMostEdgesAtOnce + 1, count - first), add);
        renderer.clip_box(0, firstRow, width - 1, endRow - 1);
        for (int y = firstRow; y < endRow; ++y) {
            const agg::int8u* row = mask.data() + std::size_t(y - firstRow) * std::size_t(width);
            for (int x = 0; x < width;) {
                int end = x;
                while (end < width && row[end] != 0)
                    ++end;
                if (end > x)
                    renderer.blend_solid_hspan(x, y, end - x, colour, row + x);
                x = end + 1;
            }
        }
    }

    agg::rendering_buffer buffer;
    ImagePixels pixels;
    agg::renderer_base<ImagePixels> renderer;
    Rasteriser rasteriser;
    qreal scale;
    int firstRow;
    int endRow;
    bool paints;
    std::vector<QPointF> pixelPoints;
    std::vector<Vertex> vertices;
};

ImageRasteriser::ImageRasteriser(QImage& image, ImageRows rows)
    : m_work(std::make_unique<Work>(image, rows))
{
}

ImageRasteriser::~ImageRasteriser() = default;

bool ImageRasteriser::drawsInto(const QImage& image)
{
    return !image.isNull() && image.format() == QImage::Format_ARGB32_Premultiplied;
}

void ImageRasteriser::stroke(const QColor& colour, const PointRun* lines, std::size_t lineCount, qreal width,
                             bool firstSegmentDrawn)
{
    Work& w = *m_work;
    if (!w.paints || !colour.isValid() || colour.alpha() == 0 || std::isnan(width))
        return;
    const double pixelWidth = width > 0 ? std::min(double(width * w.scale), kFarthest) : 1.0;
    w.vertices.clear();
    for (std::size_t i = 0; i < lineCount; ++i) {
        w.toPixels(lines[i].points, lines[i].count, w.pixelPoints);
        if (w.pixelPoints.size() < 2)
            continue;
        LineSource line(w.pixelPoints.data(), w.pixelPoints.size(), firstSegmentDrawn && i == 0);
        agg::conv_stroke<LineSource> stroke(line);
        stroke.width(pixelWidth);
        stroke.line_cap(agg::butt_cap);
        stroke.line_join(agg::miter_join_revert);
        stroke.miter_limit(kMiterLimit);
        stroke.rewind(0);
        double x = 0;
        double y = 0;
        for (unsigned command; !agg::is_stop(command = stroke.vertex(&x, &y));)
            w.vertices.push_back({x, y, command});
    }
    if (w.vertices.empty())
        return;
    w.render<agg::scanline_u8>(
        w.firstRow, w.endRow, [&w](int top, int bottom) { return w.cellsWithin(top, bottom); },
        [&w] {
            StoredPath path(w.vertices);
            w.rasteriser.add_path(path);
        },
        w.solid(premultiplied(colour)));
}

void ImageRasteriser::fill(const QColor& colour, const QPointF* points, std::size_t count)
{
    Work& w = *m_work;
    if (!w.paints || !colour.isValid() || colour.alpha() == 0)
        return;
    if (count < 3)
        return;
    if (count > kMostEdgesAtOnce && w.mostCrossings(points, count) > kMostEdgesAtOnce)
        w.fillInPieces(premultiplied(colour), points, count);
    else
        w.fillOutline(points, count, w.solid(premultiplied(colour)));
}

void strokeIntoImage(QImage& image, const QColor& colour, const QPointF* points, std::size_t count, qreal width,
                     ImageRows rows)
{
    const PointRun line{points, count};
    ImageRasteriser(image, rows).stroke(colour, &line, 1, width);
}

void fillIntoImage(QImage& image, const QColor& colour, const QPointF* points, std::size_t count, ImageRows rows)
{
    ImageRasteriser(image, rows).fill(colour, points, count);
}
