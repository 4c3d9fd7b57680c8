#include "art/DesignOverlays.h"

#include "art/DesignPainter.h"
#include "art/DrawingGeometry.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr qreal kOverlayLineWidth = 1;

QColor overlayGrey() { return QColor::fromRgbF(0.5f, 0.5f, 0.5f); }

bool isFinitePath(const QPainterPath& path)
{
    const QRectF bounds = path.controlPointRect();
    return std::isfinite(bounds.left()) && std::isfinite(bounds.top())
        && std::isfinite(bounds.width()) && std::isfinite(bounds.height());
}

void strokeOverlay(QPainter& painter, const QPainterPath& path)
{
    if (!isFinitePath(path))
        return;
    painter.strokePath(path, linePen(overlayGrey(), kOverlayLineWidth));
}

// A circle of radius |r| about the origin.
QPainterPath circle(qreal r)
{
    QPainterPath path;
    path.addEllipse(QRectF(-r, -r, 2 * r, 2 * r).normalized());
    return path;
}

// The wheels that roll, each with an arm from its centre along its angle so that its turning
// shows: to its rim, and the last wheel's to the pen.
QPainterPath wheelsOverlay(const WheelsAt& at)
{
    QPainterPath path;
    for (int k = 1; k < at.count; ++k) {
        const WheelPlace& wheel = at.wheels[std::size_t(k)];
        const QPointF centre(wheel.x, wheel.y);
        path.addPath(circle(wheel.radius).translated(centre));
        path.moveTo(centre);
        if (k == at.count - 1)
            path.lineTo(at.penX, at.penY);
        else
            path.lineTo(centre + std::fabs(wheel.radius) * QPointF(std::cos(wheel.angle), std::sin(wheel.angle)));
    }
    return path;
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
        strokeOverlay(painter, transform.map(wheelsOverlay(wheelsAt(curveParameters(art), curve.lastOrbitAngle))));
        return;
    }
    QPainterPath runner = circle(art.runnerRadius);
    runner.moveTo(0, 0);
    runner.lineTo(art.penHoleRadius, 0);
    QTransform atRunner = transform;
    atRunner.translate(curve.lastRunnerCenter.x, curve.lastRunnerCenter.y);
    atRunner.rotateRadians(curve.lastRunnerAngle);
    strokeOverlay(painter, atRunner.map(runner));
}
