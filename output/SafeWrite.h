#pragma once

// The one way the application writes a file: whole or not at all. The bytes go to a temporary
// file beside the target, which replaces the target only when every byte of it is on disk, so
// a full disk or a size limit leaves the file that was there as it was, and says so. What may
// not be replaced (FileTarget.h: a device, a pipe, a folder) is refused before anything is
// written. The path goes to the system as its own bytes (FileNames.h).

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// Writes `bytes` to `path`. On failure `error` says why and the target is unchanged.
bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* error);

// As above, for content written in pieces: `writeContent` writes to the device and returns false
// when it gives up (with the device's error string, or `error` set by itself).
bool writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& writeContent, QString* error);

// Writes all of `bytes`, retrying a short write; false when a write achieves nothing, with the
// device's reason.
bool writeAll(QIODevice& device, const char* bytes, qint64 size);
inline bool writeAll(QIODevice& device, const QByteArray& bytes)
{
    return writeAll(device, bytes.constData(), bytes.size());
}
