#include "view/ViewScroller.h"

#include "view/Rotagraph.h"

#include <QEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// A drawing must be larger than the room by this many view units to need a bar: a fit that
// rounds to a hair above the view's side does not.
constexpr double kLargerBy = 0.5;

// A bar's range is the drawing's excess over the view, rounded up to whole steps, and its ends
// are the drawing's edges: a value is a share of the excess, so that the end of the bar brings
// the drawing's edge to the view's edge exactly.
int rangeFor(double excess)
{
    return excess > 0 ? static_cast<int>(std::ceil(excess)) : 0;
}

// How far the view's edge is from the drawing's, in the bar's units.
int valueFor(double start, double excess)
{
    const int range = rangeFor(excess);
    return range == 0 ? 0 : std::clamp(static_cast<int>(std::lround(-start * range / excess)), 0, range);
}

double startFor(int value, double excess)
{
    const int range = rangeFor(excess);
    return range == 0 ? 0.0 : -value * excess / range;
}

}

ViewScroller::ViewScroller(QWidget* parent)
    : QWidget(parent)
    , m_horizontal(new QScrollBar(Qt::Horizontal, this))
    , m_vertical(new QScrollBar(Qt::Vertical, this))
{
    m_horizontal->setObjectName(QStringLiteral("artHorizontalScrollBar"));
    m_vertical->setObjectName(QStringLiteral("artVerticalScrollBar"));
    for (QScrollBar* bar : {m_horizontal, m_vertical}) {
        bar->setSingleStep(kScrollStep);
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this,
                [this, bar](int value) { scrolled(bar->orientation(), value); });
    }
}

void ViewScroller::setView(Rotagraph* view)
{
    if (m_view)
        m_view->removeEventFilter(this);
    m_view = view;
    if (!view)
        return;
    view->setParent(this);
    view->installEventFilter(this);
    connect(view, &Rotagraph::zoomChanged, this, &ViewScroller::arrange);
    arrange();
    view->show();
}

QSize ViewScroller::sizeHint() const
{
    return m_view ? m_view->sizeHint() : QWidget::sizeHint();
}

QSize ViewScroller::minimumSizeHint() const
{
    return m_view ? m_view->minimumSizeHint() : QWidget::minimumSizeHint();
}

void ViewScroller::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

bool ViewScroller::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::Paint) {
        if (barsNeeded() == barsShown()) {
            showPosition();
        } else if (!m_arrangeQueued) {
            // Not while the view paints: arranging resizes it.
            m_arrangeQueued = true;
            QTimer::singleShot(0, this, [this] {
                m_arrangeQueued = false;
                arrange();
            });
        }
    }
    return QWidget::eventFilter(watched, event);
}

ViewScroller::Bars ViewScroller::barsNeeded() const
{
    if (!m_view || m_view->zoom().fitsToWindow())
        return {};
    // The drawing's size does not depend on the view's when it is not fitted.
    const double side = m_view->drawingArea().width();
    const QSize room = contentsRect().size();
    Bars needed{side > room.width() + kLargerBy, side > room.height() + kLargerBy};
    if (needed.horizontal && !needed.vertical)
        needed.vertical = side > room.height() - m_horizontal->sizeHint().height() + kLargerBy;
    if (needed.vertical && !needed.horizontal)
        needed.horizontal = side > room.width() - m_vertical->sizeHint().width() + kLargerBy;
    return needed;
}

ViewScroller::Bars ViewScroller::barsShown() const
{
    return {!m_horizontal->isHidden(), !m_vertical->isHidden()};
}

void ViewScroller::arrange()
{
    if (!m_view)
        return;
    const Bars before = barsShown();
    const Bars bars = barsNeeded();
    const bool centred = m_view->drawingArea().center() == QRectF(m_view->rect()).center();
    const QRect room = contentsRect();
    const int across = bars.vertical ? m_vertical->sizeHint().width() : 0;
    const int down = bars.horizontal ? m_horizontal->sizeHint().height() : 0;
    const QRect viewRect(room.topLeft(), QSize(std::max(0, room.width() - across), std::max(0, room.height() - down)));
    m_view->setGeometry(viewRect);
    m_horizontal->setGeometry(room.left(), viewRect.bottom() + 1, viewRect.width(), down);
    m_vertical->setGeometry(viewRect.right() + 1, room.top(), across, viewRect.height());
    m_horizontal->setVisible(bars.horizontal);
    m_vertical->setVisible(bars.vertical);
    // The view is measured from its centre: the room a bar takes or gives back would move the
    // drawing by half of it. Held where it stood in the window, it stays under the pointer; a
    // drawing centred in the view stays centred.
    QPointF stay;
    if (bars.vertical != before.vertical)
        stay.rx() = (bars.vertical ? 1 : -1) * m_vertical->sizeHint().width() / 2.0;
    if (bars.horizontal != before.horizontal)
        stay.ry() = (bars.horizontal ? 1 : -1) * m_horizontal->sizeHint().height() / 2.0;
    if (!stay.isNull() && !centred)
        m_view->moveDrawing(stay);   // says zoomChanged, which comes back here with the bars settled
    showPosition();
}

void ViewScroller::showPosition()
{
    if (!m_view)
        return;
    const QRectF area = m_view->drawingArea();
    const QSize shown = m_view->size();
    const auto show = [](QScrollBar* bar, double start, double side, int length) {
        const QSignalBlocker quiet(bar);
        bar->setRange(0, rangeFor(side - length));
        bar->setPageStep(std::max(1, length));
        bar->setValue(valueFor(start, side - length));
    };
    show(m_horizontal, area.left(), area.width(), shown.width());
    show(m_vertical, area.top(), area.height(), shown.height());
}

void ViewScroller::scrolled(Qt::Orientation orientation, int value)
{
    if (!m_view)
        return;
    const QRectF area = m_view->drawingArea();
    if (orientation == Qt::Horizontal)
        m_view->moveDrawing(QPointF(startFor(value, area.width() - m_view->width()) - area.left(), 0));
    else
        m_view->moveDrawing(QPointF(0, startFor(value, area.height() - m_view->height()) - area.top()));
}
