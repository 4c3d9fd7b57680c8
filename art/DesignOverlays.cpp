#include "art/DesignOverlays.h"

#include "art/DesignPainter.h"
#include "art/DrawingGeometry.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr qreal kOverlayLineWidth = 1;
// The pen's mark: a ring this many view units across, never scaled with the design.
constexpr qreal kPenMarkRadius = 4;
// How strongly a rolling wheel's disc is tinted, so that wheels on top of each other still tell
// apart.
constexpr float kWheelTint = 0.12f;

QColor overlayGrey() { return QColor::fromRgbF(0.5f, 0.5f, 0.5f); }

// The anchor grey, then each rolling wheel in a hue of its own: the runner blue, the next
// wheels green and violet.
QColor wheelColour(int wheel)
{
    static const QColor kRolling[] = {QColor(40, 100, 200), QColor(20, 150, 90), QColor(150, 60, 190)};
    return wheel <= 0 ? overlayGrey() : kRolling[std::min<std::size_t>(std::size_t(wheel - 1), std::size(kRolling) - 1)];
}

bool isFinitePath(const QPainterPath& path)
{
    const QRectF bounds = path.controlPointRect();
    return std::isfinite(bounds.left()) && std::isfinite(bounds.top())
        && std::isfinite(bounds.width()) && std::isfinite(bounds.height());
}

void strokeOverlay(QPainter& painter, const QPainterPath& path, const QColor& colour = overlayGrey())
{
    if (!isFinitePath(path))
        return;
    painter.strokePath(path, linePen(colour, kOverlayLineWidth));
}

// A circle of radius |r| about the origin.
QPainterPath circle(qreal r)
{
    QPainterPath path;
    path.addEllipse(QRectF(-r, -r, 2 * r, 2 * r).normalized());
    return path;
}

// A rolling wheel: its disc lightly tinted, its rim and its arm in its colour.
void paintWheel(QPainter& painter, const QPainterPath& disc, const QPainterPath& arm, int wheel)
{
    if (!isFinitePath(disc) || !isFinitePath(arm))
        return;
    QColor tint = wheelColour(wheel);
    tint.setAlphaF(kWheelTint);
    painter.fillPath(disc, tint);
    QPainterPath outline = disc;
    outline.addPath(arm);
    strokeOverlay(painter, outline, wheelColour(wheel));
}

// Where the pen stands: a dark ring round a white dot, seen on any curve colour.
void markPen(QPainter& painter, const QPointF& pen)
{
    if (!std::isfinite(pen.x()) || !std::isfinite(pen.y()))
        return;
    QPainterPath ring;
    ring.addEllipse(pen, kPenMarkRadius, kPenMarkRadius);
    painter.fillPath(ring, Qt::white);
    painter.strokePath(ring, linePen(Qt::black, 1.5));
}

}

void paintAnchor(QPainter& painter, const ArtParameters& art, const QTransform& transform)
{
    strokeOverlay(painter, transform.map(circle(art.anchorRadius)));
}

void paintRollingWheels(QPainter& painter, const ArtParameters& art, const TracedCurve& curve,
                        const QTransform& transform)
{
    if (rollingNestedWheels(art.nested, art.runnerRadius) > 0) {
        const WheelsAt at = wheelsAt(curveParameters(art), curve.lastOrbitAngle);
        for (int k = 1; k < at.count; ++k) {
            const WheelPlace& wheel = at.wheels[std::size_t(k)];
            const QPointF centre(wheel.x, wheel.y);
            QPainterPath arm;
            arm.moveTo(centre);
            // Each arm along its wheel's angle so that its turning shows: to its rim, and the
            // last wheel's to the pen.
            arm.lineTo(k == at.count - 1
                           ? QPointF(at.penX, at.penY)
                           : centre + std::fabs(wheel.radius) * QPointF(std::cos(wheel.angle), std::sin(wheel.angle)));
            paintWheel(painter, transform.map(circle(wheel.radius).translated(centre)), transform.map(arm), k);
        }
        markPen(painter, transform.map(QPointF(at.penX, at.penY)));
        return;
    }
    QTransform atRunner = transform;
    atRunner.translate(curve.lastRunnerCenter.x, curve.lastRunnerCenter.y);
    atRunner.rotateRadians(curve.lastRunnerAngle);
    QPainterPath arm;
    arm.moveTo(0, 0);
    arm.lineTo(art.penHoleRadius, 0);
    paintWheel(painter, atRunner.map(circle(art.runnerRadius)), atRunner.map(arm), 1);
    markPen(painter, atRunner.map(QPointF(art.penHoleRadius, 0)));
}
