#include "output/PlotCostEstimate.h"

#include "output/PlotPreview.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>
#include <QThreadPool>

#include <cmath>

namespace {

// Long enough to let a value be typed digit by digit, short enough to follow a stepper.
constexpr int kDelayMilliseconds = 250;
constexpr double kSecondsPerMinute = 60;
constexpr double kMinutesPerHour = 60;

QString tr(const char* text)
{
    return QCoreApplication::translate("PlotCostEstimate", text);
}

// Whether two plots draw the same lines, whatever the speed.
bool drawAlike(const PlotOptions& a, const PlotOptions& b)
{
    const PlotPage &p = a.page, &q = b.page;
    return p.paper == q.paper && p.orientation == q.orientation && p.customSizeMm == q.customSizeMm
        && p.marginMm == q.marginMm && p.drawingSizeMm == q.drawingSizeMm && a.penWidthMm == b.penWidthMm
        && a.simplifyToleranceMm == b.simplifyToleranceMm && a.fill == b.fill
        && a.hatch.angleDegrees == b.hatch.angleDegrees && a.hatch.spacingMm == b.hatch.spacingMm
        && a.hatch.crossHatch == b.hatch.crossHatch;
}

QString durationText(double seconds)
{
    if (!std::isfinite(seconds))
        return tr("an unknown time");
    const auto minutes = static_cast<long long>(std::round(seconds / kSecondsPerMinute));
    if (minutes < 1)
        return tr("%1 s").arg(std::lround(seconds));
    const auto hours = static_cast<long long>(minutes / static_cast<long long>(kMinutesPerHour));
    if (hours < 1)
        return tr("%1 min").arg(minutes);
    return tr("%1 h %2 min").arg(hours).arg(minutes % static_cast<long long>(kMinutesPerHour));
}

}

QString costText(const std::vector<PenTally>& pens, double speedMmPerSecond)
{
    if (pens.empty())
        return tr("Nothing for a pen to draw.");
    QStringList lines;
    PlotLength total;
    int pen = 0;
    for (std::size_t i = 0; i < pens.size(); ++i) {
        const PenCost cost = penCost(pens[i].length, speedMmPerSecond);
        // A gradient's colours are as many pens to a plotter, each drawing a short stretch.
        QString drawer;
        if (pens[i].gradientColours > 1)
            drawer = tr("Gradient (%1 colours, a pen each)").arg(pens[i].gradientColours);
        else if (pens[i].gradientColours == 1)
            drawer = tr("Gradient (%1)").arg(pens[i].colour.name(QColor::HexRgb));
        else
            drawer = tr("Pen %1 (%2)").arg(++pen).arg(pens[i].colour.name(QColor::HexRgb));
        lines << tr("%1: %2 m drawn, %3 m pen-up travel, %4")
                     .arg(drawer)
                     .arg(cost.penDownMetres, 0, 'f', 2)
                     .arg(cost.penUpMetres, 0, 'f', 2)
                     .arg(durationText(cost.seconds));
        total.penDownMm += pens[i].length.penDownMm;
        total.penUpMm += pens[i].length.penUpMm;
    }
    lines << tr("In all %1 at %2 mm/s").arg(durationText(plottingSeconds(total, speedMmPerSecond))).arg(speedMmPerSecond);
    return lines.join(u'\n');
}

PlotCostEstimate::PlotCostEstimate(Composition design, QObject* parent)
    : QObject(parent)
    , m_design(std::move(design))
{
    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMilliseconds);
    connect(&m_delay, &QTimer::timeout, this, &PlotCostEstimate::start);
}

PlotCostEstimate::~PlotCostEstimate()
{
    if (m_cancelled)
        m_cancelled->store(true);
}

void PlotCostEstimate::estimate(const PlotOptions& options)
{
    m_options = options;
    if (m_cancelled)
        m_cancelled->store(true);
    m_cancelled.reset();
    if (const std::vector<OptionRefusal> refusals = optionRefusals(options); !refusals.empty()) {
        m_delay.stop();
        emit estimated(refusals.front().message);
        emit previewed({});
        return;
    }
    if (m_pens && drawAlike(options, m_talliedWith)) {
        m_delay.stop();
        emit estimated(costText(*m_pens, options.speedMmPerSecond));
        return;
    }
    m_delay.start();
}

void PlotCostEstimate::setPreviewSize(QSize size, qreal devicePixelRatio)
{
    m_previewSize = size;
    m_previewPixelRatio = devicePixelRatio;
}

void PlotCostEstimate::tallied(const std::vector<PenTally>& pens, const PlotOptions& options, const QImage& page)
{
    m_pens = pens;
    m_talliedWith = options;
    emit estimated(costText(pens, m_options.speedMmPerSecond));
    if (!page.isNull())
        emit previewed(page);
}

void PlotCostEstimate::start()
{
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_cancelled = cancelled;
    // The pool is waited for when the application ends, so no estimate outlives it.
    QThreadPool::globalInstance()->start([design = m_design, options = m_options, cancelled, size = m_previewSize,
                                          ratio = m_previewPixelRatio, self = QPointer<PlotCostEstimate>(this)] {
        std::optional<PlotPreviewPainter> preview;
        if (size.isValid())
            preview.emplace(options, size, ratio);
        const std::vector<PenTally> pens = plotCost(design, options, OutputControl{cancelled.get(), nullptr},
                                                    [&](const PlottedLayer& layer) {
                                                        if (preview)
                                                            preview->add(layer);
                                                    });
        if (cancelled->load())
            return;
        const QImage page = preview ? preview->image() : QImage();
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, cancelled, pens, options, page] {
            if (self && !cancelled->load())
                self->tallied(pens, options, page);
        }, Qt::QueuedConnection);
    });
}
