#include "app/ExportTargets.h"

#include "output/FileTarget.h"

#include <QCoreApplication>
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

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLineExport", text);
}

ExportPlan refusedPlan(const QString& why)
{
    ExportPlan plan;
    plan.refusal = why;
    return plan;
}

}

ExportPlan planExport(const PictureRequest& request)
{
    const QStringList& files = request.files;
    const QString& output = request.output;
    const QString suffix = QFileInfo(output).suffix();
    const std::optional<PictureFormat> named = formatNamed(suffix);
    const bool folderThere = isFolder(output);
    if (files.size() == 1 && !folderThere && !output.endsWith(u'/')) {
        if (isSameFile(files.first(), output))
            return refusedPlan(tr("“%1” is the file to draw: drawing it there would lose it.").arg(output));
        if (suffix.isEmpty())
            return refusedPlan(tr("“%1” has no extension and is no folder: say .png, .svg or .pdf, or name a folder "
                                  "(ending in /).")
                                   .arg(output));
        if (!named)
            return refusedPlan(tr("Rotagraph writes .png, .svg and .pdf files, not .%1.").arg(suffix));
        if (request.options.format && *request.options.format != *named)
            return refusedPlan(tr("“%1” says .%2, but --format says %3.")
                                   .arg(output, suffix, extensionOf(*request.options.format)));
        return {{{output}}, {}, {}};
    }
    if (!folderThere && named)
        return refusedPlan(tr("For several files, OUTPUT must be a folder."));
    ExportPlan plan;
    plan.targets = targetsInFolder(files, output, extensionOf(request.options.format.value_or(PictureFormat::Png)));
    if (!folderThere)
        plan.folderToMake = output;
    return plan;
}
