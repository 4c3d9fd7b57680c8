#include "output/SafeWrite.h"

#include <QCoreApplication>
#include <QSaveFile>

namespace {

// Writes out what the file still buffers. A short write is no error to the system, so its
// reason would read "Unknown error": the rest is written again, until the buffer is empty or a
// write achieves nothing and says why.
bool flushWhole(QFileDevice& file)
{
    for (qint64 left = file.bytesToWrite(); !file.flush();) {
        const qint64 now = file.bytesToWrite();
        if (now == 0 || now >= left)
            return false;
        left = now;
    }
    return true;
}

// Why a write to `device` failed. A buffered file that wrote only part of its buffer fails the
// write without a reason, since a short write is no error to the system, and a file being saved
// refuses every write after a failed one: writing out the rest of the buffer says why.
void learnWhyWritingFailed(QIODevice& device)
{
    if (auto* file = qobject_cast<QFileDevice*>(&device))
        flushWhole(*file);
}

}

bool writeAll(QIODevice& device, const char* bytes, qint64 size)
{
    for (qint64 written = 0; written < size;) {
        const qint64 count = device.write(bytes + written, size - written);
        if (count <= 0) {
            learnWhyWritingFailed(device);
            return false;
        }
        written += count;
    }
    return true;
}

bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* error)
{
    return writeFileSafely(path, [&bytes](QIODevice& device) { return writeAll(device, bytes); }, error);
}

bool writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& writeContent, QString* error)
{
    // QSaveFile keeps up to 16 KiB in its buffer and writes it only in commit(), which in some
    // Qt versions does not report a failure of that last write: the target would be replaced by
    // a cut-off file and the export called a success. So the buffer is flushed, and checked,
    // before the commit; and every step's failure is taken from the file's own error.
    QSaveFile file(path);
    const auto failed = [&file, error] {
        if (error && error->isEmpty())
            *error = file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed();
    if (!writeContent(file) || !flushWhole(file) || file.error() != QFileDevice::NoError)
        return failed();
    if (!file.commit()) {
        if (error && error->isEmpty())
            *error = file.errorString();
        return false;
    }
    return true;
}
