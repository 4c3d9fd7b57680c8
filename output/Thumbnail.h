#pragma once

// The thumbnail a file manager shows of a design file: the composition drawn as the PNG export
// draws it, filling its square, but within bounds, for a file manager runs it on every design
// a user downloads, however long its curves. The visible curves share a budget of points suited
// to the thumbnail's edge, each traced as far as its equal share (a small picture shows little
// more of a long curve); and once it has had the processor for its deadline, the curves not yet
// drawn are left out, the picture kept as it stands.

#include "art/Composition.h"

#include <QImage>

#include <chrono>
#include <cstddef>

// Points traced for each pixel of the edge, for all curves together: 204,800 at 256 pixels.
constexpr std::size_t kThumbnailPointsPerPixel = 800;
constexpr std::size_t kMostThumbnailPoints = 1 << 20;
constexpr std::chrono::milliseconds kThumbnailDeadline{2000};

// The points each visible curve of `composition` may take in a thumbnail of `edge` pixels.
std::size_t thumbnailPointShare(const Composition& composition, int edge);

// Null when there is no memory for the image.
QImage renderThumbnail(const Composition& shown, int edge, bool greaseIt,
                       std::chrono::milliseconds deadline = kThumbnailDeadline);
