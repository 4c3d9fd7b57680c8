#include "app/ExportTargets.h"

#include "output/FileTarget.h"

#include <QFileInfo>
#include <QSet>

#include <set>

QList<ExportTarget> targetsInFolder(const QStringList& inputs, const QString& folder, const QString& extension)
{
    const QString stem = folder.endsWith(u'/') ? folder : folder + u'/';
    // Each name is looked up, not compared with every other: a run may draw thousands of files.
    std::set<FileIdentity> read;
    for (const QString& input : inputs)
        if (const std::optional<FileIdentity> identity = identityOf(input))
            read.insert(*identity);
    QSet<QString> written;
    const auto taken = [&](const QString& output) {
        const std::optional<FileIdentity> identity = identityOf(output);
        return written.contains(output) || (identity && read.count(*identity) > 0);
    };
    QList<ExportTarget> targets;
    for (const QString& input : inputs) {
        const QString base = QFileInfo(input).completeBaseName();
        ExportTarget target{stem + base + u'.' + extension};
        for (int number = 2; taken(target.output); ++number)
            target = {stem + base + u'-' + QString::number(number) + u'.' + extension, true};
        written.insert(target.output);
        targets << target;
    }
    return targets;
}
