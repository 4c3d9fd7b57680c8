#pragma once

// What several test programs share: answering message boxes, reading and writing whole files,
// and making writes fail for real (a file size limit, a full file system).

#include <QByteArray>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <sys/resource.h>

// Answers the message boxes that open while it lives, in order, and keeps what each said. A box
// beyond the given answers is cancelled; it still shows up in `names`.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers = {});

    QStringList names;   // object names, in the order the boxes opened
    QStringList texts;   // text and informative text of each

private:
    void answer();

    QList<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
};

// Points this process's settings at a folder of its own, empty, so that no run of the tests
// reads what an earlier one left (nor a user's own settings).
void useFreshSettings();

QByteArray contentsOf(const QString& path);
bool writeContents(const QString& path, const QByteArray& contents);

// While it lives, no file of this process may grow beyond `bytes`: a write past them fails (the
// signal that would end the process is ignored).
class WriteLimit
{
public:
    explicit WriteLimit(rlim_t bytes);
    ~WriteLimit();
    WriteLimit(const WriteLimit&) = delete;
    WriteLimit& operator=(const WriteLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

// A small file system of its own, mounted on a new folder, that can be filled to the last byte.
// Mounting needs the right to mount (root, outside a locked-down container): `isMounted` tells.
class SmallFileSystem
{
public:
    SmallFileSystem();
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNotMounted() const { return m_whyNot; }
    QString path(const QString& name) const;
    // Writes a file that takes every byte left.
    void fill();

private:
    QString m_folder;
    bool m_mounted = false;
    QString m_whyNot;
};
