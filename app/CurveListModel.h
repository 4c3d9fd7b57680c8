#pragma once

// The curves of a design as the Curves list shows them: one row per curve, in drawing order, with
// a swatch of its pen colours, its name (edited in place) and a check box for whether it shows.
// The model holds the curves' values and no drawing. The selected curve's values live in the
// window's controls while it is selected: the controller writes them back before it reads the
// whole list. Rows move by drag and drop within the list; every change is told by `edited`, so
// that it can be taken as a step to undo.

#include "app/Design.h"

#include <QAbstractListModel>
#include <QList>

class CurveListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit CurveListModel(QObject* parent = nullptr);

    const QList<CurveDesign>& curves() const { return m_curves; }
    const CurveDesign& curve(int row) const { return m_curves.at(row); }
    // Replaces every curve, as a design opened or a step undone has them.
    void setCurves(const QList<CurveDesign>& curves);
    // Replaces one curve's values without a word to the list's users: the selected curve, as
    // its controls hold it.
    void keepCurve(int row, const CurveDesign& curve);

    // The commands, each on the row given; each returns the row to select afterwards, or -1
    // when it could not be carried out (a full list, the last curve).
    int addCurve(int after, const CurveDesign& curve);
    int duplicateTurned(int row, int count, double stepDegrees);
    int removeCurve(int row);
    int moveCurve(int row, int to);
    void setVisible(int row, bool visible);
    void setTurn(int row, double degrees);
    void setCopies(int row, const CurveCopies& copies);
    // The next "Curve n" no curve of the list is called yet.
    QString freshName() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count, const QModelIndex& destinationParent,
                  int destinationChild) override;

signals:
    // A user's change through the list itself: a rename, a check box, a drag. `row` is where
    // the curve that changed now stands.
    void edited(const QString& stepName, int row);

private:
    QList<CurveDesign> m_curves;
};
