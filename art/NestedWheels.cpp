#include "art/NestedWheels.h"

#include "art/CurveTrace.h"

#include <algorithm>
#include <cmath>

int rollingNestedWheels(const NestedWheels& nested, float runnerRadius)
{
    return runnerRadius == 0 ? 0 : std::clamp(nested.count, 0, kMostNestedWheels);
}

WheelTrain WheelTrain::of(float anchorRadius, float runnerRadius, float penHoleRadius, bool greaseIt,
                          const NestedWheels& nested)
{
    WheelTrain train;
    train.count = 2 + rollingNestedWheels(nested, runnerRadius);
    train.radius[0] = anchorRadius;
    train.radius[1] = runnerRadius;
    for (int k = 2; k < train.count; ++k)
        train.radius[std::size_t(k)] = nested.radii[std::size_t(k - 2)];
    train.penHole = penHoleRadius;

    const double anchor = anchorRadius;
    const double runner = runnerRadius;
    train.centreDistance[1] = anchor + runner;
    // The same expressions as the two-wheel trace's, so that a runner alone turns as it does there.
    train.turnRate[1] = greaseIt ? (anchor + anchor) / runner : (anchor + runner) / runner;
    for (std::size_t k = 2; k < std::size_t(train.count); ++k) {
        const double r = train.radius[k];
        const double under = std::fabs(train.radius[k - 1]);
        if (r == 0) {   // no rim to roll on or with: carried at its parent's centre
            train.centreDistance[k] = 0;
            train.turnRate[k] = train.turnRate[k - 1];
            continue;
        }
        train.centreDistance[k] = under + r;
        train.turnRate[k] = train.turnRate[k - 1] + (greaseIt ? (under + under) / r : (under + r) / r);
    }
    return train;
}

WheelsAt WheelTrain::at(double orbit) const
{
    WheelsAt at;
    at.count = count;
    at.wheels[0].radius = radius[0];
    double x = 0, y = 0;
    for (std::size_t k = 1; k < std::size_t(count); ++k) {
        const double around = (turnRate[k - 1] + 1) * orbit;   // α_k = ψ_(k-1) + θ
        x += centreDistance[k] * std::cos(around);
        y += centreDistance[k] * std::sin(around);
        at.wheels[k] = {x, y, turnRate[k] * orbit, radius[k]};
    }
    const double last = at.wheels[std::size_t(count - 1)].angle;
    at.penX = x + penHole * std::cos(last);
    at.penY = y + penHole * std::sin(last);
    return at;
}

double WheelTrain::fastestTurn() const
{
    double fastest = 0;
    for (std::size_t k = 1; k < std::size_t(count); ++k) {
        const double rate = std::fabs(turnRate[k]);
        if (std::isnan(rate))
            return rate;
        fastest = std::max(fastest, rate);
    }
    return fastest;
}

double WheelTrain::penReach() const
{
    double reach = std::fabs(penHole);
    for (std::size_t k = 1; k < std::size_t(count); ++k)
        reach += std::fabs(centreDistance[k]);
    return reach;
}

double WheelTrain::rimReach() const
{
    double furthest = 0, centre = 0;
    for (std::size_t k = 1; k < std::size_t(count); ++k) {
        centre += std::fabs(centreDistance[k]);
        furthest = std::max(furthest, centre + std::fabs(radius[k]));
    }
    return furthest;
}

WheelTrain wheelTrain(const CurveParameters& p)
{
    return WheelTrain::of(p.anchorRadius, p.runnerRadius, p.penHoleRadius, p.greaseIt, p.nested);
}

WheelsAt wheelsAt(const CurveParameters& p, double orbit)
{
    return wheelTrain(p).at(orbit);
}
