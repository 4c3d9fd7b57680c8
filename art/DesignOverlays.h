#pragma once

// The grey wheels drawn over a design on screen, in thin lines: the anchor, and, while a drawing
// shows part of its curve, the wheels that roll where the trace left them, each with an arm from
// its centre so that its turning shows.

class QPainter;
class QTransform;
struct ArtParameters;
class TracedCurve;

// The anchor's circle.
void paintAnchor(QPainter& painter, const ArtParameters& art, const QTransform& transform);

// The runner where the trace of `curve` left it, its arm from the centre to the pen; with nested
// wheels, every wheel that rolls, the arm of each to its rim and the last one's to the pen.
void paintRollingWheels(QPainter& painter, const ArtParameters& art, const TracedCurve& curve,
                        const QTransform& transform);
