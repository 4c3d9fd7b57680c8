#pragma once

// The Curves list beside the controls, its turn field and the Curve menu. Selecting a curve shows
// it in the window's controls, which from then on edit that curve alone; the list's other curves
// keep their values in the list's model. The commands add, copy, turn, remove, move, show and
// hide curves; each, and each change made in the list itself (a rename, a check box, a drag), is
// one step to undo. Selecting is no step of its own, but a step remembers which curve it changed
// and selects it again when undone.
//   list or menu → the model changes → the art view gets the composition → the step is recorded

#include "app/CurveListModel.h"

#include <QObject>
#include <QPointer>

#include <functional>

class CopiesControls;
class DesignDocument;
class NumberField;
class QAction;
class QListView;
class Rotagraph;
class Stepper;
struct ArtParameters;

class CurveCommands : public QObject
{
    Q_OBJECT

public:
    struct Controls {
        QListView* list = nullptr;
        NumberField* turnInput = nullptr;
        Stepper* turnStepper = nullptr;
        QAction* add = nullptr;
        QAction* duplicate = nullptr;
        QAction* duplicateTurned = nullptr;
        QAction* remove = nullptr;
        QAction* moveUp = nullptr;
        QAction* moveDown = nullptr;
        QAction* showOrHide = nullptr;
        CopiesControls* copies = nullptr;
    };
    struct Window {
        QWidget* widget = nullptr;                             // what dialogs belong to
        Rotagraph* art = nullptr;
        std::function<CurveDesign()> shownCurve;               // the selected curve as the controls hold it
        std::function<void(const CurveDesign&)> enterCurve;    // into the controls, as a user would, and drawn
        std::function<void(const QString&)> note;              // for the status line
        // What an edit of the selected curve, from `before` to `after`, gives another selected
        // with it.
        std::function<void(const CurveDesign& before, const CurveDesign& after, CurveDesign& other)> carry;
    };

    CurveCommands(Controls controls, Window window, DesignDocument& document, QObject* parent = nullptr);

    const CurveListModel& model() const { return m_model; }
    int selectedRow() const { return m_selected; }

    // Every curve, the selected one as the controls hold it, and what the controls changed of
    // it carried to the others selected with it.
    QList<CurveDesign> curves() const;
    // The rows selected together, the current one among them, in order.
    QList<int> selectedRows() const;
    // Takes the curves of a design that was opened or pasted: each is entered through the
    // controls, as typed, and the first is selected.
    void enterCurves(const QList<CurveDesign>& curves);
    // Puts back curves as a step had them, with `selected` selected and drawn with `selectedArt`,
    // sending nothing: the controls of the selected curve are the caller's to set.
    void putBack(const QList<CurveDesign>& curves, int selected, const ArtParameters& selectedArt);
    // Hands the art view the composition as it stands, after the selected curve changed.
    void showComposition();

signals:
    // The curves selected together changed, or their values did: the controls show where they
    // differ.
    void selectionShown(const CurveDesign& current, const QList<CurveDesign>& selected);

private:
    void connectControls();
    void showSelection();
    void select(int row);
    void selectQuietly(int row);
    void keepSelected();
    // Runs a change of the model that moves the list's current row, as no selection of the user's.
    int quietly(const std::function<int()>& change);
    void changed(const QString& stepName, int rowToSelect);
    void enableCommands();
    void addCurve();
    void duplicate();
    void duplicateTurned();
    void removeCurve();
    void move(int by);
    void showOrHide();
    void turnTyped();
    void copiesEdited(const CurveCopies& copies, QWidget* control);

    Controls m_controls;
    Window m_window;
    DesignDocument& m_document;
    CurveListModel m_model;
    int m_selected = 0;
    bool m_selecting = false;   // while the list's selection is set from here, not by the user
};
