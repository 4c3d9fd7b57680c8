#pragma once

// The designs opened or saved last, newest first, kept across runs in the settings and listed in
// the Open Recent menu. A file that no longer exists leaves the list when the list is read.

#include <QObject>
#include <QStringList>

class QMenu;

class RecentFiles : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMostFiles = 10;

    // Lists the files in `menu`, afresh each time it opens, with a Clear item below them.
    explicit RecentFiles(QMenu* menu);

    QStringList files() const;
    void add(const QString& path);
    void clear();

signals:
    void fileChosen(const QString& path);

private:
    void fillMenu();

    QMenu* m_menu;
};
