#pragma once

// What every export of the design shares: the design as an export draws it; the save dialog,
// opened as a window-modal sheet with the export's options below its file list, and kept within
// the screen; the file name it suggests; the file that a chosen name becomes and the title it
// carries; the question before replacing a file the dialog never asked about; and the message
// when writing fails.

#include "art/ArtParameters.h"
#include "art/Composition.h"

#include <QSize>
#include <QString>

#include <functional>

class QDialog;
class QFileDialog;
class QWidget;

struct ExportFormat {
    QString title;       // of the dialog and its messages, e.g. "Export as PNG"
    QString extension;   // without the dot, lower case, e.g. "png"
    QString filter;      // the dialog's file type filter, e.g. "PNG image (*.png)"
};

// What an export dialog takes of the window, as values read when it opens (the window waits for
// the dialog): the composition as the view holds it, which of its curves is selected (its values
// name the file), the grease of the checkbox, which an export follows rather than the view's, and
// the design as text, which the file carries.
struct ShownDesign {
    Composition composition;
    int selectedCurve = 0;
    bool greaseIt = false;
    QString text;

    // The selected curve's design; the default one when there is no such curve.
    ArtParameters selected() const;
};

// The design that an export draws of the one shown: the wheels, pen, colours, revolutions,
// closing and fill, with the grease given here (the export follows the grease checkbox, not the
// view). What belongs to the screen stays behind: no overlay, the whole curve. Fitted into the
// export's frame, and enlarged to fill it when `enlarge`.
ArtParameters exportedDesign(const ArtParameters& shown, bool enlarge, bool greaseIt);
// The same made of every curve of a composition; the curves keep their order, names, turns and
// whether they show.
Composition exportedComposition(const Composition& shown, bool enlarge, bool greaseIt);

// The name the dialog proposes, built from a curve's design (of a composition, the selected
// curve's): "Rotagram 160a•o72r•53p×9." + extension.
QString suggestedFileName(const ArtParameters& art, const QString& extension);

// The file that a chosen path is written to: ".extension" is added when the path does not end
// with the extension's letters (exactly, in lower case, with or without a dot).
QString exportTarget(const QString& chosenPath, const QString& extension);

// The title of a document written to `target`: the name the user gave it, without the extension.
QString documentTitle(const QString& target);

// Sizes a dialog that opens over `window` for the free area of that window's screen, less the
// frame the desktop gives windows: `preferred` at most, or, when invalid, the size Qt gives it.
// Where even its smallest size would not fit, what the dialog holds above its buttons scrolls.
void fitToScreen(QDialog& dialog, QWidget* window, QSize preferred = {});

// The path the user chose in the dialog. A typed absolute path is taken as typed: the dialog
// joins one into a folder that does not exist onto its own current folder.
QString chosenPath(const QFileDialog& dialog);

// Opens the save dialog over `window` and returns it at once; `options` (may be null) goes below
// the file list, scrolling when the screen is too small for it, and belongs to the dialog from
// then on. When the user confirms, `write` is called
// with the target; when the target has an extension that the dialog did not see, the user is
// asked first whether to replace a file of that name. `write` returns false with a reason, which
// the user reads in a message. The dialog deletes itself when done.
QFileDialog* openExportDialog(QWidget* window, const ExportFormat& format, const QString& suggestedName,
                              QWidget* options,
                              std::function<bool(const QString& target, QString* error)> write);

// Says that the design could not be written to `target`, and why, in a window-modal message.
void reportExportFailure(QWidget* window, const ExportFormat& format, const QString& target,
                         const QString& reason);
