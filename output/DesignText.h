#pragma once

// The key under which an exported PNG keeps the design's text in a text chunk. The text itself
// is the application's: an export only carries it.

#include <QLatin1String>

constexpr QLatin1String kDesignTextKey("rotagraph-design");
