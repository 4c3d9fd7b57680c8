#pragma once

// The key under which an exported PNG keeps the design's text in a text chunk. The text itself
// is the application's: an export only carries it.

#include <QLatin1String>
#include <QString>

constexpr QLatin1String kDesignTextKey("rotagraph-design");

// The most design text that is read, from a design file or from an export. Whatever writes a
// design's text refuses more, before it writes anything: what it writes must open again.
constexpr qint64 kLargestDesignText = 1 << 20;

// Why a design whose text takes `bytes` (UTF-8) cannot be written; empty when it can.
QString whyDesignTextIsTooLarge(qint64 bytes);
