#include "app/DesignFiles.h"

#include "app/DesignDocument.h"
#include "app/DesignFormat.h"
#include "app/Notice.h"
#include "app/RecentFiles.h"
#include "output/DesignText.h"
#include "output/ExportDialog.h"
#include "output/SafeWrite.h"

#include <QFileDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

namespace {

ExportFormat designFileFormat()
{
    return {DesignFiles::tr("Save Design"), QStringLiteral("rotagraph"), DesignFiles::tr("Rotagraph designs (*.rotagraph)")};
}

QString fileNameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

}

DesignFiles::DesignFiles(Window window, DesignDocument& document, RecentFiles& recentFiles, QObject* parent)
    : QObject(parent)
    , m_window(std::move(window))
    , m_document(document)
    , m_recentFiles(recentFiles)
{
}

bool DesignFiles::maybeSave()
{
    if (!m_document.hasUnsavedChanges())
        return true;
    const QString path = m_document.filePath();
    QMessageBox box(QMessageBox::Warning, tr("Unsaved Changes"),
                    path.isEmpty() ? tr("Do you want to save this design?")
                                   : tr("Do you want to save the changes to “%1”?").arg(fileNameOf(path)),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_window.widget);
    box.setObjectName(QStringLiteral("saveChangesQuestion"));
    box.setInformativeText(tr("Your changes are lost if you don’t save them."));
    box.setDefaultButton(QMessageBox::Save);
    box.setWindowModality(Qt::WindowModal);
    switch (box.exec()) {
    case QMessageBox::Save:
        return path.isEmpty() ? saveAsAndWait() : save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void DesignFiles::open()
{
    if (!maybeSave())
        return;
    auto* dialog = new QFileDialog(m_window.widget, tr("Open Design"));
    // Qt's own dialog, as the export dialogs have it.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters({tr("All supported designs (*.rotagraph *.png *.svg)"), tr("Rotagraph designs (*.rotagraph)"),
                            tr("Images with a design (*.png)"), tr("Drawings with a design (*.svg)")});
    if (!m_document.filePath().isEmpty())
        dialog->setDirectory(QFileInfo(m_document.filePath()).absolutePath());
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) { read(path); });
    connect(dialog, &QFileDialog::finished, dialog, &QObject::deleteLater);
    dialog->open();
}

void DesignFiles::openFile(const QString& path)
{
    if (maybeSave())
        read(path);
}

bool DesignFiles::save()
{
    const QString path = m_document.filePath();
    if (path.isEmpty()) {
        saveAs();
        return false;
    }
    QString error;
    if (!write(path, &error)) {
        reportExportFailure(m_window.widget, designFileFormat(), path, error);
        return false;
    }
    return true;
}

void DesignFiles::saveAs()
{
    // A whole path opens the dialog in the file's folder.
    const QString path = m_document.filePath();
    openExportDialog(m_window.widget, designFileFormat(), path.isEmpty() ? m_window.suggestedName() : path, nullptr,
                     [this](const QString& target, QString* error) { return write(target, error); });
}

bool DesignFiles::saveAsAndWait()
{
    bool saved = false;
    QPointer<QFileDialog> dialog = openExportDialog(
        m_window.widget, designFileFormat(), m_window.suggestedName(), nullptr,
        [this, &saved](const QString& target, QString* error) { return saved = write(target, error); });
    // The dialog deletes itself once answered, after its write: then the answer is known.
    QEventLoop loop;
    connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (dialog)
        loop.exec();
    return saved;
}

bool DesignFiles::canRevert() const
{
    return !m_document.filePath().isEmpty() && m_document.hasUnsavedChanges();
}

void DesignFiles::revert()
{
    if (canRevert())
        read(m_document.filePath(), tr("Revert to “%1”").arg(fileNameOf(m_document.filePath())));
}

void DesignFiles::read(const QString& path, const QString& stepName)
{
    const DesignReadResult read = loadDesignFile(path);
    if (!read.design) {
        showNotice(m_window.widget, QStringLiteral("openFailure"), tr("Open Design"),
                   tr("“%1” could not be opened.").arg(fileNameOf(path)), read.error, read.details);
        return;
    }
    m_recentFiles.add(path);
    m_window.showOpened(*read.design, read.fromExport ? QString() : QFileInfo(path).absoluteFilePath(),
                        stepName.isEmpty() ? tr("Open “%1”").arg(fileNameOf(path)) : stepName);
    if (!read.note.isEmpty() && m_window.showNote)
        m_window.showNote(read.note);
}

bool DesignFiles::write(const QString& path, QString* error)
{
    const QByteArray json = designToJson(m_window.currentDesign());
    // A file that would not open again is not written.
    if (const QString tooLarge = whyDesignTextIsTooLarge(json.size()); !tooLarge.isEmpty()) {
        *error = tooLarge;
        return false;
    }
    if (!writeFileSafely(path, json, error))
        return false;
    m_document.markSaved(QFileInfo(path).absoluteFilePath());
    m_recentFiles.add(path);
    return true;
}
