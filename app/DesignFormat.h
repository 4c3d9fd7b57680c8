#pragma once

// The design file: UTF-8 JSON, one object with a format name and version beside the design's
// values. Colours are "#aarrggbb"; the four numbers are the text of their fields. An exported
// PNG carries the same JSON in a text chunk, so that the image opens as its design again.
// Reading never trusts the bytes: whatever they hold gives a design or a short message that
// names the fault, fit to be shown under "“name” could not be opened."

#include "app/Design.h"
#include "output/DesignText.h"

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <optional>

constexpr int kDesignFormatVersion = 1;
// Larger design files are refused unread. An image may be larger: an export of 5000 px holds
// up to 100 MB of pixels.
constexpr qint64 kMaximumDesignFileSize = 1 << 20;
constexpr qint64 kMaximumDesignImageSize = qint64(128) << 20;

struct DesignReadResult {
    std::optional<Design> design;
    QString error;   // why there is no design; empty when there is one
    bool fromImage = false;   // the design was read from the text of a PNG image
};

QByteArray designToJson(const Design& design);

// Fields the bytes leave out take the default design's values; numbers beyond what a control
// holds are brought within it, as the control would hold them.
DesignReadResult readDesign(const QByteArray& bytes);

// A design file, or a PNG (known by its signature, whatever its name) that carries one.
DesignReadResult loadDesignFile(const QString& path);
