#include "app/Notice.h"

#include <QMessageBox>

void showNotice(QWidget* window, const QString& name, const QString& title, const QString& text,
                const QString& reason, const QString& details)
{
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, window);
    box->setObjectName(name);
    box->setInformativeText(reason);
    box->setDetailedText(details);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}
