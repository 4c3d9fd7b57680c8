#include "app/WindowState.h"

#include "app/DesignControls.h"
#include "view/Rotagraph.h"

namespace {

constexpr float kWholeCurvePercent = 100;

}

bool operator==(const WindowState& a, const WindowState& b)
{
    return a.design == b.design && a.selectedCurve == b.selectedCurve && a.stepperValues == b.stepperValues
        && a.art == b.art;
}

WindowState captureWindow(const WindowControls& controls, const QList<CurveDesign>& curves, int selectedCurve,
                          const Rotagraph& art)
{
    WindowState state;
    state.design.curves = curves;
    state.selectedCurve = selectedCurve;
    readWindowValues(controls, state.design);
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        const QPointer<Stepper>& stepper = controls.numericControls(tag)->stepper;
        state.stepperValues[static_cast<std::size_t>(tag - 1)] = stepper ? stepper->value() : 0.0;
    }
    state.art = art.parameters();
    state.art.percentToDraw = kWholeCurvePercent;
    return state;
}

void restoreWindow(const WindowControls& controls, Rotagraph& art, const WindowState& state)
{
    showCurve(controls, state.design.curves.value(state.selectedCurve));
    showWindowValues(controls, state.design);
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        if (const QPointer<Stepper>& stepper = controls.numericControls(tag)->stepper)
            stepper->setValue(state.stepperValues[static_cast<std::size_t>(tag - 1)]);
    }
    art.setParameters(state.art);
    art.setBackground(state.design.background);
    art.update();
}
