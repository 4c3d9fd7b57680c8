#include "output/SaveOptions2.h"

#include "widgets/Controls.h"
#include "ui_SaveOptions.h"

SaveOptions2::SaveOptions2(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SaveOptions>())
{
    m_ui->setupUi(this);
    m_enlargeOption = m_ui->enlargeOption;
    m_savePixelSize = m_ui->savePixelSize;
    // The radio buttons carry their tags as properties; the group answers with them.
    for (QAbstractButton* button : m_ui->enlargeOption->buttons())
        m_ui->enlargeOption->setId(button, tagOf(button));
}

SaveOptions2::~SaveOptions2() = default;
