#pragma once

// The application controller. It builds the main window from ui/MainWindow.ui and keeps the art
// view and the controls in step:
//   control action → fields and steppers follow each other by tag → drawNow() copies every
//   control into the art view → the view asks its DrawingScheduler for the picture: drawn at
//   once when small, on a worker otherwise, the last finished picture shown meanwhile.
// The default design (newMenuSelected) writes the art view and pushes it back into the controls
// (syncAllControlsToArt). A slow drawing runs on the controller's thread pool: the worker only
// paces and reads the cancel flag; every change it makes is posted to the main thread in order.

#include "app/MainWindow.h"
#include "art/Rotagraph.h"
#include "widgets/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QObject>
#include <QPointer>
#include <QPushButton>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QPrinter;
class StatusLine;
class QThreadPool;
namespace Ui { class MainWindow; }

// The tags that the text field and the stepper of each numeric parameter carry.
enum ParameterTag { AnchorRadiusTag = 1, RunnerRadiusTag, PenRadiusTag, RevolutionsTag };

class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    MainWindow* mainWindow() const { return m_window.get(); }
    StatusLine* statusLine() const { return m_statusLine; }
    Rotagraph* artView() const { return m_artView; }

    QPointer<NumberField> anchorRadiusInput() const { return m_numeric[AnchorRadiusTag - 1].input; }
    QPointer<NumberField> runnerRadiusInput() const { return m_numeric[RunnerRadiusTag - 1].input; }
    QPointer<NumberField> penRadiusInput() const { return m_numeric[PenRadiusTag - 1].input; }
    QPointer<NumberField> revolutionsInput() const { return m_numeric[RevolutionsTag - 1].input; }
    QPointer<Stepper> anchorRadiusStepper() const { return m_numeric[AnchorRadiusTag - 1].stepper; }
    QPointer<Stepper> runnerRadiusStepper() const { return m_numeric[RunnerRadiusTag - 1].stepper; }
    QPointer<Stepper> penRadiusStepper() const { return m_numeric[PenRadiusTag - 1].stepper; }
    QPointer<Stepper> revolutionsStepper() const { return m_numeric[RevolutionsTag - 1].stepper; }
    QPointer<QCheckBox> showAnchorCheckbox() const { return m_showAnchorCheckbox; }
    QPointer<QCheckBox> closeCurveCheckbox() const { return m_closeCurveCheckbox; }
    QPointer<QCheckBox> fillCheckbox() const { return m_fillCheckbox; }
    QPointer<QCheckBox> wheelGrease() const { return m_wheelGrease; }
    QPointer<QCheckBox> limitRotations() const { return m_limitRotations; }
    QPointer<QCheckBox> confinePen() const { return m_confinePen; }
    QPointer<QCheckBox> useSecondColorCheck() const { return m_useSecondColorCheck; }
    QPointer<QCheckBox> useThirdColorCheck() const { return m_useThirdColorCheck; }
    QPointer<ColorWell> colorPicker() const { return m_colorPicker; }
    QPointer<ColorWell> secondColor() const { return m_secondColor; }
    QPointer<ColorWell> thirdColor() const { return m_thirdColor; }
    QPointer<ColorWell> fillColorPicker() const { return m_fillColorPicker; }
    QPointer<FloatSlider> penWidthSlider() const { return m_penWidthSlider; }
    QPointer<FloatSlider> drawSpeedControl() const { return m_drawSpeedControl; }
    QPointer<QPushButton> drawSlowButton() const { return m_drawSlowButton; }
    QPointer<QButtonGroup> runnerPosition() const { return m_runnerPosition; }

    bool cancelDrawing() const { return m_cancelDrawing; }
    void setCancelDrawing(bool cancel) { m_cancelDrawing = cancel; }
    int32_t colorsInUse() const { return m_colorsInUse; }
    void setColorsInUse(int32_t colors) { m_colorsInUse = colors; }

    // Loads the default design and makes the thread pool that runs slow drawings.
    void applicationDidFinishLaunching();
    // Makes the controls show the art view's values.
    void syncAllControlsToArt();
    // Copies every control into the art view, applies the revolution limit, redraws.
    void drawNow();
    // The body of a slow drawing, on a worker thread.
    void slowDrawing();

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

    // Prints the design on the shared printer as its settings stand; when the printer cannot
    // be opened, says so in a message box over the main window.
    void printDesign();
    // The printer that every print and page setup share, so that the paper and margins
    // chosen hold for the rest of the run. Made on first use.
    QPrinter& printer();

private:
    struct NumericControls {
        QPointer<NumberField> input;
        QPointer<Stepper> stepper;
    };
    NumericControls* numericControls(int tag);

    void bindControls();
    void connectActions();
    void connectMenus();
    void confinePenToRunner();
    void setArtOption(void (Rotagraph::*setOption)(bool), QObject* checkbox);
    void showDrawingStatus();
    void postToMainThread(std::function<void()> change);

    std::unique_ptr<QPrinter> m_printer;   // first, so that it outlives the dialogs that use it
    std::unique_ptr<Ui::MainWindow> m_ui;
    std::unique_ptr<MainWindow> m_window;
    StatusLine* m_statusLine = nullptr;   // owned by the window's status bar
    QPointer<Rotagraph> m_artView;

    std::array<NumericControls, 4> m_numeric;   // by tag - 1
    QPointer<QCheckBox> m_showAnchorCheckbox;
    QPointer<QCheckBox> m_closeCurveCheckbox;
    QPointer<QCheckBox> m_fillCheckbox;
    QPointer<QCheckBox> m_wheelGrease;
    QPointer<QCheckBox> m_limitRotations;
    QPointer<QCheckBox> m_confinePen;
    QPointer<QCheckBox> m_useSecondColorCheck;
    QPointer<QCheckBox> m_useThirdColorCheck;
    QPointer<ColorWell> m_colorPicker;
    QPointer<ColorWell> m_secondColor;
    QPointer<ColorWell> m_thirdColor;
    QPointer<ColorWell> m_fillColorPicker;
    QPointer<FloatSlider> m_penWidthSlider;
    QPointer<FloatSlider> m_drawSpeedControl;
    QPointer<QPushButton> m_drawSlowButton;
    QPointer<QButtonGroup> m_runnerPosition;

    std::atomic<bool> m_cancelDrawing{false};
    int32_t m_colorsInUse = 0;
    float m_slowDrawingStep = 0;   // percent per frame, fixed when a slow drawing starts
    std::unique_ptr<QThreadPool> m_operationQueue;
};

// The most revolutions worth drawing for an anchor and runner radius: fewer for large ratios,
// at least 1, and 1 when the ratio is not a positive number.
float revolutionLimit(float anchorRadius, float runnerRadius);
