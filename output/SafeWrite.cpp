#include "output/SafeWrite.h"

#include "output/FileNames.h"
#include "output/FileTarget.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

// How many names a temporary file tries before it gives up: each is taken only by a file made
// meanwhile under the same random name.
constexpr int kNameTries = 100;

// A new file in the target's folder, unnamed where the file system allows, which takes the
// target's place when committed and is removed when not. Made by the system's own calls, with
// the path's own bytes, so a name that is no UTF-8 is written as it is. Its permissions are the
// target's when there is one (the file is private until then), else those the umask leaves.
class NewFile
{
public:
    NewFile(const QByteArray& target, const struct stat* existing);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool isOpen() const { return m_descriptor >= 0; }
    int openError() const { return m_openError; }
    QFile& device() { return m_file; }
    // Puts it on disk and in the target's place: 0, or the system's error number.
    int commit();

private:
    QByteArray temporaryName() const;
    int openNamed(mode_t mode);

    QByteArray m_target;
    QByteArray m_named;   // the file's name while it has one and has not taken the target's
    int m_descriptor = -1;
    int m_openError = 0;
    QFile m_file;
};

NewFile::NewFile(const QByteArray& target, const struct stat* existing)
    : m_target(target)
{
    const mode_t mode = existing ? S_IRUSR | S_IWUSR : 0666;
    // An unnamed file is named on commit through /proc: without it, the file has a name at once.
    static const bool canName = ::access("/proc/self/fd", X_OK) == 0;
    m_descriptor = canName ? ::open(folderOf(target).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode) : -1;
    if (m_descriptor < 0 && (!canName || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        m_descriptor = openNamed(mode);
    if (m_descriptor < 0) {
        m_openError = errno;
        return;
    }
    if (existing)
        ::fchmod(m_descriptor, existing->st_mode & 07777);
    m_file.open(m_descriptor, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
}

NewFile::~NewFile()
{
    m_file.close();
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    if (!m_named.isEmpty())
        ::unlink(m_named.constData());
}

QByteArray NewFile::temporaryName() const
{
    const quint64 random = QRandomGenerator::global()->generate64();
    return folderOf(m_target) + "/." + nameIn(m_target) + '.' + QByteArray::number(random, 36);
}

int NewFile::openNamed(mode_t mode)
{
    for (int tries = 0; tries < kNameTries; ++tries) {
        const QByteArray name = temporaryName();
        const int descriptor = ::open(name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        if (descriptor >= 0)
            m_named = name;
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

int NewFile::commit()
{
    m_file.close();
    if (::fsync(m_descriptor) != 0)
        return errno;
    // An unnamed file is given a name first: a link cannot replace a file, a rename can.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_descriptor);
    for (int tries = 0; m_named.isEmpty() && tries < kNameTries; ++tries) {
        const QByteArray name = temporaryName();
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
            m_named = name;
        else if (errno != EEXIST)
            return errno;
    }
    if (m_named.isEmpty())
        return EEXIST;
    if (::rename(m_named.constData(), m_target.constData()) != 0)
        return errno;
    m_named.clear();
    const int descriptor = std::exchange(m_descriptor, -1);
    return ::close(descriptor) == 0 ? 0 : errno;
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
    const auto failed = [error](const QString& why) {
        if (error && error->isEmpty())
            *error = why;
        return false;
    };
    const QString refusal = whyNotToReplace(path);
    if (!refusal.isEmpty())
        return failed(refusal);
    const QByteArray target = linkedFile(fileNameForSystem(path));
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    NewFile file(target, exists ? &existing : nullptr);
    if (!file.isOpen())
        return failed(qt_error_string(file.openError()));
    // The file is buffered: what it still holds is written out, and checked, before it counts.
    if (!writeContent(file.device()) || !flushWhole(file.device()) || file.device().error() != QFileDevice::NoError)
        return failed(file.device().errorString());
    // Checked once more: a pipe or a device put in the target's place meanwhile is not replaced either.
    const QString late = whyNotToReplace(path);
    if (!late.isEmpty())
        return failed(late);
    const int commitError = file.commit();
    return commitError == 0 || failed(qt_error_string(commitError));
}
