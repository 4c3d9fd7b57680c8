#include "app/WindowState.h"

#include "app/DesignControls.h"
#include "art/Rotagraph.h"

namespace {

constexpr float kWholeCurvePercent = 100;

}

bool operator==(const WindowState& a, const WindowState& b)
{
    return a.design == b.design && a.stepperValues == b.stepperValues && a.art == b.art;
}

void setArtParameters(Rotagraph& art, const ArtParameters& p)
{
    art.setAnchorRadius(p.anchorRadius);
    art.setRunnerRadius(p.runnerRadius);
    art.setPenHoleRadius(p.penHoleRadius);
    art.setPenDrawSize(p.penDrawSize);
    art.setPenColor(p.penColor);
    art.setPen2Color(p.pen2Color);
    art.setPen3Color(p.pen3Color);
    art.setNumberOfColors(p.numberOfColors);
    art.setRotationsToMake(p.rotationsToMake);
    art.setShowAnchor(p.showAnchor);
    art.setCloseCurve(p.closeCurve);
    art.setFillShape(p.fillShape);
    art.setFillColor(p.fillColor);
    art.setPercentToDraw(p.percentToDraw);
    art.setDrawMode(p.drawMode);
    art.setGreaseIt(p.greaseIt);
    art.setAllowScaleUp(p.allowScaleUp);
}

WindowState captureWindow(const WindowControls& controls, int colorsInUse, const Rotagraph& art)
{
    WindowState state;
    state.design = designShownBy(controls, colorsInUse);
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
    showDesign(controls, state.design);
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        if (const QPointer<Stepper>& stepper = controls.numericControls(tag)->stepper)
            stepper->setValue(state.stepperValues[static_cast<std::size_t>(tag - 1)]);
    }
    setArtParameters(art, state.art);
    art.update();
}
