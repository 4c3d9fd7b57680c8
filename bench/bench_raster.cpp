// Strokes and fills into an image: the heavy design (375,308 points) into 1000 × 1000,
// antialiased, butt ends, mitred joins to 10 widths, at pen widths 1, 3 and 10, and its fill.
// The project's drawing on one thread and on two, AGG used directly on one thread, and Qt's
// painter drawing the line whole. Each reports `vs_agg`: its time over AGG's, AGG drawing the
// same after each iteration, reusing its buffers as the project's drawing does. Then the design at the point budget (4 million points) at width 1,
// the project's drawing against Qt's painter in pieces of 4096 segments, as thin pens are drawn
// into images today.
//
// The trace is made beforehand: only the drawing is timed.

#include "art/ArtParameters.h"
#include "art/DesignPainter.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <agg_conv_stroke.h>
#include <agg_path_storage.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_u.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <vector>

namespace {

const QSize kPicture(1000, 1000);
constexpr int kFill = 0;   // the pen width argument that stands for the fill

ArtParameters design(float revolutions, int64_t width)
{
    ArtParameters art;
    art.anchorRadius = 500;
    art.runnerRadius = 3;
    art.penHoleRadius = 2;
    art.rotationsToMake = revolutions;
    // The fill is timed on its own, without a pen over it.
    art.penColor = width == kFill ? QColor() : QColor(200, 0, 0);
    art.numberOfColors = 1;
    art.penDrawSize = width == kFill ? 1 : float(width);
    art.fillShape = width == kFill;
    art.fillColor = QColor(240, 200, 0);
    art.drawMode = ImageExportMode;
    return art;
}

// A design traced once and mapped into the picture, for every benchmark of it.
struct Prepared {
    ArtParameters art;
    QTransform transform;
    TracedCurve curve;
    std::vector<QPointF> pen;
    std::vector<QPointF> outline;
};

const Prepared& prepared(float revolutions, int64_t width)
{
    static std::map<std::pair<float, int64_t>, Prepared> designs;
    auto [at, isNew] = designs.try_emplace({revolutions, width});
    Prepared& p = at->second;
    if (isNew) {
        p.art = design(revolutions, width);
        p.transform = fittedTransform(p.art, kPicture.width(), kPicture.height());
        traceCurve(curveParameters(p.art), p.curve);
        for (const CurvePoint t : p.curve.penPath())
            p.pen.push_back(p.transform.map(QPointF(t.x, t.y)));
        for (const CurvePoint t : p.curve.fillPath())
            p.outline.push_back(p.transform.map(QPointF(t.x, t.y)));
    }
    return p;
}

QImage blank()
{
    QImage image(kPicture, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// AGG used directly, its objects kept from one drawing to the next as the project's drawing
// keeps its buffers: the rasteriser's cells, the path's and the stroke's vertices and the
// scanline are allocated by the first drawing and reused by the rest.
struct AggReference {
    agg::rasterizer_scanline_aa<> rasteriser{1u << 16};   // room for every cell of the line at once
    agg::scanline_u8 scanline;
    agg::path_storage path;
    agg::conv_stroke<agg::path_storage> stroke{path};

    void draw(QImage& image, const Prepared& p, int64_t width)
    {
        agg::rendering_buffer rows(image.bits(), unsigned(image.width()), unsigned(image.height()), image.bytesPerLine());
        agg::pixfmt_bgra32_pre pixels(rows);
        agg::renderer_base<agg::pixfmt_bgra32_pre> renderer(pixels);
        rasteriser.reset();
        path.remove_all();
        const std::vector<QPointF>& points = width == kFill ? p.outline : p.pen;
        path.move_to(points[0].x(), points[0].y());
        for (std::size_t i = 1; i < points.size(); ++i)
            path.line_to(points[i].x(), points[i].y());
        QRgb c = 0;
        if (width == kFill) {
            path.close_polygon();
            rasteriser.add_path(path);
            c = qPremultiply(p.art.fillColor.rgba());
        } else {
            stroke.width(double(width));
            stroke.line_cap(agg::butt_cap);
            stroke.line_join(agg::miter_join_revert);
            stroke.miter_limit(kMiterLimit);
            rasteriser.add_path(stroke);
            c = qPremultiply(p.art.penColor.rgba());
        }
        agg::render_scanlines_aa_solid(rasteriser, scanline, renderer, agg::rgba8(qRed(c), qGreen(c), qBlue(c), qAlpha(c)));
    }
};

// Wall-clock and this thread's processor time of some work, in seconds.
struct Timing {
    double real = 0;
    double cpu = 0;
    Timing& operator+=(const Timing& other)
    {
        real += other.real;
        cpu += other.cpu;
        return *this;
    }
};

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

Timing timed(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadSeconds();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), threadSeconds() - cpuStart};
}

// Times `work` as the benchmark's iterations, and AGG drawing the same design after each one,
// untimed by the benchmark: another job on the machine slows both alike. `vs_agg` is the
// wall-clock ratio, `vs_agg_cpu` that of this thread's processor time (for one thread only:
// the helpers' time is not in it).
void timeAgainstAgg(benchmark::State& state, const Prepared& p, int64_t width, const std::function<void()>& work)
{
    Timing measured;
    Timing agg;
    AggReference reference;
    QImage image = blank();
    for (auto _ : state) {
        measured += timed(work);
        state.PauseTiming();
        image.fill(Qt::white);
        agg += timed([&] { reference.draw(image, p, width); });
        state.ResumeTiming();
    }
    state.counters["vs_agg"] = measured.real / agg.real;
    state.counters["vs_agg_cpu"] = measured.cpu / agg.cpu;
}

constexpr float kHeavy = 60;
constexpr float kBudget = 1000;

void project(benchmark::State& state)
{
    const float revolutions = state.range(2) ? kBudget : kHeavy;
    const Prepared& p = prepared(revolutions, state.range(0));
    DrawingControl control;
    control.traced = &p.curve;
    DrawingBuffers buffers;
    control.buffers = &buffers;
    QImage image = blank();
    timeAgainstAgg(state, p, state.range(0), [&] {
        image.fill(Qt::white);
        paintDesignInBands(image, p.art, p.transform, int(state.range(1)), control);
    });
}

void aggDirect(benchmark::State& state)
{
    const Prepared& p = prepared(kHeavy, state.range(0));
    AggReference direct;
    QImage image = blank();
    timeAgainstAgg(state, p, state.range(0), [&] {
        image.fill(Qt::white);
        direct.draw(image, p, state.range(0));
    });
}

// Qt's painter: the line whole, or in pieces of `piece` segments (0: whole).
void qtPainter(benchmark::State& state)
{
    const float revolutions = state.range(2) ? kBudget : kHeavy;
    const int64_t width = state.range(0);
    const std::size_t piece = std::size_t(state.range(1));
    const Prepared& p = prepared(revolutions, width);
    QImage image = blank();
    timeAgainstAgg(state, p, width, [&] {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        if (width == kFill) {
            QPainterPath outline;
            outline.addPolygon(QPolygonF(QList<QPointF>(p.outline.begin(), p.outline.end())));
            outline.setFillRule(Qt::WindingFill);
            painter.fillPath(outline, p.art.fillColor);
            return;
        }
        QPen pen(p.art.penColor, qreal(width), Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
        pen.setMiterLimit(kMiterLimit);
        painter.setPen(pen);
        const std::size_t step = piece ? piece : p.pen.size();
        for (std::size_t first = 0; first + 1 < p.pen.size(); first += step) {
            const std::size_t end = std::min(p.pen.size(), first + step + 1);
            painter.drawPolyline(p.pen.data() + first, int(end - first));
        }
    });
}

}

BENCHMARK(project)
    ->ArgNames({"width", "threads", "budget"})
    ->ArgsProduct({{1, 3, 10, kFill}, {1, 2}, {0}})
    ->Args({1, 1, 1})
    ->Args({1, 2, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(aggDirect)->ArgName("width")->Arg(1)->Arg(3)->Arg(10)->Arg(kFill)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(qtPainter)
    ->ArgNames({"width", "piece", "budget"})
    ->ArgsProduct({{1, 3, 10, kFill}, {0}, {0}})
    ->Args({1, 4096, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
