#include "app/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const QString kSettingsKey = QStringLiteral("recentFiles");

void store(const QStringList& files)
{
    QSettings().setValue(kSettingsKey, files);
}

}

RecentFiles::RecentFiles(QMenu* menu)
    : QObject(menu)
    , m_menu(menu)
{
    connect(menu, &QMenu::aboutToShow, this, &RecentFiles::fillMenu);
    fillMenu();
}

QStringList RecentFiles::files() const
{
    const QStringList stored = QSettings().value(kSettingsKey).toStringList();
    QStringList existing;
    for (const QString& path : stored)
        if (QFileInfo(path).isFile() && existing.size() < kMostFiles)
            existing << path;
    if (existing != stored)
        store(existing);
    return existing;
}

void RecentFiles::add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = files();
    list.removeAll(absolute);
    list.prepend(absolute);
    store(list.mid(0, kMostFiles));
}

void RecentFiles::clear()
{
    store({});
}

void RecentFiles::fillMenu()
{
    m_menu->clear();
    const QStringList list = files();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString path = list[i];
        // An ampersand in a name would otherwise mark a shortcut letter.
        const QString name = QFileInfo(path).fileName().replace(u'&', QStringLiteral("&&"));
        QAction* entry = m_menu->addAction(tr("&%1 %2").arg(QString::number(i + 1), name));
        entry->setStatusTip(QDir::toNativeSeparators(path));
        entry->setToolTip(QDir::toNativeSeparators(path));
        connect(entry, &QAction::triggered, this, [this, path] { emit fileChosen(path); });
    }
    m_menu->addSeparator();
    QAction* clearAll = m_menu->addAction(tr("&Clear"));
    connect(clearAll, &QAction::triggered, this, &RecentFiles::clear);
    clearAll->setObjectName(QStringLiteral("actionClearRecentFiles"));
    clearAll->setEnabled(!list.isEmpty());
}
