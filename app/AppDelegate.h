#pragma once

// The application controller: it builds the main window from ui/MainWindow.ui and wires the
// pieces that do the work, each an object of its own:
//   DesignEditing   control action → fields and steppers by tag → drawNow() copies every control
//                   into the art view → the view asks its DrawingScheduler for the picture:
//                   drawn at once when small, on a worker otherwise, the last finished one shown
//                   meanwhile.
//   CurveCommands   the list of curves: the selected one is edited through the controls, the
//                   others kept in the list's model; the view gets the composition.
//   SlowDrawing     Draw Slowly: a worker paces the frames, every change posted to the main thread.
//   ViewCommands    zoom, and the status line after each picture.
//   DesignFiles     open, save, revert, recent files; OutputCommands: exports, printing, Copy.
// After each action the document (DesignDocument) records what changed as a step to undo; an
// opened or pasted design is set in the controls (DesignControls) and then takes the actions'
// own path to the art view, so that confinement and the limit hold as they would. The exports,
// printing and Copy take the design as a value (ShownDesign), never the view.

#include "app/MainWindow.h"
#include "app/WindowControls.h"
#include "view/Rotagraph.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>

class CurveCommands;
class DesignDocument;
class DesignEditing;
class DesignFiles;
class MixedValues;
class OutputCommands;
class QPrinter;
class SlowDrawing;
class StatusLine;
class ViewCommands;
struct CurveDesign;
struct Design;
struct ShownDesign;
struct WindowState;
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

    // Loads the default design and readies slow drawings.
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

    // What the controls' actions do, for whoever acts as they would (DesignEditing.h).
    int32_t colorsInUse() const;
    void drawNow();
    void fillBoxToggle(QObject* sender);
    // The printer every print shares, and a print as the dialog's confirmation starts it
    // (OutputCommands.h).
    QPrinter& printer();
    void printDesign();

private:
    void bindControls();
    void connectMenus();
    void connectDocument();
    void connectCurves();
    // Takes in what the user is typing in a field and has not committed, as Return would.
    void commitPendingEdit();
    // The design as the controls hold it, an edit being typed committed first.
    Design committedDesign();
    // The design as the exports take it: the composition shown, the grease of the checkbox, the
    // design's text; an edit being typed committed first.
    ShownDesign shownDesign();
    // Sets a design that comes from a file or the clipboard as if the user entered each value.
    void enterDesign(const Design& design);
    // Every new design, whatever brings it, is fitted into the view as at start.
    void showWhole();
    // The window for the design's history, taken and put back.
    WindowState windowState() const;
    void putBack(const WindowState& state);
    void newDesign();
    void paste();
    // Sets the revolutions to the count after which the drawn design closes on itself.
    void closeDesignExactly();

    // First, so that its printer outlives the dialogs that use it.
    std::unique_ptr<OutputCommands> m_outputs;
    std::unique_ptr<Ui::MainWindow> m_ui;
    std::unique_ptr<MainWindow> m_window;
    StatusLine* m_statusLine = nullptr;   // owned by the window's status bar
    QPointer<Rotagraph> m_artView;
    WindowControls m_controls;
    std::unique_ptr<DesignDocument> m_document;
    std::unique_ptr<DesignEditing> m_editing;
    std::unique_ptr<DesignFiles> m_files;
    std::unique_ptr<MixedValues> m_mixedValues;   // of the curves selected together
    std::unique_ptr<CurveCommands> m_curves;
    std::unique_ptr<ViewCommands> m_view;
    // What the design's file said that this version does not know: saved with it again.
    QJsonObject m_otherKeys;
    // Last, so that it stops and waits for its worker before anything it posts to goes.
    std::unique_ptr<SlowDrawing> m_slowDrawing;
};
