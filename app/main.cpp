#include "app/AppDelegate.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rotagraph"));
    QApplication::setApplicationDisplayName(QStringLiteral("Rotagraph"));   // follows the design's name in titles
    QApplication::setOrganizationName(QStringLiteral("Rotagraph"));
    QApplication::setApplicationVersion(QStringLiteral(ROTAGRAPH_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.rotagraph.Rotagraph"));
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.mainWindow()->show();
    return application.exec();
}
