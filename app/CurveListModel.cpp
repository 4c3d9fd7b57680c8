#include "app/CurveListModel.h"

#include <QDataStream>
#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace {

const QString kRowMimeType = QStringLiteral("application/x-rotagraph-curve-row");
constexpr int kSwatchSize = 16;
// The longest name a curve may have, as a design file allows it.
constexpr int kLongestName = 200;

// The colour a swatch shows `share` (0 to 1) of the way across: one run of the gradient, or the
// revolutions' colours in turn, as the curve goes through them.
QColor swatchColour(const CurveColouring& colouring, double share)
{
    if (colouring.mode == ColourMode::Gradient)
        return gradientColour(colouring.stops, share);
    return revolutionColour(colouring.stops, share * double(colouring.stops.size()), colouring.blend);
}

// The curve's pens side by side, as many as it uses; or, coloured along the curve, its colours
// from left to right.
QIcon swatchOf(const CurveDesign& curve)
{
    QPixmap pixmap(kSwatchSize, kSwatchSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    if (curve.colouring.mode != ColourMode::Stretches && !curve.colouring.stops.empty()) {
        for (int x = 0; x < kSwatchSize; ++x)
            painter.fillRect(QRect(x, 0, 1, kSwatchSize), swatchColour(curve.colouring, (x + 0.5) / kSwatchSize));
    } else {
        const QColor pens[] = {curve.penColor, curve.pen2Color, curve.pen3Color};
        const int count = std::clamp(curve.colorsInUse, kMinimumColorsInUse, kMaximumColorsInUse);
        for (int pen = 0; pen < count; ++pen) {
            const int left = kSwatchSize * pen / count;
            const int right = kSwatchSize * (pen + 1) / count;
            painter.fillRect(QRect(left, 0, right - left, kSwatchSize), pens[pen]);
        }
    }
    painter.setPen(QColor(0, 0, 0, 96));
    painter.drawRect(QRect(0, 0, kSwatchSize - 1, kSwatchSize - 1));
    return QIcon(pixmap);
}

}

CurveListModel::CurveListModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_curves{CurveDesign()}
{
}

void CurveListModel::setCurves(const QList<CurveDesign>& curves)
{
    beginResetModel();
    m_curves = curves.isEmpty() ? QList<CurveDesign>{CurveDesign()} : curves;
    endResetModel();
}

void CurveListModel::keepCurve(int row, const CurveDesign& curve)
{
    if (row < 0 || row >= m_curves.size())
        return;
    const bool swatchChanged = curve.penColor != m_curves[row].penColor || curve.pen2Color != m_curves[row].pen2Color
        || curve.pen3Color != m_curves[row].pen3Color || curve.colorsInUse != m_curves[row].colorsInUse
        || curve.colouring != m_curves[row].colouring;
    m_curves[row] = curve;
    if (swatchChanged)
        emit dataChanged(index(row), index(row), {Qt::DecorationRole});
}

int CurveListModel::addCurve(int after, const CurveDesign& curve)
{
    if (m_curves.size() >= Design::kMaximumCurves)
        return -1;
    const int row = std::clamp(after + 1, 0, int(m_curves.size()));
    beginInsertRows({}, row, row);
    m_curves.insert(row, curve);
    endInsertRows();
    return row;
}

int CurveListModel::duplicateTurned(int row, int count, double stepDegrees)
{
    if (row < 0 || row >= m_curves.size() || count < 2 || m_curves.size() + count - 1 > Design::kMaximumCurves)
        return -1;
    const CurveDesign original = m_curves[row];
    beginInsertRows({}, row + 1, row + count - 1);
    for (int copy = 1; copy < count; ++copy) {
        CurveDesign turned = original;
        turned.turn = original.turn + copy * stepDegrees;
        turned.name = freshName();
        m_curves.insert(row + copy, turned);
    }
    endInsertRows();
    return row + count - 1;
}

int CurveListModel::removeCurve(int row)
{
    if (m_curves.size() <= 1 || row < 0 || row >= m_curves.size())
        return -1;
    beginRemoveRows({}, row, row);
    m_curves.removeAt(row);
    endRemoveRows();
    return std::min(row, int(m_curves.size()) - 1);
}

int CurveListModel::moveCurve(int row, int to)
{
    if (row < 0 || row >= m_curves.size() || to < 0 || to >= m_curves.size() || row == to)
        return -1;
    // Qt counts the destination before the move: one further when moving down.
    beginMoveRows({}, row, row, {}, to > row ? to + 1 : to);
    m_curves.move(row, to);
    endMoveRows();
    return to;
}

void CurveListModel::setVisible(int row, bool visible)
{
    if (row < 0 || row >= m_curves.size() || m_curves[row].visible == visible)
        return;
    m_curves[row].visible = visible;
    emit dataChanged(index(row), index(row), {Qt::CheckStateRole});
}

void CurveListModel::setTurn(int row, double degrees)
{
    if (row >= 0 && row < m_curves.size())
        m_curves[row].turn = degrees;
}

void CurveListModel::setCopies(int row, const CurveCopies& copies)
{
    if (row >= 0 && row < m_curves.size()) {
        m_curves[row].copies = copies;
        emit dataChanged(index(row), index(row), {Qt::DisplayRole});
    }
}

QString CurveListModel::freshName() const
{
    for (int n = int(m_curves.size()) + 1;; ++n) {
        const QString name = curveName(n);
        if (std::none_of(m_curves.begin(), m_curves.end(), [&](const CurveDesign& c) { return c.name == name; }))
            return name;
    }
}

int CurveListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_curves.size());
}

QVariant CurveListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_curves.size())
        return {};
    const CurveDesign& curve = m_curves[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        // A rosette in one row says how many it draws.
        return curve.copies.count > 1 ? tr("%1 × %2").arg(curve.name).arg(curve.copies.count) : curve.name;
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return curve.name;
    case Qt::CheckStateRole:
        return curve.visible ? Qt::Checked : Qt::Unchecked;
    case Qt::DecorationRole:
        return swatchOf(curve);
    case Qt::ToolTipRole:
        return curve.visible ? tr("%1: shown").arg(curve.name) : tr("%1: hidden").arg(curve.name);
    default:
        return {};
    }
}

bool CurveListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= m_curves.size())
        return false;
    CurveDesign& curve = m_curves[index.row()];
    if (role == Qt::EditRole) {
        const QString name = value.toString().left(kLongestName);
        if (name == curve.name)
            return false;
        curve.name = name;
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        emit edited(tr("Rename Curve"), index.row());
        return true;
    }
    if (role == Qt::CheckStateRole) {
        const bool visible = value.toInt() == Qt::Checked;
        if (visible == curve.visible)
            return false;
        curve.visible = visible;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        emit edited(visible ? tr("Show Curve") : tr("Hide Curve"), index.row());
        return true;
    }
    return false;
}

Qt::ItemFlags CurveListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;   // between rows
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsUserCheckable
        | Qt::ItemIsDragEnabled;
}

Qt::DropActions CurveListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList CurveListModel::mimeTypes() const
{
    return {kRowMimeType};
}

QMimeData* CurveListModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(kRowMimeType, QByteArray::number(indexes.first().row()));
    return data;
}

bool CurveListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int /*column*/,
                                  const QModelIndex& parent)
{
    if (action != Qt::MoveAction || !data || !data->hasFormat(kRowMimeType))
        return false;
    bool ok = false;
    const int from = data->data(kRowMimeType).toInt(&ok);
    if (!ok || from < 0 || from >= m_curves.size())
        return false;
    // Dropped on a row: before it; below the last: at the end.
    int before = row >= 0 ? row : parent.isValid() ? parent.row() : int(m_curves.size());
    const int to = before > from ? before - 1 : before;
    if (moveCurve(from, std::clamp(to, 0, int(m_curves.size()) - 1)) >= 0)
        emit edited(tr("Move Curve"), to);
    // The row has moved already: the view must not take the source away as well.
    return false;
}

bool CurveListModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                              const QModelIndex& destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count != 1)
        return false;
    const int to = destinationChild > sourceRow ? destinationChild - 1 : destinationChild;
    return moveCurve(sourceRow, to) >= 0;
}
