#include "output/FileTarget.h"

#include "output/FileNames.h"

#include <QCoreApplication>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the system itself follows before it calls the path a loop.
constexpr int kMostLinks = 40;

QString tr(const char* text)
{
    return QCoreApplication::translate("FileTarget", text);
}

}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameIn(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray linkedFile(const QByteArray& path)
{
    QByteArray file = path;
    for (int links = 0; links < kMostLinks; ++links) {
        struct stat status {};
        if (::lstat(file.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return file;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(file.constData(), target.data(), std::size_t(target.size()));
        if (length <= 0)
            return file;
        target.truncate(length);
        file = target.startsWith('/') ? target : folderOf(file) + '/' + target;
    }
    return file;   // a loop: opening it says so
}

QString whyNotToReplace(const QString& path)
{
    const QByteArray file = linkedFile(fileNameForSystem(path));
    struct stat status {};
    if (::stat(file.constData(), &status) != 0)
        return {};   // nothing there yet, or a path that writing will say is wrong
    const QString leadsTo = file == fileNameForSystem(path)
        ? QString()
        : tr(" (it leads to “%1”)").arg(fileNameFromSystem(file));
    if (S_ISDIR(status.st_mode))
        return tr("“%1” is a folder%2.").arg(path, leadsTo);
    if (!S_ISREG(status.st_mode))
        return tr("“%1” is not an ordinary file but a device, a pipe or a socket%2: it is left as it is.")
            .arg(path, leadsTo);
    // Opened only to ask, as the user who runs the program: root may write anything, but a file
    // made read-only by its owner is kept so.
    const int probe = ::open(file.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (probe < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
        return tr("“%1” may not be written (%2).").arg(path, qt_error_string(errno));
    if (probe >= 0)
        ::close(probe);
    return {};
}

bool isFolder(const QString& path)
{
    struct stat status {};
    return ::stat(fileNameForSystem(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

QString makeFolder(const QString& path)
{
    const QByteArray bytes = fileNameForSystem(path);
    // Each folder on the way, made in turn; one made meanwhile by another process is as good.
    for (qsizetype end = bytes.indexOf('/', 1); ; end = bytes.indexOf('/', end + 1)) {
        const QByteArray partial = end < 0 ? bytes : bytes.left(end);
        if (!partial.isEmpty() && ::mkdir(partial.constData(), 0777) != 0 && errno != EEXIST)
            return QString::fromLocal8Bit(std::strerror(errno));
        if (end < 0)
            break;
    }
    return isFolder(path) ? QString() : QCoreApplication::translate("FileTarget", "A file of that name is there.");
}

std::optional<FileIdentity> identityOf(const QString& path)
{
    struct stat status {};
    if (::stat(fileNameForSystem(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino)};
}

bool isSameFile(const QString& a, const QString& b)
{
    const std::optional<FileIdentity> first = identityOf(a);
    return first && first == identityOf(b);
}
