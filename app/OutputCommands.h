#pragma once

// The commands that take the design out of the window: Export as PNG, SVG and PDF, Print and
// Page Setup, and Copy (the picture and the design's text on the clipboard). Each takes the
// design as a value from the window when it starts (the exports and Copy), or, for printing, the
// composition shown when the print dialog is confirmed; none reaches the view itself.

#include "output/ExportDialog.h"

#include <QObject>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;
enum class VectorFormat;

class OutputCommands : public QObject
{
    Q_OBJECT

public:
    struct Window {
        QWidget* widget = nullptr;                       // what the dialogs and messages belong to
        std::function<ShownDesign()> shownDesign;        // an edit being typed committed first
        std::function<Composition()> shownComposition;   // as the view holds it now
    };

    explicit OutputCommands(Window window, QObject* parent = nullptr);
    ~OutputCommands() override;

    // Opens the PNG export dialog as a sheet on the window and returns at once; the file is
    // written when the user confirms (output/PngExport.h).
    void exportPng();
    void exportVector(VectorFormat format);
    // Opens the print dialog over the window; confirming it prints (printDesign).
    void print();
    // Opens the page setup dialog for the shared printer; what is chosen there holds for the
    // following prints.
    void pageSetup();
    // Prints the design on the shared printer as its settings stand, off the main thread with
    // progress and Cancel; when the printer cannot be started or its file written, says so, and
    // why, in a message box over the window.
    void printDesign();
    // The printer that every print and page setup share, so that the paper and margins chosen
    // hold for the rest of the run. Made on first use.
    QPrinter& printer();
    // Puts the picture and the design's text on the clipboard.
    void copy();

private:
    Window m_window;
    std::unique_ptr<QPrinter> m_printer;
};
