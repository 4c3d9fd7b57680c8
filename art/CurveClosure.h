#pragma once

// After how many revolutions a design's curve closes on itself. Pure C++: no Qt.

#include "art/NestedWheels.h"

#include <optional>

// The pen stands at (a + r)·e^(it) + p·e^(ikt), t the orbit angle and k the turn ratio, (a + r)/r
// or, greased, 2a/r. Both terms come back to their start together after N revolutions when N and
// k·N are whole, so the count is the least N that makes k·N whole. The radii count as the decimals
// they were typed as (72.9 is 729/10, not the binary fraction of its float): a radius that is the
// float nearest to a decimal of at most six places. A radius that is none, like a third, closes
// too late to be worth drawing. A pen at the runner's centre draws one circle: 1 revolution.
// Gives nothing when the curve does not close within maxRevolutions, and for a zero runner (it
// would turn infinitely fast) or a radius that is not finite.
std::optional<int> closingRevolutions(float anchorRadius, float runnerRadius, float penHoleRadius,
                                      bool greaseIt, int maxRevolutions);

// With nested wheels the pen is a sum of arms turning at rates that are fractions of the radii
// (see NestedWheels.h): the curve closes after the least N revolutions that make every arm's rate
// times N whole. An arm of length 0 (a pen at its wheel's centre, a wheel of radius 0) never
// keeps the curve open. Nested wheels of radius 0 close as the two-wheel curve does. Gives
// nothing as the function above does, and when the fractions outgrow 128-bit arithmetic.
std::optional<int> closingRevolutions(float anchorRadius, float runnerRadius, float penHoleRadius,
                                      bool greaseIt, const NestedWheels& nested, int maxRevolutions);
