#pragma once

// Where the pictures of one command-line run go. Into a folder, each is named after its own
// file; where two would have one name (a.rotagraph from two folders, x.rotagraph beside x.png),
// or a name is that of a file being read, the later one is told apart by a number, "a-2.png",
// so that no picture replaces another of the same run, nor any file it is drawn from.

#include "app/PictureRequest.h"

#include <QString>
#include <QStringList>

struct ExportTarget {
    QString output;
    bool renamed = false;   // the plain name was taken
};

// The targets of `inputs` drawn into `folder` with `extension`, one for each, in order.
QList<ExportTarget> targetsInFolder(const QStringList& inputs, const QString& folder, const QString& extension);

// Where the pictures of one `--export` run go, decided before anything is drawn: each target,
// and whether the folder they go into is to be made first.
struct ExportPlan {
    QList<ExportTarget> targets;
    QString folderToMake;   // empty: none
    QString refusal;        // why the request is refused; empty when it is not
};

// One design goes into a file named with an extension the program writes, or into a folder
// (one that is there, or any OUTPUT ending in "/"); several always go into a folder, made when
// missing. A name that would leave a picture without its extension, or labelled as another
// format, is refused rather than written.
ExportPlan planExport(const PictureRequest& request);
