#include "art/Rotagraph.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <cmath>

Rotagraph::Rotagraph(QWidget* parent)
    : QWidget(parent)
{
    // Clicking the drawing takes the focus, so that a number being typed is committed.
    setFocusPolicy(Qt::ClickFocus);
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
    setCursor(m_zoom.fitsToWindow() ? Qt::ArrowCursor : Qt::OpenHandCursor);
    update();
    if (moved)
        emit zoomChanged();
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

QPointF Rotagraph::centreOffset(const QPointF& viewPoint) const
{
    return viewPoint - QPointF(width() / 2.0, height() / 2.0);
}

void Rotagraph::wheelEvent(QWheelEvent* event)
{
    // Ctrl and the wheel zoom about the pointer; the wheel alone is left to whoever holds the view.
    const double notches = event->angleDelta().y() / double(QWheelEvent::DefaultDeltasPerStep);
    if (!(event->modifiers() & Qt::ControlModifier) || notches == 0) {
        event->ignore();
        return;
    }
    ViewZoom zoom = m_zoom;
    zoom.zoomAbout(centreOffset(event->position()), std::pow(ViewZoom::kStepFactor, notches), size(),
                   fitExtent());
    setZoom(zoom);
}

void Rotagraph::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_zoom.fitsToWindow()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragFrom = event->position();
    setCursor(Qt::ClosedHandCursor);
}

void Rotagraph::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragFrom) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    ViewZoom zoom = m_zoom;
    zoom.pan(event->position() - *m_dragFrom);
    m_dragFrom = event->position();
    setZoom(zoom);
    setCursor(Qt::ClosedHandCursor);
}

void Rotagraph::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragFrom || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragFrom.reset();
    setCursor(Qt::OpenHandCursor);
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
    request.art = m_art;
    request.pixelRatio = devicePixelRatioF();
    request.pixels = (QSizeF(size()) * request.pixelRatio).toSize();
    request.scale = m_zoom.scale(size(), fitExtent());
    // The centre on a whole device pixel, so that a picture moved with it (the window grew by
    // an odd number of pixels) stays the same picture.
    const QPointF centre = QPointF(width() / 2.0, height() / 2.0) + m_zoom.offset();
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
        picture = scheduler().latest();   // until the drawing is done: as it was, not stretched
    if (!picture)
        return;
    QPainter painter(this);
    painter.drawImage(request.centre - picture->request.centre, picture->image);
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
    const ArtParameters& art = m_art;
    const bool onScreen = art.drawMode == ScreenMode;

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
        transform = fittedTransform(art, width, height);
    } else {
        // On screen, or printing without a page: centred in the view; on screen the zoom
        // scales and places the design, elsewhere it stays at scale 0 (nothing shows).
        const QPointF centre = QPointF(this->width() / 2.0, this->height() / 2.0) + (onScreen ? m_zoom.offset() : QPointF());
        const qreal scale = onScreen ? m_zoom.scale(size(), fitExtent()) : fitFactor(0, 0, boundingRadius(art), art.penDrawSize, false);
        transform = QTransform(scale, 0, 0, -scale, centre.x(), centre.y());
    }
    m_lastOutcome = paintDesign(painter, art, transform);

    m_painter = nullptr;
    emit drawn();
}

void Rotagraph::fillIn(const QPainterPath& path)
{
    if (m_painter && m_art.fillColor.isValid())
        m_painter->fillPath(path, m_art.fillColor);
}
