#pragma once

// What every export of the design shares: the save dialog, opened as a window-modal sheet with
// the export's options below its file list; the file name it suggests; the file that a chosen
// name becomes; the question before replacing a file the dialog never asked about; and the
// message when writing fails.

#include <QString>

#include <functional>
#include <memory>

class QFileDialog;
class QWidget;
class Rotagraph;

struct ExportFormat {
    QString title;       // of the dialog and its messages, e.g. "Export as PNG"
    QString extension;   // without the dot, lower case, e.g. "png"
    QString filter;      // the dialog's file type filter, e.g. "PNG image (*.png)"
};

// A private view in image-export mode holding what every export takes of the design: the
// wheels, pen, colours, revolutions, closing and fill, with the grease given here (the export
// follows the grease checkbox, not the view). What belongs to the screen stays behind: the view
// keeps the overlays off and draws the whole curve. Enlarged to fill its frame when `enlarge`.
std::unique_ptr<Rotagraph> makeExportView(const Rotagraph& source, bool enlarge, bool greaseIt);

// The name the dialog proposes, built from the design: "Rotagram 160a•o72r•53p×9." + extension.
QString suggestedFileName(const Rotagraph& art, const QString& extension);

// The file that a chosen path is written to: ".extension" is added when the path does not end
// with the extension's letters (exactly, in lower case, with or without a dot).
QString exportTarget(const QString& chosenPath, const QString& extension);

// The path the user chose in the dialog. A typed absolute path is taken as typed: the dialog
// joins one into a folder that does not exist onto its own current folder.
QString chosenPath(const QFileDialog& dialog);

// Opens the save dialog over `window` and returns it at once; `options` (may be null) goes below
// the file list and belongs to the dialog from then on. When the user confirms, `write` is called
// with the target; when the target has an extension that the dialog did not see, the user is
// asked first whether to replace a file of that name. `write` returns false with a reason, which
// the user reads in a message. The dialog deletes itself when done.
QFileDialog* openExportDialog(QWidget* window, const ExportFormat& format, const QString& suggestedName,
                              QWidget* options,
                              std::function<bool(const QString& target, QString* error)> write);

// Says that the design could not be written to `target`, and why, in a window-modal message.
void reportExportFailure(QWidget* window, const ExportFormat& format, const QString& target,
                         const QString& reason);
