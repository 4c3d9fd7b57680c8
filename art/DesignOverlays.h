#pragma once

// The wheels drawn over a design on screen, in thin lines: the anchor in grey, and, while a
// drawing shows part of its curve, the wheels that roll where the trace left them, each in a
// colour of its own with its disc lightly tinted and an arm from its centre so that its turning
// shows, and a ring where the pen stands.

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
