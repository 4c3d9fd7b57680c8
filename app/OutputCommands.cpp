#include "app/OutputCommands.h"

#include "app/DesignClipboard.h"
#include "app/Notice.h"
#include "output/PngExport.h"
#include "output/Printing.h"
#include "output/VectorExport.h"

#include <QPrinter>

#if QT_CONFIG(printdialog)
#include <QPageSetupDialog>
#include <QPrintDialog>
#endif

OutputCommands::OutputCommands(Window window, QObject* parent)
    : QObject(parent)
    , m_window(std::move(window))
{
}

OutputCommands::~OutputCommands() = default;

void OutputCommands::exportPng()
{
    openPngExportDialog(m_window.widget, m_window.shownDesign());
}

void OutputCommands::exportVector(VectorFormat format)
{
    openVectorExportDialog(m_window.widget, m_window.shownDesign(), format);
}

QPrinter& OutputCommands::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void OutputCommands::print()
{
#if QT_CONFIG(printdialog)
    // Window-modal: the window stays in view and a slow drawing goes on behind the dialog. The
    // design is copied only once the dialog is confirmed, so it is the one shown at that moment.
    auto* dialog = new QPrintDialog(&printer(), m_window.widget);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    fitToScreen(*dialog, m_window.widget);
    connect(dialog, &QDialog::accepted, this, &OutputCommands::printDesign);
    dialog->open();
#endif
}

void OutputCommands::pageSetup()
{
#if QT_CONFIG(printdialog)
    // Qt's own page setup dialog hands its choices to the printer only from exec(), not when
    // opened with open(): so it runs here until answered, blocking only this window.
    QPageSetupDialog dialog(&printer(), m_window.widget);
    dialog.setWindowModality(Qt::WindowModal);
    fitToScreen(dialog, m_window.widget);
    dialog.exec();
#endif
}

void OutputCommands::printDesign()
{
    QString reason;
    if (printWithProgress(m_window.widget, m_window.shownComposition(), printer(), &reason))
        return;
    const QString where = printer().outputFileName().isEmpty()
        ? tr("The printer “%1” could not be started.").arg(printer().printerName())
        : tr("The file “%1” could not be written.").arg(printer().outputFileName());
    showNotice(m_window.widget, QStringLiteral("printFailure"), tr("Printing Failed"), tr("The design was not printed."),
               reason.isEmpty() ? where : where + u' ' + reason);
}

void OutputCommands::copy()
{
    copyDesign(m_window.widget, m_window.shownDesign());
}
