#pragma once

// What a write may put its new file in place of. An existing file that is not an ordinary one,
// seen through any links, is never replaced: a device (/dev/null, a disk), a pipe that another
// program reads, a socket; replacing one with a plain file breaks what relies on it. Nor is a
// folder, nor a file that may not be written.

#include <QByteArray>
#include <QString>

#include <optional>

// Why no new file may take `path`'s place, naming the path; empty when one may.
QString whyNotToReplace(const QString& path);

// The file `path` (the system's bytes) leads to once its links are followed: itself when it is
// no link; a link to a file not there yet leads to that file.
QByteArray linkedFile(const QByteArray& path);

// The folder holding `path` (the system's bytes), and the name in it.
QByteArray folderOf(const QByteArray& path);
QByteArray nameIn(const QByteArray& path);

// Whether `path` is a folder, links followed.
bool isFolder(const QString& path);

// Makes the folder `path` and any folder on the way to it that is missing. Why it could not, or
// an empty string when the folder is there.
QString makeFolder(const QString& path);

// What tells a file that is there from every other, links followed: its device and its number
// on it. None when nothing is there.
struct FileIdentity {
    quint64 device = 0;
    quint64 number = 0;
    bool operator<(const FileIdentity& other) const
    {
        return device != other.device ? device < other.device : number < other.number;
    }
    bool operator==(const FileIdentity& other) const { return device == other.device && number == other.number; }
};
std::optional<FileIdentity> identityOf(const QString& path);

// Whether two paths name one file that is there, links followed.
bool isSameFile(const QString& a, const QString& b);
