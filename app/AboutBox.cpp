#include "app/AboutBox.h"

#include <QApplication>
#include <QMessageBox>

void showAboutRotagraph(QWidget* parent)
{
    const QString text = QApplication::translate("AboutBox",
        "<h3>Rotagraph %1</h3>"
        "<p>Draws the curves of a wheel rolling round another: set the wheels, the pen and its "
        "colours, watch the curve draw itself, export it and print it.</p>"
        "<p>Released under the MIT licence.</p>"
        "<p>Built with Qt %2, running on Qt %3.</p>")
        .arg(QApplication::applicationVersion(), QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion()));
    QMessageBox::about(parent, QApplication::translate("AboutBox", "About Rotagraph"), text);
}
