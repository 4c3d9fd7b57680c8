#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/CommandLineExport.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Rotagraph"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAGRAPH_VERSION));
    answerWithoutAWindow(argc, argv);
    const bool picturesOnly = asksForPicturesOnly(argc, argv);
    if (picturesOnly)
        qputenv("QT_QPA_PLATFORM", "offscreen");   // no display needed, nor used
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Rotagraph"));   // follows the design's name in titles
    QApplication::setOrganizationName(QStringLiteral("Rotagraph"));
    QApplication::setDesktopFileName(QStringLiteral("org.rotagraph.Rotagraph"));
    QCommandLineParser options;
    describeOptions(options);
    if (picturesOnly)
        return makePictures(options, QApplication::arguments());
    options.process(application);
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.mainWindow()->show();
    delegate.openFromCommandLine(options.positionalArguments());
    return application.exec();
}
