#include "output/ExportDialog.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <cstdlib>

namespace {

// Object names by which the export's message boxes can be told apart.
const QString kReplaceQuestionName = QStringLiteral("replaceQuestion");
const QString kExportFailureName = QStringLiteral("exportFailure");
const QString kFileNameEditName = QStringLiteral("fileNameEdit");
const QString kOptionsScrollName = QStringLiteral("exportOptionsScroll");
// Wide enough for the name column to show the suggested names whole beside size and type.
constexpr int kDialogWidth = 860;
constexpr int kDialogHeight = 560;
constexpr int kNameColumnWidth = 420;

QString tr(const char* text)
{
    return QCoreApplication::translate("ExportDialog", text);
}

// A message box blocks only the window it belongs to; exec() returns when it is answered.
int askWindowModal(QMessageBox& box)
{
    box.setWindowModality(Qt::WindowModal);
    return box.exec();
}

bool confirmReplacing(QWidget* window, const ExportFormat& format, const QString& target)
{
    const QFileInfo file(target);
    QMessageBox box(QMessageBox::Warning, format.title,
                    tr("“%1” already exists. Do you want to replace it?").arg(file.fileName()),
                    QMessageBox::Yes | QMessageBox::Cancel, window);
    box.setObjectName(kReplaceQuestionName);
    box.setInformativeText(tr("The file gets the extension .%1, and a file of that name is "
                              "already in “%2”.")
                               .arg(format.extension, QDir::toNativeSeparators(file.absolutePath())));
    box.button(QMessageBox::Yes)->setText(tr("Replace"));
    box.setDefaultButton(QMessageBox::Cancel);
    return askWindowModal(box) == QMessageBox::Yes;
}

// A frameless scroll area around `contents`: it takes the room the contents ask for when there is
// that much, and scrolls them when there is less, rather than squeeze them.
QScrollArea* scrolling(QWidget* contents)
{
    contents->setMinimumHeight(contents->sizeHint().height());
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(contents);
    return scroll;
}

// Puts what a dialog of a content widget above its buttons holds (Qt's page setup, say) in a
// scroll area. Other layouts stay as they are.
void scrollContents(QDialog& dialog)
{
    auto* column = qobject_cast<QBoxLayout*>(dialog.layout());
    for (int i = 0; column && i < column->count(); ++i) {
        QWidget* contents = column->itemAt(i)->widget();
        if (contents && !qobject_cast<QDialogButtonBox*>(contents) && !qobject_cast<QScrollArea*>(contents)) {
            column->removeWidget(contents);
            column->insertWidget(i, scrolling(contents));
            return;
        }
    }
}

// The frame a desktop gives a window: what the frame of the window the dialog opens over adds
// to it; none before that window shows.
QMargins windowFrame(const QWidget* window)
{
    if (!window)
        return {};
    const QRect outer = window->window()->frameGeometry();
    const QRect inner = window->window()->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

// Puts a widget in a new column beside everything the dialog shows, as tall as the dialog: the
// options stand in full view beside the file list however short the screen, where below it they
// would share its height.
void addBeside(QFileDialog& dialog, QWidget* widget)
{
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(widget, 0, grid->columnCount(), grid->rowCount(), 1);
        grid->setColumnStretch(grid->columnCount() - 1, 0);
    } else if (dialog.layout()) {
        dialog.layout()->addWidget(widget);
    }
}

// The detail view's columns readable at the dialog's opening size: the name gets what the
// size, type and date leave, and no more than half a narrow dialog.
void makeColumnsReadable(QFileDialog& dialog)
{
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        details->header()->setSectionResizeMode(QHeaderView::Interactive);
        details->header()->resizeSection(0, std::min(kNameColumnWidth, dialog.width() / 2));
        for (int column = 1; column < details->header()->count(); ++column)
            details->resizeColumnToContents(column);
    }
}

void completeExport(const QFileDialog& dialog, const ExportFormat& format,
                    const std::function<bool(const QString& target, QString* error)>& write)
{
    const QString chosen = chosenPath(dialog);
    if (chosen.isEmpty())
        return;
    const QString target = exportTarget(chosen, format.extension);
    QWidget* window = dialog.parentWidget();
    // The dialog asked about replacing the name it was given, not about the one with the
    // extension added.
    if (target != chosen && QFileInfo::exists(target) && !confirmReplacing(window, format, target))
        return;
    QString error;
    if (!write(target, &error))
        reportExportFailure(window, format, target, error);
}

}

ArtParameters exportedDesign(const ArtParameters& shown, bool enlarge, bool greaseIt)
{
    ArtParameters design = shown;
    design.drawMode = ImageExportMode;
    design.allowScaleUp = enlarge;
    design.greaseIt = greaseIt;
    design.showAnchor = false;
    design.percentToDraw = ArtParameters().percentToDraw;
    return design;
}

Composition exportedComposition(const Composition& shown, bool enlarge, bool greaseIt)
{
    // Each copy a curve of its own, so that every output draws and plots it as one.
    Composition composition = laidOutCopies(shown);
    for (ComposedCurve& curve : composition.curves)
        curve.art = exportedDesign(curve.art, enlarge, greaseIt);
    return composition;
}

ArtParameters ShownDesign::selected() const
{
    const bool held = selectedCurve >= 0 && std::size_t(selectedCurve) < composition.curves.size();
    return held ? composition.curves[std::size_t(selectedCurve)].art : ArtParameters();
}

QString suggestedFileName(const ArtParameters& art, const QString& extension)
{
    const float runner = art.runnerRadius;
    // Widened before the sign goes: the magnitude of the smallest int is no int.
    const qint64 runnerMagnitude = std::llabs(qint64(truncatedToInt(runner)));
    return QStringLiteral("Rotagram %1a\u2022%2%3%4r\u2022%5p\u00D7%6.%7")
        .arg(QString::number(truncatedToInt(art.anchorRadius)),
             runner > 0 ? QStringLiteral("o") : QStringLiteral("i"),
             QString::number(runnerMagnitude),
             art.greaseIt ? QStringLiteral("t") : QString(),
             QString::number(truncatedToInt(art.penHoleRadius)),
             QString::number(truncatedToInt(art.rotationsToMake)),
             extension);
}

QString exportTarget(const QString& chosenPath, const QString& extension)
{
    return chosenPath.endsWith(extension, Qt::CaseSensitive) ? chosenPath : chosenPath + u'.' + extension;
}

QString documentTitle(const QString& target)
{
    return QFileInfo(target).completeBaseName();
}

void fitToScreen(QDialog& dialog, QWidget* window, QSize preferred)
{
    const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size().shrunkBy(windowFrame(window)) : preferred;
    const QSize smallest = dialog.minimumSizeHint();
    if (smallest.width() > room.width() || smallest.height() > room.height())
        scrollContents(dialog);
    // Without a size of its own, the dialog takes the size it asks for, held within the room:
    // what Qt gives a window when it shows keeps within whichever screen it judges by, which
    // beside a taller screen need not be this one.
    dialog.resize((preferred.isValid() ? preferred : dialog.sizeHint()).boundedTo(room));
}

QString chosenPath(const QFileDialog& dialog)
{
    const auto* typed = dialog.findChild<QLineEdit*>(kFileNameEditName);
    if (typed && QDir::isAbsolutePath(typed->text()))
        return QDir::cleanPath(typed->text());
    const QStringList selected = dialog.selectedFiles();
    return selected.isEmpty() ? QString() : selected.first();
}

QFileDialog* openExportDialog(QWidget* window, const ExportFormat& format, const QString& suggestedName,
                              QWidget* options,
                              std::function<bool(const QString& target, QString* error)> write)
{
    auto* dialog = new QFileDialog(window, format.title);
    // Qt's own dialog, so that the options can sit inside it.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({format.filter, tr("All Files (*)")});
    dialog->selectFile(suggestedName);
    QSize preferred(kDialogWidth, kDialogHeight);
    if (options) {
        QScrollArea* scroll = scrolling(options);
        scroll->setObjectName(kOptionsScrollName);
        // As wide as the options, a scroll bar's width to spare: they scroll up and down only.
        const int width = options->sizeHint().width() + scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        scroll->setMinimumWidth(width);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        addBeside(*dialog, scroll);
        preferred.rwidth() += width;
    }
    fitToScreen(*dialog, window, preferred);
    makeColumnsReadable(*dialog);

    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, format, write = std::move(write)](int result) {
                         if (result == QDialog::Accepted)
                             completeExport(*dialog, format, write);
                         // Not before: a message above may run an event loop of its own.
                         dialog->deleteLater();
                     });
    dialog->open();
    return dialog;
}

void reportExportFailure(QWidget* window, const ExportFormat& format, const QString& target,
                         const QString& reason)
{
    QMessageBox box(QMessageBox::Warning, format.title,
                    tr("The design could not be saved as “%1”.").arg(QDir::toNativeSeparators(target)),
                    QMessageBox::Ok, window);
    box.setObjectName(kExportFailureName);
    box.setInformativeText(reason);
    askWindowModal(box);
}
