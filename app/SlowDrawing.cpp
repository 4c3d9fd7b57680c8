#include "app/SlowDrawing.h"

#include "app/StatusLine.h"
#include "app/WindowControls.h"
#include "view/Rotagraph.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QThreadPool>

#include <chrono>
#include <thread>

namespace {

const QString kDrawSlowlyTitle = QStringLiteral("Draw Slowly");
const QString kStopDrawingTitle = QStringLiteral("Stop Drawing");
constexpr std::chrono::milliseconds kFramePause{50};
constexpr float kNoSlowDrawing = -1;
constexpr float kFinalPercent = 100;

std::function<void(const std::atomic<bool>&)>& framePauseHook()
{
    static std::function<void(const std::atomic<bool>&)> hook;
    return hook;
}

}

void SlowDrawing::setFramePauseHook(std::function<void(const std::atomic<bool>& cancelled)> hook)
{
    framePauseHook() = std::move(hook);
}

SlowDrawing::SlowDrawing(Controls controls, Rotagraph* art, StatusLine* statusLine, QWidget* window, QObject* parent)
    : QObject(parent)
    , m_button(controls.button)
    , m_speed(controls.speed)
    , m_artView(art)
    , m_statusLine(statusLine)
{
    connect(controls.button, &QAbstractButton::clicked, this, &SlowDrawing::buttonClicked);
    connect(controls.speed, &QSlider::valueChanged, this, [this, label = QPointer<QLabel>(controls.speedValue)] {
        if (label)
            label->setText(QString::number(double(floatValueOf(m_speed))));
    });
    // Escape stops a slow drawing, as the button does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_button && m_button->text() == kStopDrawingTitle)
            buttonClicked();
    });
}

SlowDrawing::~SlowDrawing()
{
    // A slow drawing posts to this: stop it and wait for its worker before going.
    stop();
    if (m_workers)
        m_workers->waitForDone();
}

void SlowDrawing::makeReady()
{
    m_workers = std::make_unique<QThreadPool>();
    m_cancelled = false;
}

void SlowDrawing::stop()
{
    m_cancelled = true;
}

void SlowDrawing::buttonClicked()
{
    if (m_button && m_button->text() == kDrawSlowlyTitle && m_workers && m_artView) {
        m_cancelled = false;
        m_stages = stages();
        m_framePause = framePauseHook();
        m_workers->start([this] { run(); });
        m_button->setText(kStopDrawingTitle);
        setEnabledOf(m_speed, false);
    } else {
        stop();   // the worker restores the button and the slider when it ends
    }
}

std::vector<SlowDrawing::Stage> SlowDrawing::stages() const
{
    // Each curve takes as many frames as it has revolutions to make, at the window's speed, so
    // that a slow drawing of a one-curve design runs as it always has.
    const float speed = floatValueOf(m_speed);
    const Composition composition = m_artView->composition();
    const bool named = composition.curves.size() > 1;
    std::vector<Stage> stages;
    for (int curve = 0; curve < int(composition.curves.size()); ++curve) {
        const ComposedCurve& composed = composition.curves[std::size_t(curve)];
        if (composed.visible)
            stages.push_back({curve, speed / composed.art.rotationsToMake, named ? composed.name : QString()});
    }
    return stages;
}

void SlowDrawing::run()
{
    const auto showFrame = [this](const Stage& stage, float percent) {
        postToMainThread([this, stage, percent] {
            if (m_artView) {
                m_artView->showDrawingUpTo(stage.curve, percent);
                m_artView->update();
            }
            m_statusLine->showSlowDrawing(percent, stage.name);
        });
    };
    for (const Stage& stage : m_stages) {
        const double bound = 100.0 + static_cast<double>(stage.step);
        // A step of 0 or less never reaches the bound: such a drawing runs until it is stopped.
        for (float percent = stage.step; static_cast<double>(percent) < bound && !m_cancelled; percent += stage.step) {
            showFrame(stage, percent);
            if (m_framePause)
                m_framePause(m_cancelled);
            else
                std::this_thread::sleep_for(kFramePause);
        }
        if (m_cancelled)
            break;
    }
    postToMainThread([this] {
        if (m_artView) {
            m_artView->showWholeDrawing();
            m_artView->update();
        }
        m_statusLine->showSlowDrawing(kFinalPercent);
    });
    postToMainThread([this] {
        if (m_button)
            m_button->setText(kDrawSlowlyTitle);
        setEnabledOf(m_speed, true);
        m_statusLine->showSlowDrawing(kNoSlowDrawing);
    });
}

void SlowDrawing::postToMainThread(std::function<void()> change)
{
    // Queued calls run in the order posted, and are dropped if this is gone.
    QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}
