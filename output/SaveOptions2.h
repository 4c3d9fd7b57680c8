#pragma once

#include "art/ArtParameters.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QPointer>
#include <QWidget>

#include <memory>

class QLabel;
class QSpinBox;

namespace Ui { class SaveOptions; }

// The options that the export dialog shows below its file list (ui/SaveOptions.ui): the image's
// edge in pixels, whether the art may be enlarged to fill it, the density the image tells (by
// default the one that prints the design at its natural size) and the size it prints at. A
// new one is made for every export; it opens with the choices last confirmed, in this run or an
// earlier one, so that an export at a size of the user's own is never followed by one at another
// size unnoticed.
class SaveOptions2 : public QWidget
{
    Q_OBJECT

public:
    // The enlargeOption button that lets the art grow to fill the image; any other tag keeps
    // the art at its natural size.
    static constexpr int kEnlargeTag = 2;

    explicit SaveOptions2(QWidget* parent = nullptr);
    ~SaveOptions2() override;

    // Shows the edge, enlargement and density last remembered; before any, `suggestedEdge`, the
    // window's default enlargement and the natural size's density. The printed size told is
    // that of a design of this reach.
    void showRememberedChoices(int suggestedEdge, const FitExtent& reach);
    // Remembers an export's edge, enlargement and density, for the next exports in this run and the next.
    static void rememberChoices(int edge, bool enlarge, int dotsPerInch);

    // The density chosen, in dots per inch; 0: the natural size's.
    int dotsPerInch() const;

    // The radio group, answering with the tags of its buttons.
    QPointer<QButtonGroup> enlargeOption() const { return m_enlargeOption; }
    void setEnlargeOption(QButtonGroup* group) { m_enlargeOption = group; }
    // The editable size field with its list of common sizes.
    QPointer<QComboBox> savePixelSize() const { return m_savePixelSize; }
    void setSavePixelSize(QComboBox* combo) { m_savePixelSize = combo; }

private:
    std::unique_ptr<Ui::SaveOptions> m_ui;
    QPointer<QButtonGroup> m_enlargeOption;
    QPointer<QComboBox> m_savePixelSize;
    void showPrintedSize();
    void showEnlargement(bool enlarge);

    QSpinBox* m_dotsPerInch;
    QLabel* m_printedSize;
    FitExtent m_reach;
};
