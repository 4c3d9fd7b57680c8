#include "app/AppDelegate.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.mainWindow()->show();
    return application.exec();
}
