#include "app/WindowState.h"

#include "app/DesignControls.h"
#include "art/Rotagraph.h"

#include <tuple>

namespace {

constexpr float kWholeCurvePercent = 100;

auto fieldsOf(const ArtParameters& p)
{
    return std::tie(p.anchorRadius, p.runnerRadius, p.penHoleRadius, p.penDrawSize, p.penColor, p.pen2Color,
                    p.pen3Color, p.numberOfColors, p.rotationsToMake, p.showAnchor, p.closeCurve, p.fillShape,
                    p.fillColor, p.percentToDraw, p.drawMode, p.greaseIt, p.allowScaleUp);
}

}

bool operator==(const ArtParameters& a, const ArtParameters& b)
{
    return fieldsOf(a) == fieldsOf(b);
}

bool operator==(const WindowState& a, const WindowState& b)
{
    return a.design == b.design && a.stepperValues == b.stepperValues && a.art == b.art;
}

ArtParameters artParametersOf(const Rotagraph& art)
{
    ArtParameters p;
    p.anchorRadius = art.anchorRadius();
    p.runnerRadius = art.runnerRadius();
    p.penHoleRadius = art.penHoleRadius();
    p.penDrawSize = art.penDrawSize();
    p.penColor = art.penColor();
    p.pen2Color = art.pen2Color();
    p.pen3Color = art.pen3Color();
    p.numberOfColors = art.numberOfColors();
    p.rotationsToMake = art.rotationsToMake();
    p.showAnchor = art.showAnchor();
    p.closeCurve = art.closeCurve();
    p.fillShape = art.fillShape();
    p.fillColor = art.fillColor();
    p.percentToDraw = art.percentToDraw();
    p.drawMode = art.drawMode();
    p.greaseIt = art.greaseIt();
    p.allowScaleUp = art.allowScaleUp();
    return p;
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
    state.art = artParametersOf(art);
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
