#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>

namespace {

constexpr int kPollInterval = 10;        // ms between looks for a message box
constexpr int kMountTimeout = 10'000;    // ms
const QString kSmallFileSystemSize = QStringLiteral("size=64k");
constexpr qint64 kFillChunk = 4096;

bool runQuietly(const QString& program, const QStringList& arguments, QString* error = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool ran = process.waitForFinished(kMountTimeout) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (!ran && error)
        *error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed() + process.errorString();
    return ran;
}

}

MessageBoxAnswerer::MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers)
    : m_answers(std::move(answers))
{
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::answer);
    m_timer.start(kPollInterval);
}

void MessageBoxAnswerer::answer()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box || !box->isVisible())
            continue;
        names << box->objectName();
        texts << box->text() + u'\n' + box->informativeText();
        QAbstractButton* button = m_answers.isEmpty() ? nullptr : box->button(m_answers.takeFirst());
        if (button)
            button->click();
        else
            box->reject();
    }
}

void useFreshSettings()
{
    static QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings().clear();
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeContents(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.flush();
}

WriteLimit::WriteLimit(rlim_t bytes)
{
    getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = m_saved;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
}

WriteLimit::~WriteLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_savedHandler);
}

SmallFileSystem::SmallFileSystem()
{
    QTemporaryDir folder;
    folder.setAutoRemove(false);
    m_folder = folder.path();
    const QString mount = QStandardPaths::findExecutable(QStringLiteral("mount"));
    if (mount.isEmpty()) {
        m_whyNot = QStringLiteral("there is no mount command");
        return;
    }
    m_mounted = runQuietly(mount, {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                   kSmallFileSystemSize, QStringLiteral("tmpfs"), m_folder},
                           &m_whyNot);
    if (!m_mounted)
        m_whyNot = QStringLiteral("a small tmpfs could not be mounted (%1)").arg(m_whyNot);
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        runQuietly(QStandardPaths::findExecutable(QStringLiteral("umount")), {m_folder});
    QDir(m_folder).removeRecursively();
}

QString SmallFileSystem::path(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

void SmallFileSystem::fill()
{
    QFile filler(path(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray chunk(kFillChunk, 'x');
    while (filler.write(chunk) > 0) {
    }
    // What is left is less than a chunk: byte by byte.
    while (filler.write("x", 1) == 1) {
    }
}
