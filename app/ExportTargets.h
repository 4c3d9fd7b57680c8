#pragma once

// Where the pictures of one command-line run go. Into a folder, each is named after its own
// file; where two would have one name (a.rotagraph from two folders, x.rotagraph beside x.png),
// or a name is that of a file being read, the later one is told apart by a number, "a-2.png",
// so that no picture replaces another of the same run, nor any file it is drawn from.

#include <QString>
#include <QStringList>

struct ExportTarget {
    QString output;
    bool renamed = false;   // the plain name was taken
};

// The targets of `inputs` drawn into `folder` with `extension`, one for each, in order.
QList<ExportTarget> targetsInFolder(const QStringList& inputs, const QString& folder, const QString& extension);
