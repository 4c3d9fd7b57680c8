#include "app/CommandLine.h"

#include "app/CommandLineExport.h"

#include <QCoreApplication>

#include <cstring>

void describeOptions(QCommandLineParser& options)
{
    options.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "Draws the curves of a wheel rolling round another."));
    // Qt's own window options (-platform xcb, -style fusion) are read as a word each, as the
    // window system reads them; they are taken here too, unlisted, so that reading the
    // arguments before any window is made does not refuse them.
    options.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "style", "stylesheet", "session", "display", "geometry",
                             "title", "name"}) {
        QCommandLineOption windowOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
        windowOption.setFlags(QCommandLineOption::HiddenFromHelp);
        options.addOption(windowOption);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb"}) {
        QCommandLineOption windowOption(QString::fromLatin1(name));
        windowOption.setFlags(QCommandLineOption::HiddenFromHelp);
        options.addOption(windowOption);
    }
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument(QStringLiteral("files"),
                                  QCoreApplication::translate("CommandLine", "Design files, or PNG and SVG exports, "
                                                                             "to open: the first is shown."),
                                  QStringLiteral("[FILE…]"));
    describeExportOptions(options);
}

void answerWithoutAWindow(int argc, char* argv[])
{
    const auto asksForText = [](const char* argument) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version", "-?"})
            if (std::strcmp(argument, option) == 0)
                return true;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return;
        if (asksForText(argv[i])) {
            QCoreApplication core(argc, argv);
            QCommandLineParser options;
            describeOptions(options);
            options.process(core);   // prints the answer and leaves
            return;
        }
    }
}
