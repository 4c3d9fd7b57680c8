#include "view/Rotagraph.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// View units one line of the wheel scrolls: the wheel moves the desktop's lines per notch.
constexpr double kScrollLine = 20;

bool takesTyping(const QWidget* widget)
{
    return widget && widget->testAttribute(Qt::WA_InputMethodEnabled);
}

}

Rotagraph::Rotagraph(QWidget* parent)
    : QWidget(parent)
{
    // Clicking the drawing takes the focus, so that a number being typed is committed.
    setFocusPolicy(Qt::ClickFocus);
}

Composition Rotagraph::composition() const
{
    Composition composition = m_composition;
    composition.curves[std::size_t(m_selected)].art = m_art;
    composition.background = m_background;
    return composition;
}

void Rotagraph::setComposition(const Composition& composition, int selected)
{
    if (composition.curves.empty())
        return;
    m_composition = composition;
    m_selected = std::clamp(selected, 0, int(composition.curves.size()) - 1);
    m_art = m_composition.curves[std::size_t(m_selected)].art;
    if (m_drawnUpTo >= int(composition.curves.size()))
        m_drawnUpTo = int(composition.curves.size()) - 1;
}

void Rotagraph::showDrawingUpTo(int curve, float percent)
{
    m_drawnUpTo = std::clamp(curve, 0, int(m_composition.curves.size()) - 1);
    m_drawnPercent = percent;
}

void Rotagraph::showWholeDrawing()
{
    m_drawnUpTo = -1;
    m_drawnPercent = 100;
}

FitExtent Rotagraph::fitExtent() const
{
    return ::fitExtent(composition());
}

Composition Rotagraph::drawnComposition(int32_t mode) const
{
    Composition drawn;
    drawn.curves.resize(m_composition.curves.size());
    for (std::size_t i = 0; i < m_composition.curves.size(); ++i) {
        const ComposedCurve& curve = m_composition.curves[i];
        // A curve that is not drawn is left as a new one, hidden: nothing of it makes the
        // picture another.
        if (!curve.visible || (m_drawnUpTo >= 0 && int(i) > m_drawnUpTo)) {
            drawn.curves[i].visible = false;
            continue;
        }
        ComposedCurve& shown = drawn.curves[i];
        shown.art = int(i) == m_selected ? m_art : curve.art;
        shown.art.showAnchor = shown.art.showAnchor && int(i) == m_selected;
        if (m_drawnUpTo >= 0)
            shown.art.percentToDraw = int(i) == m_drawnUpTo ? m_drawnPercent : 100;
        shown.art.drawMode = mode;
        shown.turn = curve.turn;
        shown.copies = curve.copies;
        shown.scale = curve.scale;
    }
    return drawn;
}

QSize Rotagraph::sizeHint() const
{
    return {640, 640};
}

QSize Rotagraph::minimumSizeHint() const
{
    return {160, 160};
}

double Rotagraph::screenScale() const
{
    return m_zoom.scale(size(), fitExtent());
}

void Rotagraph::setZoom(const ViewZoom& zoom)
{
    const bool moved = zoom != m_zoom;
    m_zoom = zoom;
    showCursor();
    update();
    if (moved)
        emit zoomChanged();
}

void Rotagraph::showCursor()
{
    // A hand where the drawing can be moved: closed while it is held.
    if (m_dragFrom)
        setCursor(Qt::ClosedHandCursor);
    else
        setCursor(m_zoom.fitsToWindow() ? Qt::ArrowCursor : Qt::OpenHandCursor);
}

void Rotagraph::fitToWindow()
{
    ViewZoom zoom = m_zoom;
    zoom.setFitToWindow();
    setZoom(zoom);
}

void Rotagraph::actualSize()
{
    ViewZoom zoom = m_zoom;
    zoom.setActualSize();
    setZoom(zoom);
}

void Rotagraph::zoomIn()
{
    ViewZoom zoom = m_zoom;
    zoom.zoomIn(size(), fitExtent());
    setZoom(zoom);
}

void Rotagraph::zoomOut()
{
    ViewZoom zoom = m_zoom;
    zoom.zoomOut(size(), fitExtent());
    setZoom(zoom);
}

QRectF Rotagraph::drawingArea() const
{
    return m_zoom.drawingArea(size(), fitExtent());
}

void Rotagraph::moveDrawing(const QPointF& delta)
{
    ViewZoom zoom = m_zoom;
    zoom.pan(delta, size(), fitExtent());
    setZoom(zoom);
}

QPointF Rotagraph::centreOffset(const QPointF& viewPoint) const
{
    return viewPoint - QPointF(width() / 2.0, height() / 2.0);
}

QPointF Rotagraph::scrollDistance(const QWheelEvent& event)
{
    // A touchpad says how far in pixels; a wheel says how many notches, in eighths of a degree.
    QPointF distance = !event.pixelDelta().isNull()
        ? QPointF(event.pixelDelta())
        : QPointF(event.angleDelta()) / QWheelEvent::DefaultDeltasPerStep * QApplication::wheelScrollLines() * kScrollLine;
    // Shift turns a wheel that only turns up and down sideways; up is to the left, as text goes.
    if ((event.modifiers() & Qt::ShiftModifier) && distance.x() == 0)
        distance = QPointF(distance.y(), 0);
    return distance;
}

void Rotagraph::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        // Ctrl and the wheel zoom about the pointer.
        const double notches = event->angleDelta().y() / double(QWheelEvent::DefaultDeltasPerStep);
        if (notches == 0) {
            event->ignore();
            return;
        }
        ViewZoom zoom = m_zoom;
        zoom.zoomAbout(centreOffset(event->position()), std::pow(ViewZoom::kStepFactor, notches), size(),
                       fitExtent());
        setZoom(zoom);
        return;
    }
    // The wheel scrolls a drawing only along an axis where it is larger than the view; what
    // it does not scroll is left to whoever holds the view.
    QPointF distance = scrollDistance(*event);
    const QRectF area = drawingArea();
    if (!(area.width() > width()))
        distance.setX(0);
    if (!(area.height() > height()))
        distance.setY(0);
    if (distance.isNull()) {
        event->ignore();
        return;
    }
    moveDrawing(distance);
}

void Rotagraph::mousePressEvent(QMouseEvent* event)
{
    const bool grabs = event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton;
    if (!grabs || m_dragFrom || m_zoom.fitsToWindow()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragFrom = event->position();
    m_dragButton = event->button();
    showCursor();
}

void Rotagraph::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragFrom) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF delta = event->position() - *m_dragFrom;
    m_dragFrom = event->position();
    moveDrawing(delta);
}

void Rotagraph::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragFrom || event->button() != m_dragButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragFrom.reset();
    m_dragButton = Qt::NoButton;
    showCursor();
}

void Rotagraph::showEvent(QShowEvent* event)
{
    listenForSpace(true);
    QWidget::showEvent(event);
}

void Rotagraph::hideEvent(QHideEvent* event)
{
    m_spaceHeld = false;
    listenForSpace(false);
    QWidget::hideEvent(event);
}

bool Rotagraph::pointerIsOver() const
{
    return rect().contains(mapFromGlobal(QCursor::pos()));
}

void Rotagraph::listenForSpace(bool listen)
{
    if (listen == m_listeningForSpace)
        return;
    m_listeningForSpace = listen;
    // Key events go to the focus, which is seldom the view: the application shows them first,
    // while the view is on screen.
    if (listen)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool Rotagraph::eventFilter(QObject* watched, QEvent* event)
{
    // Every event of the application passes here: the few that count are picked out first.
    const QEvent::Type type = event->type();
    const bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    if ((!key && type != QEvent::WindowDeactivate) || !watched->isWidgetType()
        || static_cast<QWidget*>(watched)->window() != window())
        return QWidget::eventFilter(watched, event);
    if (!key) {
        m_spaceHeld = false;   // its release goes to another window
        return QWidget::eventFilter(watched, event);
    }
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    if (keyEvent->key() != Qt::Key_Space)
        return QWidget::eventFilter(watched, event);
    // From the press over the view to the release, every Space is the view's, the keyboard's
    // repeats among them: a focused button or list would be pressed or opened by it.
    const bool press = type == QEvent::KeyPress;
    if (m_spaceHeld) {
        if (!press && !keyEvent->isAutoRepeat())
            m_spaceHeld = false;
        return true;
    }
    if (press && !keyEvent->isAutoRepeat() && pointerIsOver() && !takesTyping(QApplication::focusWidget())) {
        m_spaceHeld = true;
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Rotagraph::paintEvent(QPaintEvent* event)
{
    if (m_art.drawMode == ScreenMode)
        paintScreenPicture();
    else
        drawRect(event->rect());
}

DrawingScheduler& Rotagraph::scheduler()
{
    if (!m_scheduler) {
        m_scheduler = std::make_unique<DrawingScheduler>();
        connect(m_scheduler.get(), &DrawingScheduler::pictureReady, this, qOverload<>(&QWidget::update));
        connect(m_scheduler.get(), &DrawingScheduler::progressed, this, &Rotagraph::drawingProgressed);
    }
    return *m_scheduler;
}

ScreenRequest Rotagraph::screenRequest() const
{
    ScreenRequest request;
    request.composition = drawnComposition(ScreenMode);
    request.pixelRatio = devicePixelRatioF();
    request.pixels = (QSizeF(size()) * request.pixelRatio).toSize();
    const FitExtent extent = fitExtent();
    request.scale = m_zoom.scale(size(), extent);
    // The centre on a whole device pixel, so that a picture moved with it (the window grew by
    // an odd number of pixels) stays the same picture.
    const QPointF centre = QPointF(width() / 2.0, height() / 2.0) + m_zoom.offset(size(), extent);
    request.centre = QPointF(std::floor(centre.x() * request.pixelRatio), std::floor(centre.y() * request.pixelRatio))
        / request.pixelRatio;
    return request;
}

void Rotagraph::paintScreenPicture()
{
    const ScreenRequest request = screenRequest();
    const ScreenPicture* picture = scheduler().pictureFor(request);
    const bool current = picture != nullptr;
    if (!picture)
        picture = scheduler().latest();   // until the drawing is done: the last one, in its place
    QPainter painter(this);
    if (m_background.isValid())
        painter.fillRect(rect(), m_background);
    if (!picture)
        return;
    // A zoom shows the last picture scaled about the design's centre at once, until the one at
    // the new scale is drawn.
    const double zoomed = picture->request.scale > 0 ? request.scale / picture->request.scale : 1;
    painter.translate(request.centre);
    if (std::isfinite(zoomed) && zoomed != 1)
        painter.scale(zoomed, zoomed);
    painter.drawImage(-picture->request.centre, picture->image);
    if (current) {
        m_lastOutcome = picture->outcome;
        emit drawn();
    }
}

void Rotagraph::finishDrawing()
{
    if (m_art.drawMode != ScreenMode)
        return;
    m_lastOutcome = scheduler().finish(screenRequest()).outcome;
    update();
}

bool Rotagraph::isDrawing() const
{
    return m_scheduler && m_scheduler->isDrawing();
}

void Rotagraph::drawRect(const QRectF& rect)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_painter = &painter;
    if (m_background.isValid())
        painter.fillRect(rect, m_background);
    const ArtParameters& art = m_art;
    const bool onScreen = art.drawMode == ScreenMode;
    const Composition curves = drawnComposition(art.drawMode);
    const FitExtent extent = fitExtent();

    // The drawing area: the printable area of the page, or the rectangle being drawn.
    float width = 0;
    float height = 0;
    // No page: the area stays (0, 0). An unset QSizeF is (-1, -1), which would fit the design
    // to a negative size at the top left corner.
    if (art.drawMode == PrintMode && m_printableArea.isValid()) {
        width = static_cast<float>(m_printableArea.width());
        height = static_cast<float>(m_printableArea.height());
    } else if (art.drawMode == ImageExportMode) {
        width = static_cast<float>(rect.width());
        height = static_cast<float>(rect.height());
    }
    QTransform transform;
    if (width + height != 0) {
        // The whole composition is fitted, whatever a slow drawing shows of it, so that it stands
        // still as it grows.
        transform = fittedTransform(extent, width, height, art.allowScaleUp && art.drawMode == ImageExportMode);
    } else {
        // On screen, or printing without a page: centred in the view; on screen the zoom
        // scales and places the design, elsewhere it stays at scale 0 (nothing shows).
        const QPointF centre = QPointF(this->width() / 2.0, this->height() / 2.0) + (onScreen ? m_zoom.offset(size(), extent) : QPointF());
        const qreal scale = onScreen ? m_zoom.scale(size(), extent) : fitFactor(0, 0, extent.radius, extent.penWidth, false);
        transform = QTransform(scale, 0, 0, -scale, centre.x(), centre.y());
    }
    m_lastOutcome = paintComposition(painter, curves, transform, m_selected);

    m_painter = nullptr;
    emit drawn();
}

void Rotagraph::fillIn(const QPainterPath& path)
{
    if (m_painter && m_art.fillColor.isValid())
        m_painter->fillPath(path, m_art.fillColor);
}
