#pragma once

// The commands that read and write design files: Open…, a recent or a dropped file, Save and
// Save As…, and the question before a design with unsaved changes is set aside. A file is
// written whole or not at all (output/SafeWrite.h); a file that cannot be read changes nothing
// and says why.

#include "app/Design.h"

#include <QObject>
#include <QString>

#include <functional>

class DesignDocument;
class RecentFiles;
class QWidget;

class DesignFiles : public QObject
{
    Q_OBJECT

public:
    struct Window {
        QWidget* widget = nullptr;                  // what the dialogs and messages belong to
        std::function<Design()> currentDesign;      // the design to write
        std::function<QString()> suggestedName;     // for a design that has no file yet
        // Shows a design that was read, as one undoable step named `stepName`, with `filePath`
        // as the document's file: none for a design that came in an export, which must not be
        // written over with a design file.
        std::function<void(const Design&, const QString& filePath, const QString& stepName)> showOpened;
        // A passing word about an opened file, such as that a newer version made it.
        std::function<void(const QString&)> showNote;
    };

    DesignFiles(Window window, DesignDocument& document, RecentFiles& recentFiles, QObject* parent = nullptr);

    // Asks whether to save a design with unsaved changes, and saves it when told to, asking for
    // a file when it has none. False when the user cancels or the save fails: what was to
    // follow must not happen.
    bool maybeSave();
    // Asks about unsaved changes, then offers the open dialog.
    void open();
    // Asks about unsaved changes, then opens the file.
    void openFile(const QString& path);
    // Writes the design to its file; one that has none asks for it, and counts as not saved yet.
    bool save();
    // Reads the design's file again, as one step that Undo takes back: for a design that has a
    // file and has changed since it was opened or saved.
    void revert();
    bool canRevert() const;
    // Asks for a file, then writes the design to it; the dialog returns at once.
    void saveAs();
    // The same, returning once the dialog is answered: whether the design was written.
    bool saveAsAndWait();

private:
    void read(const QString& path, const QString& stepName = {});
    bool write(const QString& path, QString* error);

    Window m_window;
    DesignDocument& m_document;
    RecentFiles& m_recentFiles;
};
