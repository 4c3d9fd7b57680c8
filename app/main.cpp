#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/CommandLineExport.h"
#include "output/FileNames.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Rotagraph"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAGRAPH_VERSION));
    // A write beyond a file size limit fails like a full disk, and says so, instead of ending
    // the program: in the window, and in each picture made from the shell.
    std::signal(SIGXFSZ, SIG_IGN);
    answerWithoutAWindow(argc, argv);
    // The names as the system gives them: Qt's own arguments lose bytes that are no UTF-8.
    const QStringList arguments = argumentsFromSystem(argc, argv);
    // Read before any window system is touched, so that a mistake is told, and the same status
    // returned, with a display or without one.
    QCommandLineParser options;
    describeOptions(options);
    if (!options.parse(arguments)) {
        std::fputs(fileNameForSystem(options.errorText() + QLatin1Char('\n')).constData(), stderr);
        return kExitBadArguments;
    }
    const bool picturesOnly = asksForPicturesOnly(options);
    if (picturesOnly)
        qputenv("QT_QPA_PLATFORM", "offscreen");   // no display needed, nor used
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Rotagraph"));   // follows the design's name in titles
    QApplication::setOrganizationName(QStringLiteral("Rotagraph"));
    QApplication::setDesktopFileName(QStringLiteral("org.rotagraph.Rotagraph"));
    if (picturesOnly)
        return makePictures(options, arguments);
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.mainWindow()->show();
    delegate.openFromCommandLine(options.positionalArguments());
    return application.exec();
}
