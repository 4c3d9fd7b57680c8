#include "app/ExportTargets.h"

#include "output/FileTarget.h"

#include <QFileInfo>

#include <algorithm>

QList<ExportTarget> targetsInFolder(const QStringList& inputs, const QString& folder, const QString& extension)
{
    const QString stem = folder.endsWith(u'/') ? folder : folder + u'/';
    QList<ExportTarget> targets;
    const auto taken = [&](const QString& output) {
        return std::any_of(targets.begin(), targets.end(), [&](const ExportTarget& t) { return t.output == output; })
            || std::any_of(inputs.begin(), inputs.end(), [&](const QString& input) { return isSameFile(input, output); });
    };
    for (const QString& input : inputs) {
        const QString base = QFileInfo(input).completeBaseName();
        ExportTarget target{stem + base + u'.' + extension};
        for (int number = 2; taken(target.output); ++number)
            target = {stem + base + u'-' + QString::number(number) + u'.' + extension, true};
        targets << target;
    }
    return targets;
}
