#include "app/ChangeRecording.h"

#include "app/DesignDocument.h"
#include "app/WindowControls.h"

#include <QCoreApplication>

namespace {

// What the history calls a control's change: its accessible name, or else the text it shows.
QString changeName(const QWidget* control)
{
    if (!control->accessibleName().isEmpty())
        return control->accessibleName();
    QString text;
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        text = button->text().remove(u'&');
    if (text.endsWith(u':'))
        text.chop(1);
    return text;
}

}

void recordChangesOf(const WindowControls& controls, DesignDocument& document)
{
    DesignDocument* history = &document;
    // A click is a step of its own; a stepper's clicks or a slider's moves in a row merge.
    const auto recordStep = [history](QWidget* control) { history->record(changeName(control)); };
    const auto recordRun = [history](QWidget* control) { history->record(changeName(control), control); };

    for (const NumericControls& numeric : controls.numeric) {
        if (Stepper* stepper = numeric.stepper)
            QObject::connect(stepper, &Stepper::valueStepped, history, [recordRun, stepper] { recordRun(stepper); });
        if (NumberField* input = numeric.input)
            QObject::connect(input, &NumberField::numberEdited, history, [recordStep, input] { recordStep(input); });
    }
    for (const QPointer<QCheckBox>& checkbox :
         {controls.showAnchorCheckbox, controls.closeCurveCheckbox, controls.fillCheckbox, controls.wheelGrease,
          controls.limitRotations, controls.confinePen, controls.useSecondColorCheck, controls.useThirdColorCheck,
          controls.backgroundCheck}) {
        if (QCheckBox* box = checkbox)
            QObject::connect(box, &QAbstractButton::clicked, history, [recordStep, box] { recordStep(box); });
    }
    for (const QPointer<ColorWell>& well :
         {controls.colorPicker, controls.secondColor, controls.thirdColor, controls.fillColorPicker,
          controls.backgroundWell}) {
        if (ColorWell* colorWell = well)
            QObject::connect(colorWell, &ColorWell::colorPicked, history, [recordStep, colorWell] { recordStep(colorWell); });
    }
    for (const QPointer<FloatSlider>& slider : {controls.penWidthSlider, controls.drawSpeedControl}) {
        if (FloatSlider* floatSlider = slider) {
            QObject::connect(floatSlider, &FloatSlider::valueEdited, history, [recordRun, floatSlider] { recordRun(floatSlider); });
            // A new drag is a new step, even right after the last one.
            QObject::connect(floatSlider, &QAbstractSlider::sliderPressed, history, &DesignDocument::endRun);
        }
    }
    // A width typed in the slider's box is a step of its own, named as the slider's are.
    if (NumberField* width = controls.penWidthInput; width && controls.penWidthSlider) {
        const QString name = changeName(controls.penWidthSlider);
        QObject::connect(width, &NumberField::numberEdited, history, [history, name] { history->record(name); });
    }
    if (ColouringControls* colouring = controls.colouring) {
        // A drag of a stop or of the ink's slider, or a run of arrow steps, is one step.
        QObject::connect(colouring, &ColouringControls::colouringEdited, history,
                         [recordStep, recordRun](const CurveColouring&, QWidget* control, bool continuesRun) {
                             if (continuesRun)
                                 recordRun(control);
                             else
                                 recordStep(control);
                         });
        QObject::connect(colouring, &ColouringControls::runBroken, history, &DesignDocument::endRun);
    }
    if (WheelControls* wheels = controls.wheels)
        QObject::connect(wheels, &WheelControls::edited, history, [recordStep](QWidget* control) { recordStep(control); });
    if (QButtonGroup* side = controls.runnerPosition)
        QObject::connect(side, &QButtonGroup::idClicked, history,
                         [history] { history->record(QCoreApplication::translate("ChangeRecording", "Runner side")); });
}
