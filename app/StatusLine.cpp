#include "app/StatusLine.h"

#include <QLabel>
#include <QLocale>
#include <QStatusBar>

#include <cmath>

namespace {

constexpr double kPercent = 100;

}

StatusLine::StatusLine(QStatusBar* bar)
    : QObject(bar)
    , m_drawing(new QLabel(bar))
    , m_closure(new QLabel(bar))
    , m_progress(new QLabel(bar))
    , m_zoom(new QLabel(bar))
{
    m_drawing->setObjectName(QStringLiteral("drawingStatus"));
    m_closure->setObjectName(QStringLiteral("closureStatus"));
    m_progress->setObjectName(QStringLiteral("progressStatus"));
    m_zoom->setObjectName(QStringLiteral("zoomStatus"));
    bar->addWidget(m_drawing, 1);
    bar->addPermanentWidget(m_closure);
    bar->addPermanentWidget(m_progress);
    bar->addPermanentWidget(m_zoom);
}

void StatusLine::showPointCount(std::size_t points, bool truncated, const QString& cutCurveName)
{
    const QString count = QLocale().toString(qulonglong(points));
    if (truncated && !cutCurveName.isEmpty())
        m_drawing->setText(tr("This design is too long to draw whole: %1 is cut, after %2 points in all.")
                               .arg(cutCurveName, count));
    else if (truncated)
        m_drawing->setText(tr("This design is too long to draw whole: it stops after %1 points.").arg(count));
    else
        m_drawing->setText(points == 1 ? tr("1 point") : tr("%1 points").arg(count));
}

void StatusLine::showDrawingProgress(int percent)
{
    m_drawing->setText(tr("Drawing… %1 %").arg(percent));
}

void StatusLine::showSlowDrawing(float percent, const QString& curveName)
{
    // Always there, empty when no slow drawing runs: showing and hiding it would change the
    // status bar's height, and with it the drawing's.
    const double shown = std::min(std::floor(double(percent)), kPercent);
    if (percent < 0)
        m_progress->clear();
    else if (curveName.isEmpty())
        m_progress->setText(tr("Drawing slowly: %1 %").arg(shown));
    else
        m_progress->setText(tr("Drawing slowly: %1, %2 %").arg(curveName).arg(shown));
}

void StatusLine::showZoom(double scale)
{
    // Below what a tenth of a percent shows (a design of radius 1e38 fitted), not "0.0".
    constexpr double kSmallestShown = 0.05;
    if (scale * kPercent < kSmallestShown)
        m_zoom->setText(tr("Zoom < %1 %").arg(QLocale().toString(0.1, 'f', 1)));
    else
        m_zoom->setText(tr("Zoom %1 %").arg(QLocale().toString(scale * kPercent, 'f', scale < 0.1 ? 1 : 0)));
}

void StatusLine::showClosure(std::optional<int> revolutions, int most, const QString& curveName)
{
    const QLocale locale;
    if (curveName.isEmpty()) {
        if (!revolutions)
            m_closure->setText(tr("Does not close within %1 revolutions").arg(locale.toString(most)));
        else if (*revolutions == 1)
            m_closure->setText(tr("Closes after 1 revolution"));
        else
            m_closure->setText(tr("Closes after %1 revolutions").arg(locale.toString(*revolutions)));
        return;
    }
    if (!revolutions)
        m_closure->setText(tr("%1 does not close within %2 revolutions").arg(curveName, locale.toString(most)));
    else if (*revolutions == 1)
        m_closure->setText(tr("%1 closes after 1 revolution").arg(curveName));
    else
        m_closure->setText(tr("%1 closes after %2 revolutions").arg(curveName, locale.toString(*revolutions)));
}

void StatusLine::showToothClosure(const ToothClosure& closure, const QString& curveName)
{
    const QLocale locale;
    const QString petals = closure.petals == 1 ? tr("1 petal") : tr("%1 petals").arg(locale.toString(closure.petals));
    const QString text = closure.turns == 1
        ? tr("%1; closes after 1 turn of the wheel").arg(petals)
        : tr("%1; closes after %2 turns of the wheel").arg(petals, locale.toString(closure.turns));
    m_closure->setText(curveName.isEmpty() ? text : tr("%1: %2").arg(curveName, text));
}

void StatusLine::showNote(const QString& note)
{
    constexpr int kNoteMilliseconds = 10'000;
    if (auto* bar = qobject_cast<QStatusBar*>(parent()))
        bar->showMessage(note, kNoteMilliseconds);
}

QString StatusLine::drawingText() const
{
    return m_drawing->text();
}

QString StatusLine::zoomText() const
{
    return m_zoom->text();
}

QString StatusLine::closureText() const
{
    return m_closure->text();
}
