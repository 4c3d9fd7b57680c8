#include "app/DesignControls.h"

#include <cmath>

namespace {

template <typename Control, typename Value, typename Owner = CurveDesign>
struct Binding {
    QPointer<Control> WindowControls::*control;
    Value Owner::*value;
};

// Both directions go by these tables, so that neither can leave a control out.
QString CurveDesign::* const kTypedNumbers[kParameterCount] = {
    &CurveDesign::anchorRadius, &CurveDesign::runnerRadius, &CurveDesign::penHoleRadius,
    &CurveDesign::revolutions};   // by tag - 1

const Binding<QCheckBox, bool> kSwitches[] = {
    {&WindowControls::closeCurveCheckbox, &CurveDesign::closeCurve},
    {&WindowControls::fillCheckbox, &CurveDesign::fillShape},
    {&WindowControls::wheelGrease, &CurveDesign::greaseIt},
    {&WindowControls::limitRotations, &CurveDesign::limitRevolutions},
    {&WindowControls::confinePen, &CurveDesign::confinePen},
    {&WindowControls::preciseCurve, &CurveDesign::preciseCurve},
};

const Binding<ColorWell, QColor> kColors[] = {
    {&WindowControls::colorPicker, &CurveDesign::penColor},
    {&WindowControls::secondColor, &CurveDesign::pen2Color},
    {&WindowControls::thirdColor, &CurveDesign::pen3Color},
    {&WindowControls::fillColorPicker, &CurveDesign::fillColor},
};

const Binding<FloatSlider, float> kSliders[] = {
    {&WindowControls::penWidthSlider, &CurveDesign::penWidth},
};

// What holds for the whole window, whichever curve is selected.
const Binding<QCheckBox, bool, Design> kWindowSwitches[] = {
    {&WindowControls::showAnchorCheckbox, &Design::showWheels},
};

const Binding<FloatSlider, float, Design> kWindowSliders[] = {
    {&WindowControls::drawSpeedControl, &Design::drawSpeed},
};

}

CurveDesign curveShownBy(const WindowControls& controls, int colorsInUse)
{
    CurveDesign design;
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        const QPointer<NumberField>& input = controls.numericControls(tag)->input;
        design.*kTypedNumbers[tag - 1] = input ? input->typedText() : QString();
    }
    const QPointer<QButtonGroup>& side = controls.runnerPosition;
    design.runnerSide = side && side->checkedId() == kInsideTag ? RunnerSide::Inside : RunnerSide::Outside;
    for (const auto& binding : kSwitches)
        design.*binding.value = isOn(controls.*binding.control);
    for (const auto& binding : kColors)
        design.*binding.value = colorOf(controls.*binding.control);
    for (const auto& binding : kSliders)
        design.*binding.value = floatValueOf(controls.*binding.control);
    design.colorsInUse = colorsInUse;
    if (controls.colouring)
        design.colouring = controls.colouring->colouring();
    if (controls.wheels) {
        design.sizes = controls.wheels->sizes();
        design.nestedWheels = controls.wheels->nestedWheels();
    }
    return design;
}

void readWindowValues(const WindowControls& controls, Design& design)
{
    for (const auto& binding : kWindowSwitches)
        design.*binding.value = isOn(controls.*binding.control);
    for (const auto& binding : kWindowSliders)
        design.*binding.value = floatValueOf(controls.*binding.control);
    design.background = backgroundOf(controls);
}

void showWindowValues(const WindowControls& controls, const Design& design)
{
    for (const auto& binding : kWindowSwitches)
        setOn(controls.*binding.control, design.*binding.value);
    for (const auto& binding : kWindowSliders)
        setFloatValueOf(controls.*binding.control, design.*binding.value);
    setOn(controls.backgroundCheck, design.background.isValid());
    setColorOf(controls.backgroundWell, design.background.isValid() ? design.background : QColor(Qt::white));
}

void showCurve(const WindowControls& controls, const CurveDesign& design)
{
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        const NumericControls& numeric = *controls.numericControls(tag);
        const QString& text = design.*kTypedNumbers[tag - 1];
        if (numeric.input)
            numeric.input->setCommittedText(text);
        setFloatValueOf(numeric.stepper, truncated(leadingNumber(text)));
    }
    if (const QPointer<QButtonGroup>& side = controls.runnerPosition) {
        if (QAbstractButton* button = side->button(design.runnerSide == RunnerSide::Inside ? kInsideTag : kOutsideTag))
            button->setChecked(true);
    }
    for (const auto& binding : kSwitches)
        setOn(controls.*binding.control, design.*binding.value);
    for (const auto& binding : kColors)
        setColorOf(controls.*binding.control, design.*binding.value);
    for (const auto& binding : kSliders)
        setFloatValueOf(controls.*binding.control, design.*binding.value);
    showColorsInUse(controls, design.colorsInUse);
    if (controls.colouring)
        controls.colouring->setColouring(design.colouring);
    if (controls.wheels) {
        controls.wheels->showCurve(design);
        controls.wheels->showRadii(leadingNumber(design.anchorRadius), leadingNumber(design.runnerRadius),
                                   design.runnerSide == RunnerSide::Inside, leadingNumber(design.penHoleRadius));
    }
}

void showColorsInUse(const WindowControls& controls, int colorsInUse)
{
    constexpr int kTwoColors = 2;
    constexpr int kThreeColors = 3;
    setOn(controls.useSecondColorCheck, colorsInUse >= kTwoColors);
    setOn(controls.useThirdColorCheck, colorsInUse >= kThreeColors);
    setEnabledOf(controls.secondColor, colorsInUse >= kTwoColors);
    setEnabledOf(controls.useThirdColorCheck, colorsInUse >= kTwoColors);
    setEnabledOf(controls.thirdColor, colorsInUse >= kThreeColors);
}

void setSliderRange(FloatSlider& slider, const SliderRange& range)
{
    const double stepsPerUnit = 1.0 / double(range.step);
    slider.setScale(stepsPerUnit);
    slider.setRange(int(std::lround(double(range.minimum) * stepsPerUnit)),
                    int(std::lround(double(range.maximum) * stepsPerUnit)));
    slider.setSingleStep(1);
}
