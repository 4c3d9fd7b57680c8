#include "app/DesignEditing.h"

#include "app/DesignArt.h"
#include "app/DesignControls.h"
#include "view/Rotagraph.h"

#include <QAbstractButton>

#include <cmath>

DesignEditing::DesignEditing(const WindowControls& controls, Rotagraph* art, QObject* parent)
    : QObject(parent)
    , m_controls(controls)
    , m_artView(art)
{
    connectControls();
}

void DesignEditing::connectControls()
{
    const WindowControls& ui = m_controls;
    for (const NumericControls& numeric : ui.numeric) {
        connect(numeric.stepper, &Stepper::valueStepped, this,
                [this, stepper = numeric.stepper] { stepperChanged(stepper); });
        connect(numeric.input, &NumberField::numberEdited, this,
                [this, input = numeric.input] { numberTyped(input); });
        // The arrow keys in a field step it as its stepper's arrows do.
        connect(numeric.input, &NumberField::stepRequested, numeric.stepper, &Stepper::stepBy);
    }
    const auto onClick = [this](QAbstractButton* button, void (DesignEditing::*action)(QObject*)) {
        connect(button, &QAbstractButton::clicked, this, [this, button, action] { (this->*action)(button); });
    };
    onClick(ui.showAnchorCheckbox, &DesignEditing::toggleShowAnchor);
    onClick(ui.closeCurveCheckbox, &DesignEditing::toggleCloseCurve);
    onClick(ui.fillCheckbox, &DesignEditing::fillBoxToggle);
    onClick(ui.useSecondColorCheck, &DesignEditing::twoColorClick);
    onClick(ui.useThirdColorCheck, &DesignEditing::threeColorClick);
    for (QCheckBox* checkbox : {ui.limitRotations, ui.wheelGrease, ui.confinePen, ui.preciseCurve})
        connect(checkbox, &QAbstractButton::clicked, this, &DesignEditing::drawNow);
    connect(ui.runnerPosition, &QButtonGroup::idClicked, this, [this](int side) {
        m_controls.wheels->runnerSideChanged(side == kInsideTag);
        drawNow();
    });
    connect(ui.wheels, &WheelControls::edited, this, [this] {
        confinePenToRunner();
        drawNow();
        if (m_controls.wheels->sizes() == WheelSizes::Teeth && !m_controls.wheels->kitProblem().isEmpty())
            emit noteShown(tr("%1 Teeth can still be typed.").arg(m_controls.wheels->kitProblem()));
    });
    for (ColorWell* well : {ui.colorPicker, ui.secondColor, ui.thirdColor, ui.fillColorPicker})
        connect(well, &ColorWell::colorPicked, this, &DesignEditing::drawNow);
    connect(ui.backgroundCheck, &QAbstractButton::clicked, this, &DesignEditing::drawNow);
    // Picking a colour for the background means having one.
    connect(ui.backgroundWell, &ColorWell::colorPicked, this, [this] {
        setOn(m_controls.backgroundCheck, true);
        drawNow();
    });
    connect(ui.penWidthSlider, &FloatSlider::valueEdited, this, &DesignEditing::drawNow);
    connect(ui.penWidthInput, &NumberField::numberEdited, this, &DesignEditing::drawNow);
    connect(ui.colouring, &ColouringControls::colouringEdited, this, &DesignEditing::drawNow);
}

void DesignEditing::showDefaultDesign()
{
    if (m_artView) {
        Rotagraph& art = *m_artView;
        art.setAnchorRadius(160);
        art.setRunnerRadius(72);
        art.setPenHoleRadius(53);
        art.setRotationsToMake(9);
        art.setPenDrawSize(1);
        art.setShowAnchor(false);
        art.setCloseCurve(false);
        art.setFillShape(false);
        art.setGreaseIt(false);
        art.setPenColor(Qt::red);
        art.setFillColor(Qt::yellow);
        art.setPercentToDraw(100);
        art.setColouring(CurveColouring());
    }
    syncAllControlsToArt();
    // A new design has no background.
    setOn(m_controls.backgroundCheck, false);
    setColorOf(m_controls.backgroundWell, Qt::white);
    // Turning the second colour on and clicking it off again drops to one colour and draws.
    setOn(m_controls.useSecondColorCheck, true);
    if (m_controls.useSecondColorCheck)
        m_controls.useSecondColorCheck->click();
}

void DesignEditing::syncAllControlsToArt()
{
    if (!m_artView)
        return;
    const Rotagraph& art = *m_artView;
    const float values[] = {art.anchorRadius(), art.runnerRadius(), art.penHoleRadius(), art.rotationsToMake()};
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        setFloatValueOf(m_controls.numericControls(tag)->stepper, values[tag - 1]);
        setFloatValueOf(m_controls.numericControls(tag)->input, values[tag - 1]);
    }
    setOn(m_controls.showAnchorCheckbox, art.showAnchor());
    setOn(m_controls.closeCurveCheckbox, art.closeCurve());
    setOn(m_controls.fillCheckbox, art.fillShape());
    setOn(m_controls.wheelGrease, art.greaseIt());
    setColorOf(m_controls.colorPicker, art.penColor());
    setColorOf(m_controls.fillColorPicker, art.fillColor());
    setFloatValueOf(m_controls.penWidthSlider, art.penDrawSize());
    setOn(m_controls.limitRotations, false);
    setOn(m_controls.confinePen, art.penHoleRadius() < art.runnerRadius());
    setOn(m_controls.preciseCurve, art.precise());
    if (m_controls.runnerPosition && m_controls.runnerPosition->button(kOutsideTag))
        m_controls.runnerPosition->button(kOutsideTag)->setChecked(true);
    if (m_controls.colouring)
        m_controls.colouring->setColouring(art.colouring());
}

void DesignEditing::drawNow()
{
    if (!m_artView)
        return;
    Rotagraph& art = *m_artView;
    const float anchor = floatValueOf(m_controls.numericControls(AnchorRadiusTag)->input);
    const float runner = floatValueOf(m_controls.numericControls(RunnerRadiusTag)->input);
    art.setAnchorRadius(anchor);
    art.setRunnerRadius(runner);
    if (m_controls.runnerPosition && m_controls.runnerPosition->checkedId() == kInsideTag)
        art.setRunnerRadius(-runner);
    art.setPenHoleRadius(floatValueOf(m_controls.numericControls(PenRadiusTag)->input));
    art.setPenDrawSize(floatValueOf(m_controls.penWidthSlider));
    art.setPenColor(colorOf(m_controls.colorPicker));
    art.setPen2Color(colorOf(m_controls.secondColor));
    art.setPen3Color(colorOf(m_controls.thirdColor));
    art.setNumberOfColors(m_colorsInUse);
    art.setFillColor(colorOf(m_controls.fillColorPicker));
    art.setDrawMode(ScreenMode);
    art.setRotationsToMake(floatValueOf(m_controls.numericControls(RevolutionsTag)->input));
    if (isOn(m_controls.limitRotations)) {
        const float cap = revolutionLimit(anchor, runner);
        const float revolutions = std::min(art.rotationsToMake(), cap);
        art.setRotationsToMake(std::isnan(revolutions) ? cap : revolutions);
        setFloatValueOf(m_controls.numericControls(RevolutionsTag)->stepper, art.rotationsToMake());
        setFloatValueOf(m_controls.numericControls(RevolutionsTag)->input, art.rotationsToMake());
    }
    art.setGreaseIt(isOn(m_controls.wheelGrease));
    art.setPrecise(isOn(m_controls.preciseCurve));
    if (m_controls.wheels) {
        art.setNestedWheels(nestedWheelsOf(m_controls.wheels->nestedWheels()));
        const bool inside = m_controls.runnerPosition && m_controls.runnerPosition->checkedId() == kInsideTag;
        m_controls.wheels->showRadii(anchor, runner, inside, art.penHoleRadius());
    }
    if (m_controls.colouring)
        art.setColouring(m_controls.colouring->colouring());
    art.setBackground(backgroundOf(m_controls));
    art.update();
}

void DesignEditing::stepperChanged(QObject* sender)
{
    auto* stepper = qobject_cast<Stepper*>(sender);
    const float value = stepper ? stepper->floatValue() : 0.0f;
    const int tag = tagOf(sender);
    // The anchor keeps the stepper's fraction; the other parameters are whole numbers.
    if (const NumericControls* numeric = m_controls.numericControls(tag))
        setFloatValueOf(numeric->input, tag == AnchorRadiusTag ? value : truncated(value));
    confinePenToRunner();
    drawNow();
}

void DesignEditing::numberTyped(QObject* sender)
{
    auto* input = qobject_cast<NumberField*>(sender);
    const float value = input ? input->floatValue() : 0.0f;
    // The field keeps what was typed, fraction included: that is what is drawn.
    if (const NumericControls* numeric = m_controls.numericControls(tagOf(sender)))
        setFloatValueOf(numeric->stepper, truncated(value));
    confinePenToRunner();
    drawNow();
}

void DesignEditing::confinePenToRunner()
{
    if (!isOn(m_controls.confinePen))
        return;
    const float pen = floatValueOf(m_controls.numericControls(PenRadiusTag)->input);
    const float runnerField = floatValueOf(m_controls.numericControls(RunnerRadiusTag)->input);
    // The pen is in the last wheel: the runner, or the last wheel rolling on it.
    const float runner = m_controls.wheels ? m_controls.wheels->lastWheelRadius(runnerField) : runnerField;
    if (pen >= runner) {   // false when either is NaN
        const float confined = runner - 1;
        setFloatValueOf(m_controls.numericControls(PenRadiusTag)->stepper, confined);
        setFloatValueOf(m_controls.numericControls(PenRadiusTag)->input, confined);
    }
}

void DesignEditing::enterRadii(const ChosenRadii& radii)
{
    const std::pair<int, const QString*> values[] = {
        {AnchorRadiusTag, &radii.anchor}, {RunnerRadiusTag, &radii.runner}, {PenRadiusTag, &radii.penHole}};
    for (const auto& [tag, text] : values) {
        if (text->isEmpty())
            continue;
        const NumericControls& numeric = *m_controls.numericControls(tag);
        if (numeric.input)
            numeric.input->setCommittedText(*text);
        setFloatValueOf(numeric.stepper, truncated(leadingNumber(*text)));
    }
    confinePenToRunner();
    drawNow();
}

void DesignEditing::toggleShowAnchor(QObject* sender)
{
    setArtOption(&Rotagraph::setShowAnchor, sender);
}

void DesignEditing::toggleCloseCurve(QObject* sender)
{
    setArtOption(&Rotagraph::setCloseCurve, sender);
}

void DesignEditing::fillBoxToggle(QObject* sender)
{
    setArtOption(&Rotagraph::setFillShape, sender);
}

void DesignEditing::setArtOption(void (Rotagraph::*setOption)(bool), QObject* checkbox)
{
    // Only this option changes: the other controls reach the art view at the next drawNow.
    if (!m_artView)
        return;
    (m_artView->*setOption)(isOn(qobject_cast<QCheckBox*>(checkbox)));
    m_artView->update();
}

void DesignEditing::twoColorClick(QObject* sender)
{
    const bool on = isOn(qobject_cast<QCheckBox*>(sender));
    setEnabledOf(m_controls.secondColor, on);
    setEnabledOf(m_controls.useThirdColorCheck, on);
    setColorsInUse(on ? 2 : 1);
    setOn(m_controls.useThirdColorCheck, false);
    setEnabledOf(m_controls.thirdColor, false);
    drawNow();
}

void DesignEditing::threeColorClick(QObject* sender)
{
    const bool on = isOn(qobject_cast<QCheckBox*>(sender));
    setEnabledOf(m_controls.thirdColor, on);
    setColorsInUse(on ? 3 : 2);
    drawNow();
}

void DesignEditing::enterCurve(const CurveDesign& curve)
{
    showCurve(m_controls, curve);
    setColorsInUse(curve.colorsInUse);
    toggleShowAnchor(m_controls.showAnchorCheckbox);
    toggleCloseCurve(m_controls.closeCurveCheckbox);
    fillBoxToggle(m_controls.fillCheckbox);
    confinePenToRunner();
    drawNow();
}

void DesignEditing::enterClosingRevolutions(int revolutions)
{
    const QPointer<NumberField>& input = m_controls.numericControls(RevolutionsTag)->input;
    if (!input)
        return;
    input->setFloatValue(float(revolutions));
    // Exactly: traced so that the curve meets its start, as 32-bit angle sums would not.
    setOn(m_controls.preciseCurve, true);
    numberTyped(input);
}
