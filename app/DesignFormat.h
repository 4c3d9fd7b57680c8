#pragma once

// The design file: UTF-8 JSON, one object with a format name and version, what holds for the
// whole window, and the list of curves, each an object of its own values (docs/design-format.md
// tells every key). Colours are "#aarrggbb"; the four numbers are the text of their fields.
// Files of every older version open as they drew, and a file of a newer minor version opens as
// far as this version knows it: keys it does not know are kept, at the top and in each curve,
// and written back as they came. An exported PNG carries the same JSON in a text chunk and an
// exported SVG in its metadata (ExportedDesignText.h), so that each opens as its design again.
// Reading never trusts the bytes: whatever they hold gives a design or a short message that
// names the fault in a user's words, fit to be shown under "“name” could not be opened", with
// the particulars (where the JSON breaks, which chunk) kept apart for a report.

#include "app/Design.h"
#include "output/DesignText.h"

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <optional>

class QIODevice;

// A file names its major version in "version" and its minor one in "minorVersion" (0 when left
// out). A minor version only adds keys, which an older reader keeps without knowing them; any
// other change is a new major version, which an older reader refuses.
constexpr int kDesignFormatVersion = 2;
constexpr int kDesignFormatMinorVersion = 2;
// Longer curve names are refused: a name is a label in a list.
constexpr int kMaximumCurveNameLength = 200;   // characters (Unicode code points)
// Larger design files, and larger design text in an export, are refused unread. An export
// itself may be of any size: only its structure is read, up to the design.
constexpr qint64 kMaximumDesignFileSize = kLargestDesignText;

struct DesignReadResult {
    std::optional<Design> design;
    QString error;     // why there is no design, in a user's words; empty when there is one
    QString details;   // the particulars of the fault, for a message's details; may be empty
    // The bytes are no design at all (empty, not JSON, JSON of another kind), as opposed to a
    // design with a faulty value.
    bool notADesign = false;
    // The design came out of an export (a PNG's text, an SVG's metadata), which is no design
    // file: saving must never write a design file over it.
    bool fromExport = false;
    // The design came from a newer minor version of the format than this one writes: it opened,
    // but what this version does not know of it is not shown (it is kept, and written back).
    bool newerVersion = false;
    // What a user should know of a design that opened, for the status line (it says so for a
    // newer version); empty when there is nothing to tell.
    QString note{};
};

// A file of this version. The keys a design was read with but not known go back where they came
// from, beside the known ones, which they never replace.
QByteArray designToJson(const Design& design);

// Fields the bytes leave out take the default design's values (a curve's name: "Curve n", n its
// place from 1); numbers beyond what a control holds are brought within it, as the control would
// hold them. A fault in a curve is told with its place: "Curve 3: the pen width is not a number."
DesignReadResult readDesign(const QByteArray& bytes);

// A design file, or a PNG or an SVG that carries one, each known by what it holds whatever its
// name. `device` is open at its start.
DesignReadResult readDesignFrom(QIODevice& device);

// The same from a file, after making sure it is an ordinary file that can be read: a message
// says what stands in the way (a missing file, a folder that cannot be entered, a link loop).
DesignReadResult loadDesignFile(const QString& path);
