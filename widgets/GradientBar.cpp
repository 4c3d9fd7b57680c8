#include "widgets/GradientBar.h"

#include <QColorDialog>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBarHeight = 18;
constexpr int kHandleSize = 10;
constexpr int kMargin = kHandleSize / 2 + 1;
constexpr int kCheckerSquare = 5;
constexpr int kPreferredWidth = 240;
constexpr qreal kSmallStep = 0.01;
constexpr qreal kLargeStep = 0.1;
constexpr int kPercent = 100;

bool byPosition(const QGradientStop& a, const QGradientStop& b)
{
    return a.first < b.first;
}

}

const std::vector<GradientPreset>& gradientPresets()
{
    static const std::vector<GradientPreset> presets{
        {QObject::tr("Rainbow"),
         {{0, QColor(228, 3, 3)}, {0.2, QColor(255, 140, 0)}, {0.4, QColor(255, 237, 0)}, {0.6, QColor(0, 128, 38)},
          {0.8, QColor(0, 77, 255)}, {1, QColor(117, 7, 135)}}},
        {QObject::tr("Sunset"), {{0, QColor(255, 200, 80)}, {0.5, QColor(240, 80, 60)}, {1, QColor(90, 30, 110)}}},
        {QObject::tr("Ocean"), {{0, QColor(170, 240, 230)}, {0.5, QColor(0, 150, 190)}, {1, QColor(10, 40, 110)}}},
        {QObject::tr("Ink"), {{0, QColor(20, 20, 40)}, {1, QColor(20, 20, 40, 60)}}},
    };
    return presets;
}

GradientBar::GradientBar(QWidget* parent)
    : QWidget(parent)
    , m_stops{{0, Qt::black}, {1, Qt::white}}
    , m_pickColour([](const QColor& initial, QWidget* dialogParent) {
        return QColorDialog::getColor(initial, dialogParent, tr("Stop Colour"), QColorDialog::ShowAlphaChannel);
    })
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Gradient"));
    setMinimumHeight(kBarHeight + kHandleSize + 2 * 2);
    describe();
}

void GradientBar::setStops(const QGradientStops& stops)
{
    QGradientStops held = stops;
    for (QGradientStop& stop : held)
        stop.first = std::isfinite(stop.first) ? std::clamp(stop.first, 0.0, 1.0) : 0.0;
    std::stable_sort(held.begin(), held.end(), byPosition);
    if (held.size() > kMostStops)
        held.resize(kMostStops);
    while (held.size() < kFewestStops)
        held.append({held.isEmpty() ? 0.0 : 1.0, held.isEmpty() ? QColor(Qt::black) : held.last().second});
    m_stops = held;
    m_current = std::min(m_current, int(m_stops.size()) - 1);
    describe();
    update();
}

void GradientBar::setColourAt(ColourAt colourAt)
{
    m_colourAt = std::move(colourAt);
    update();
}

QSize GradientBar::sizeHint() const
{
    return {kPreferredWidth, minimumHeight()};
}

QSize GradientBar::minimumSizeHint() const
{
    return {kHandleSize * kMostStops, minimumHeight()};
}

QRectF GradientBar::barRect() const
{
    return QRectF(kMargin, 1, width() - 2 * kMargin, kBarHeight);
}

QRectF GradientBar::handleRect(int stop) const
{
    const QRectF bar = barRect();
    const qreal x = bar.left() + m_stops[stop].first * bar.width();
    return QRectF(x - kHandleSize / 2.0, bar.bottom() + 2, kHandleSize, kHandleSize);
}

qreal GradientBar::positionAt(qreal x) const
{
    const QRectF bar = barRect();
    return bar.width() > 0 ? std::clamp((x - bar.left()) / bar.width(), 0.0, 1.0) : 0.0;
}

int GradientBar::stopAt(const QPointF& point) const
{
    // The chosen stop first, so that one lying on another can still be dragged off it.
    if (handleRect(m_current).adjusted(-2, -2, 2, 2).contains(point))
        return m_current;
    for (int i = 0; i < m_stops.size(); ++i)
        if (handleRect(i).adjusted(-2, -2, 2, 2).contains(point))
            return i;
    return -1;
}

QColor GradientBar::colourAt(qreal position) const
{
    if (m_colourAt)
        return m_colourAt(m_stops, position);
    const auto after = std::find_if(m_stops.begin(), m_stops.end(), [position](const QGradientStop& s) { return s.first >= position; });
    if (after == m_stops.begin())
        return m_stops.first().second;
    if (after == m_stops.end())
        return m_stops.last().second;
    const QGradientStop& before = *(after - 1);
    const qreal t = after->first > before.first ? (position - before.first) / (after->first - before.first) : 1;
    const auto mix = [t](float a, float b) { return a + (b - a) * float(t); };
    const QColor a = before.second.toRgb(), b = after->second.toRgb();
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                            mix(a.alphaF(), b.alphaF()));
}

void GradientBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bar = barRect();
    // A checkerboard under the colours shows how translucent they are.
    painter.fillRect(bar, Qt::white);
    for (int y = 0; y * kCheckerSquare < bar.height(); ++y)
        for (int x = (y % 2); x * kCheckerSquare < bar.width(); x += 2)
            painter.fillRect(QRectF(bar.left() + x * kCheckerSquare, bar.top() + y * kCheckerSquare, kCheckerSquare, kCheckerSquare)
                                 .intersected(bar), QColor(204, 204, 204));
    // Sampled a pixel at a time, so that the bar mixes as the curve does.
    for (int x = 0; x < int(bar.width()); ++x)
        painter.fillRect(QRectF(bar.left() + x, bar.top(), 1, bar.height()), colourAt(positionAt(bar.left() + x + 0.5)));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(bar.adjusted(0, 0, -1, -1));

    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < m_stops.size(); ++i) {
        const QRectF handle = handleRect(i);
        QPainterPath arrow;
        arrow.moveTo(handle.center().x(), handle.top() - 2);
        arrow.lineTo(handle.right(), handle.top() + 3);
        arrow.lineTo(handle.right(), handle.bottom());
        arrow.lineTo(handle.left(), handle.bottom());
        arrow.lineTo(handle.left(), handle.top() + 3);
        arrow.closeSubpath();
        const bool chosen = i == m_current;
        painter.setPen(QPen(chosen && hasFocus() ? palette().color(QPalette::Highlight) : palette().color(QPalette::Dark),
                            chosen ? 2 : 1));
        painter.setBrush(m_stops[i].second);
        painter.drawPath(arrow);
    }
}

void GradientBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const int stop = stopAt(event->position());
    if (stop >= 0) {
        m_current = stop;
        m_dragging = true;
    } else if (barRect().adjusted(0, 0, 0, kHandleSize).contains(event->position()) && m_stops.size() < kMostStops) {
        const QGradientStop added{positionAt(event->position().x()), colourAt(positionAt(event->position().x()))};
        m_current = int(std::upper_bound(m_stops.begin(), m_stops.end(), added, byPosition) - m_stops.begin());
        m_stops.insert(m_current, added);
        m_dragging = true;
        edited();
    }
    describe();
    update();
}

void GradientBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        moveCurrentTo(positionAt(event->position().x()));
}

void GradientBar::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void GradientBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (stopAt(event->position()) >= 0)
        pickColour();
}

void GradientBar::keyPressEvent(QKeyEvent* event)
{
    const qreal step = event->modifiers() & Qt::ShiftModifier ? kLargeStep : kSmallStep;
    const qreal position = m_stops[m_current].first;
    switch (event->key()) {
    case Qt::Key_Left: moveCurrentTo(position - step); break;
    case Qt::Key_Right: moveCurrentTo(position + step); break;
    case Qt::Key_Home: moveCurrentTo(0); break;
    case Qt::Key_End: moveCurrentTo(1); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: pickColour(); break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (m_stops.size() > kFewestStops) {
            m_stops.remove(m_current);
            m_current = std::min(m_current, int(m_stops.size()) - 1);
            edited();
        }
        break;
    default: return QWidget::keyPressEvent(event);
    }
}

bool GradientBar::focusNextPrevChild(bool next)
{
    // Tab goes through the stops before it leaves the bar.
    const int to = m_current + (next ? 1 : -1);
    if (hasFocus() && to >= 0 && to < m_stops.size()) {
        m_current = to;
        describe();
        update();
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void GradientBar::moveCurrentTo(qreal position)
{
    QGradientStop moved = m_stops[m_current];
    moved.first = std::clamp(position, 0.0, 1.0);
    m_stops.remove(m_current);
    const auto at = std::upper_bound(m_stops.begin(), m_stops.end(), moved, byPosition);
    m_current = int(at - m_stops.begin());
    m_stops.insert(m_current, moved);
    edited();
}

void GradientBar::pickColour()
{
    const QColor picked = m_pickColour(m_stops[m_current].second, this);
    if (!picked.isValid() || picked == m_stops[m_current].second)
        return;
    m_stops[m_current].second = picked;
    edited();
}

void GradientBar::edited()
{
    describe();
    update();
    emit stopsEdited(m_stops);
}

void GradientBar::describe()
{
    const QGradientStop& stop = m_stops[m_current];
    setAccessibleDescription(tr("Stop %1 of %2 at %3 %, %4")
                                 .arg(m_current + 1)
                                 .arg(m_stops.size())
                                 .arg(std::lround(stop.first * kPercent))
                                 .arg(stop.second.name(stop.second.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb)));
}
