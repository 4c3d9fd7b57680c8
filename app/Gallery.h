#pragma once

// The gallery: designs that show what the program can do, shipped with it as design files, each
// named by its file. File ▸ New from Gallery… offers them.

#include "app/Design.h"

#include <QString>

#include <vector>

struct GalleryDesign {
    QString name;
    Design design;
};

// Where the shipped gallery is.
QString shippedGalleryFolder();

// The designs of the folder's .rotagraph files, in order of name. A file that does not read is
// left out, with a warning in the log.
std::vector<GalleryDesign> loadGallery(const QString& folder = shippedGalleryFolder());
