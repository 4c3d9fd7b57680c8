#include "widgets/ScrollPanel.h"

#include <QEvent>
#include <QScrollBar>
#include <QStyle>

namespace {

// How little of the column may show: a few rows of controls.
constexpr int kMinimumHeight = 120;

}

ScrollPanel::ScrollPanel(QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // The controls in it take the focus; the column itself has nothing to type into.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

QSize ScrollPanel::sizeHint() const
{
    const QSize content = widget() ? widget()->sizeHint() : QSize();
    return {minimumSizeHint().width(), content.height() + 2 * frameWidth()};
}

bool ScrollPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

QSize ScrollPanel::minimumSizeHint() const
{
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int content = widget() ? std::max(widget()->minimumSizeHint().width(), widget()->sizeHint().width()) : 0;
    return {content + scrollBar + 2 * frameWidth(), kMinimumHeight};
}
