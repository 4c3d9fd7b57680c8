#pragma once

// "Draw Slowly": the visible curves drawn from their start, one after another, a step a frame,
// until the last is whole or the user stops it (the button again, or Escape). A worker thread
// only paces the frames and reads the cancel flag; every change it makes (the art view's partial
// drawing, the status line, the button) is posted to the main thread, in order, and dropped once
// this is gone.

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class FloatSlider;
class QLabel;
class QPushButton;
class QThreadPool;
class QWidget;
class Rotagraph;
class StatusLine;

class SlowDrawing : public QObject
{
    Q_OBJECT

public:
    struct Controls {
        QPushButton* button = nullptr;    // Draw Slowly, Stop Drawing while it runs
        FloatSlider* speed = nullptr;     // hundredths of a revolution a frame
        QLabel* speedValue = nullptr;     // the speed as a number
    };

    // Escape over `window` stops a slow drawing.
    SlowDrawing(Controls controls, Rotagraph* art, StatusLine* statusLine, QWidget* window, QObject* parent = nullptr);
    // Stops a slow drawing under way and waits for its worker.
    ~SlowDrawing() override;

    // From here on the button starts slow drawings.
    void makeReady();
    // A slow drawing under way stops after its frame.
    void stop();

    // Runs on a slow drawing's worker after each frame is handed to the window, in place of the
    // pause between frames, with the flag that stops the drawing. Tests hold each frame there
    // until the window has shown it, however fast or slow the machine is. Set it while no slow
    // drawing runs.
    static void setFramePauseHook(std::function<void(const std::atomic<bool>& cancelled)> hook);

private:
    // What a slow drawing draws, fixed when it starts: each visible curve in the list's order,
    // with the percent it grows by each frame.
    struct Stage {
        int curve = 0;
        float step = 0;
        QString name;   // empty in a design of one curve
    };

    void buttonClicked();
    std::vector<Stage> stages() const;
    // The body of a slow drawing, on a worker thread.
    void run();
    void postToMainThread(std::function<void()> change);

    QPointer<QPushButton> m_button;
    QPointer<FloatSlider> m_speed;
    QPointer<Rotagraph> m_artView;
    StatusLine* m_statusLine;
    std::atomic<bool> m_cancelled{false};
    std::vector<Stage> m_stages;
    std::function<void(const std::atomic<bool>&)> m_framePause;   // set with the stages
    std::unique_ptr<QThreadPool> m_workers;
};
