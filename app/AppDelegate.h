#pragma once

// The application controller. It builds the main window from ui/MainWindow.ui and keeps the art
// view and the controls in step:
//   control action → fields and steppers follow each other by tag → drawNow() copies every
//   control into the art view → the view asks its DrawingScheduler for the picture: drawn at
//   once when small, on a worker otherwise, the last finished picture shown meanwhile.
// The default design (newMenuSelected) writes the art view and pushes it back into the controls
// (syncAllControlsToArt). A slow drawing runs on the controller's thread pool: the worker only
// paces and reads the cancel flag; every change it makes is posted to the main thread in order.
// After each action the document (DesignDocument) records what changed as a step to undo; an
// opened or pasted design is set in the controls (DesignControls) and then takes the actions'
// own path to the art view, so that confinement and the limit hold as they would.

#include "app/MainWindow.h"
#include "app/WindowControls.h"
#include "art/Rotagraph.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CurveCommands;
class DesignDocument;
class DesignFiles;
class QPrinter;
class StatusLine;
class QThreadPool;
struct CurveDesign;
struct Design;
struct WindowState;
enum class VectorFormat;
namespace Ui { class MainWindow; }

class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    MainWindow* mainWindow() const { return m_window.get(); }
    StatusLine* statusLine() const { return m_statusLine; }
    Rotagraph* artView() const { return m_artView; }

    QPointer<NumberField> anchorRadiusInput() const { return m_controls.numeric[AnchorRadiusTag - 1].input; }
    QPointer<NumberField> runnerRadiusInput() const { return m_controls.numeric[RunnerRadiusTag - 1].input; }
    QPointer<NumberField> penRadiusInput() const { return m_controls.numeric[PenRadiusTag - 1].input; }
    QPointer<NumberField> revolutionsInput() const { return m_controls.numeric[RevolutionsTag - 1].input; }
    QPointer<Stepper> anchorRadiusStepper() const { return m_controls.numeric[AnchorRadiusTag - 1].stepper; }
    QPointer<Stepper> runnerRadiusStepper() const { return m_controls.numeric[RunnerRadiusTag - 1].stepper; }
    QPointer<Stepper> penRadiusStepper() const { return m_controls.numeric[PenRadiusTag - 1].stepper; }
    QPointer<Stepper> revolutionsStepper() const { return m_controls.numeric[RevolutionsTag - 1].stepper; }
    QPointer<QCheckBox> showAnchorCheckbox() const { return m_controls.showAnchorCheckbox; }
    QPointer<QCheckBox> closeCurveCheckbox() const { return m_controls.closeCurveCheckbox; }
    QPointer<QCheckBox> fillCheckbox() const { return m_controls.fillCheckbox; }
    QPointer<QCheckBox> wheelGrease() const { return m_controls.wheelGrease; }
    QPointer<QCheckBox> limitRotations() const { return m_controls.limitRotations; }
    QPointer<QCheckBox> confinePen() const { return m_controls.confinePen; }
    QPointer<QCheckBox> useSecondColorCheck() const { return m_controls.useSecondColorCheck; }
    QPointer<QCheckBox> useThirdColorCheck() const { return m_controls.useThirdColorCheck; }
    QPointer<ColorWell> colorPicker() const { return m_controls.colorPicker; }
    QPointer<ColorWell> secondColor() const { return m_controls.secondColor; }
    QPointer<ColorWell> thirdColor() const { return m_controls.thirdColor; }
    QPointer<ColorWell> fillColorPicker() const { return m_controls.fillColorPicker; }
    QPointer<FloatSlider> penWidthSlider() const { return m_controls.penWidthSlider; }
    QPointer<FloatSlider> drawSpeedControl() const { return m_controls.drawSpeedControl; }
    QPointer<QPushButton> drawSlowButton() const { return m_controls.drawSlowButton; }
    QPointer<QButtonGroup> runnerPosition() const { return m_controls.runnerPosition; }
    QPointer<ColouringControls> colouringControls() const { return m_controls.colouring; }

    bool cancelDrawing() const { return m_cancelDrawing; }
    void setCancelDrawing(bool cancel) { m_cancelDrawing = cancel; }
    // Runs on a slow drawing's worker after each frame is handed to the window, in place of the
    // pause between frames, with the flag that stops the drawing. Tests hold each frame there
    // until the window has shown it, however fast or slow the machine is. Set it while no slow
    // drawing runs.
    static void setFramePauseHook(std::function<void(const std::atomic<bool>& cancelled)> hook);
    int32_t colorsInUse() const { return m_colorsInUse; }
    void setColorsInUse(int32_t colors) { m_colorsInUse = colors; }

    // Loads the default design and makes the thread pool that runs slow drawings.
    void applicationDidFinishLaunching();
    // Opens the first of the design files given on the command line; the window shows one design
    // at a time, so the status line says which of the others were left.
    void openFromCommandLine(const QStringList& paths);
    // Replaces the design with one random curve drawn from `seed`, as one step to undo; the
    // status line tells the seed.
    void randomDesign(quint32 seed);
    // File ▸ New from Gallery…: asks about unsaved changes, then offers the gallery; the design
    // chosen opens untitled, as one step to undo.
    void newFromGallery();
    // Makes the controls show the art view's values.
    void syncAllControlsToArt();
    // Copies every control into the art view, applies the revolution limit, redraws.
    void drawNow();
    // Radii picked by teeth, entered as if typed in their fields.
    void enterRadii(const ChosenRadii& radii);
    // The selected curve's tooth counts, when it is given by teeth and every one is whole.
    std::optional<WheelControls::Teeth> wholeTeethShown() const;
    std::optional<ToothClosure> toothClosureShown() const;
    // What a slow drawing draws, fixed when it starts: each visible curve in the list's order,
    // with the percent it grows by each frame.
    struct SlowDrawingStage {
        int curve = 0;
        float step = 0;
        QString name;   // empty in a design of one curve
    };
    // The body of a slow drawing, on a worker thread.
    void slowDrawing();
    std::vector<SlowDrawingStage> slowDrawingStages() const;

    // Actions: each takes the control that sent it.
    void newMenuSelected(QObject* sender);
    void stepperChanged(QObject* sender);
    void numberTyped(QObject* sender);
    void toggleShowAnchor(QObject* sender);
    void toggleCloseCurve(QObject* sender);
    void fillBoxToggle(QObject* sender);
    void twoColorClick(QObject* sender);
    void threeColorClick(QObject* sender);
    void drawNowAction(QObject* sender);
    void drawSlowButton(QObject* sender);
    // Opens the PNG export dialog as a sheet on the main window and returns at once; the
    // file is written when the user confirms (output/PngExport.h).
    void save(QObject* sender);
    // Opens the print dialog over the main window; confirming it prints (printDesign).
    void print(QObject* sender);
    // Opens the page setup dialog for the shared printer; what is chosen there holds for the
    // following prints.
    void pageSetup(QObject* sender);

    // Prints the design on the shared printer as its settings stand, off the main thread with
    // progress and Cancel; when the printer cannot be started or its file written, says so, and
    // why, in a message box over the main window.
    void printDesign();
    // The printer that every print and page setup share, so that the paper and margins
    // chosen hold for the rest of the run. Made on first use.
    QPrinter& printer();

private:
    void bindControls();
    void connectActions();
    void connectMenus();
    void connectDocument();
    void confinePenToRunner();
    void setArtOption(void (Rotagraph::*setOption)(bool), QObject* checkbox);
    void showDrawingStatus();
    void postToMainThread(std::function<void()> change);

    // Takes in what the user is typing in a field and has not committed, as Return would.
    void commitPendingEdit();
    // The design as the controls hold it, an edit being typed committed first.
    Design committedDesign();
    // Sets a design that comes from a file or the clipboard as if the user entered each value.
    void enterDesign(const Design& design);
    // Sets the selected curve's controls to a curve's values as if the user entered each, and draws.
    void enterCurve(const CurveDesign& curve);
    void connectCurves();
    // The window for the design's history, taken and put back.
    WindowState windowState() const;
    void putBack(const WindowState& state);
    void newDesign();
    void exportVector(VectorFormat format);
    void copy();
    void paste();
    // After how many revolutions the drawn design closes on itself, within as many as the
    // revolutions stepper goes to; and the command that sets the revolutions to that count.
    std::optional<int> revolutionsToClose() const;
    void closeDesignExactly();

    std::unique_ptr<QPrinter> m_printer;   // first, so that it outlives the dialogs that use it
    std::unique_ptr<Ui::MainWindow> m_ui;
    std::unique_ptr<MainWindow> m_window;
    StatusLine* m_statusLine = nullptr;   // owned by the window's status bar
    QPointer<Rotagraph> m_artView;
    WindowControls m_controls;
    std::unique_ptr<DesignDocument> m_document;
    std::unique_ptr<DesignFiles> m_files;
    std::unique_ptr<CurveCommands> m_curves;

    std::atomic<bool> m_cancelDrawing{false};
    int32_t m_colorsInUse = 0;
    std::vector<SlowDrawingStage> m_slowDrawingStages;
    std::function<void(const std::atomic<bool>&)> m_framePause;   // set with the stages
    std::unique_ptr<QThreadPool> m_operationQueue;
};
