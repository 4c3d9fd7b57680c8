#pragma once

// The history of the design file's format: each version, what it brought, and how a file of an
// older version becomes today's design. A file names its major version in "version" and its
// minor one in "minorVersion" (0 when left out). A minor version only adds keys, which an older
// reader keeps without knowing them; any other change is a new major version, which an older
// reader refuses. docs/design-format.md tells the history in full.

#include <QString>

#include <iterator>

class ValueReader;
struct Design;

struct FormatRevision {
    int major;
    int minor;
};

// Every version, oldest first: the last is the one this program writes. A new key comes with a
// new minor version, one row here.
inline constexpr FormatRevision kFormatHistory[] = {
    {1, 0},   // one curve, its values beside the window's: read by readFlatDesign
    {2, 0},   // the list of curves, each with a name, whether it shows, and a turn
    {2, 1},   // colour along the curve (colorMode, gradientStops, gradientRepeat, gradientMirror,
              // blendRevolutions, inkOpacity), and precise
    {2, 2},   // wheels by their teeth (wheelSizes), and wheels rolling on the runner (nestedWheels)
    {2, 3},   // a background, and a curve drawn as turned copies (copies, copyTurn, copyScale,
              // copyHueStep)
};
constexpr int kDesignFormatVersion = std::end(kFormatHistory)[-1].major;
constexpr int kDesignFormatMinorVersion = std::end(kFormatHistory)[-1].minor;

// The version a file names, as numbers: a file may name any.
struct FormatVersion {
    double major = 0;
    double minor = 0;
};

// The version that the file read by `top` names, checked: a version that is no whole number, is
// unknown or too new is a fault told through `top`.
FormatVersion readFormatVersion(ValueReader& top);

// Whether a file of `version` holds one curve with its values beside the window's, as the first
// version did.
bool isFlatVersion(const FormatVersion& version);

// Reads a file of the first version into today's design: a composition of its one curve, named
// "Curve 1", visible and not turned. The fault, in a user's words; empty when it was read.
QString readFlatDesign(ValueReader& top, Design& design);

// Whether a file of `version` comes from a newer minor version than this program knows of its
// major one; and what a user is told of it once it opened.
bool isNewerMinorVersion(const FormatVersion& version);
QString newerVersionNote(const FormatVersion& version);
