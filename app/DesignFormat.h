#pragma once

// The design file: UTF-8 JSON, one object with a format name and version beside the design's
// values. Colours are "#aarrggbb"; the four numbers are the text of their fields. An exported
// PNG carries the same JSON in a text chunk and an exported SVG in its metadata
// (ExportedDesignText.h), so that each opens as its design again. Reading never trusts the
// bytes: whatever they hold gives a design or a short message that names the fault in a user's
// words, fit to be shown under "“name” could not be opened", with the particulars (where the
// JSON breaks, which chunk) kept apart for a report.

#include "app/Design.h"
#include "output/DesignText.h"

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <optional>

class QIODevice;

constexpr int kDesignFormatVersion = 1;
// Larger design files, and larger design text in an export, are refused unread. An export
// itself may be of any size: only its structure is read, up to the design.
constexpr qint64 kMaximumDesignFileSize = 1 << 20;

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
};

QByteArray designToJson(const Design& design);

// Fields the bytes leave out take the default design's values; numbers beyond what a control
// holds are brought within it, as the control would hold them.
DesignReadResult readDesign(const QByteArray& bytes);

// A design file, or a PNG or an SVG that carries one, each known by what it holds whatever its
// name. `device` is open at its start.
DesignReadResult readDesignFrom(QIODevice& device);

// The same from a file, after making sure it is an ordinary file that can be read: a message
// says what stands in the way (a missing file, a folder that cannot be entered, a link loop).
DesignReadResult loadDesignFile(const QString& path);
