#include "app/ClosureShown.h"

#include "art/ArtParameters.h"
#include "art/CurveClosure.h"

#include <cmath>

namespace {

// The selected curve's tooth counts, when it is given by teeth and every one is whole.
std::optional<WheelControls::Teeth> wholeTeethShown(const WindowControls& controls)
{
    if (!controls.wheels || controls.wheels->sizes() != WheelSizes::Teeth)
        return std::nullopt;
    return controls.wheels->wholeTeeth();
}

}

int mostRevolutions(const WindowControls& controls)
{
    const QPointer<Stepper>& revolutions = controls.numericControls(RevolutionsTag)->stepper;
    return revolutions ? truncatedToInt(float(revolutions->maximum())) : 0;
}

std::optional<int> revolutionsToClose(const WindowControls& controls, const ArtParameters& art)
{
    const std::optional<WheelControls::Teeth> teeth = wholeTeethShown(controls);
    const float anchor = teeth ? float(teeth->anchor) : art.anchorRadius;
    const float runner = teeth ? std::copysign(float(teeth->runner), art.runnerRadius) : art.runnerRadius;
    NestedWheels nested = art.nested;
    if (teeth) {
        for (int i = 0; i < nested.count && i < int(teeth->nested.size()); ++i) {
            float& radius = nested.radii[std::size_t(i)];
            radius = std::copysign(float(teeth->nested[i]), radius);
        }
    }
    // The pen's distance matters only as 0 or not, whatever the scale: teeth go with it as radii.
    return closingRevolutions(anchor, runner, art.penHoleRadius, art.greaseIt, nested, mostRevolutions(controls));
}

std::optional<ToothClosure> toothClosureShown(const WindowControls& controls, const ArtParameters& art)
{
    // Petals count the runner's loops: a greased runner slips, and a pen at its centre loops not.
    const std::optional<WheelControls::Teeth> teeth = wholeTeethShown(controls);
    if (!teeth || !teeth->nested.isEmpty() || art.greaseIt || art.penHoleRadius == 0)
        return std::nullopt;
    return toothClosure(teeth->anchor, teeth->runner);
}
