#pragma once

#include <QScrollArea>

// A column of controls that scrolls up and down when the window is too short for it: as wide
// as the column and a scroll bar, so that nothing is ever cut off at the side.
class ScrollPanel : public QScrollArea
{
    Q_OBJECT

public:
    explicit ScrollPanel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // The column's size hint changes with what it holds: the window's layout hears of it.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
