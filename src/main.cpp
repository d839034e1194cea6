#include "core/Clock.h"
#include "ui/MainWindow.h"
#include "ui/StationApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include <sys/prctl.h>

namespace {

// The folder the desktop menu's launcher works in, so bank files and the log stay out of home.
constexpr QLatin1String ownFolderName("ZE3000R");

struct Options
{
    QString workingDirectory;
    QString screenshot;
    int screenshotAfter = 4000;
    QString demo;
};

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
            "Remote-control station for the ZE3000R receiver.\n"
            "Bank files (*.bnk), range.rng and logging.txt live in the working folder: the current "
            "directory unless --dir or --home-folder names another."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
            {{QStringLiteral("d"), QStringLiteral("dir")},
             QStringLiteral("Work in the folder <dir> instead of the current directory."),
             QStringLiteral("dir")},
            {QStringLiteral("home-folder"),
             QStringLiteral("Work in ~/%1, created when missing (the desktop menu starts the "
                            "program this way).")
                     .arg(ownFolderName)},
            {QStringLiteral("demo"),
             QStringLiteral("After start-up press the bank \"Scan\" (scan) or search the first "
                            "range with the spectrum (search)."),
             QStringLiteral("scan|search")},
            {QStringLiteral("screenshot"),
             QStringLiteral("Save a picture of the main window to <file>, then close the "
                            "program."),
             QStringLiteral("file")},
            {QStringLiteral("screenshot-after"),
             QStringLiteral("Take the --screenshot picture after <ms> milliseconds (default "
                            "4000)."),
             QStringLiteral("ms"), QStringLiteral("4000")},
    });
}

void complain(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(QCoreApplication::applicationName()),
                 qUtf8Printable(message));
}

std::optional<Options> readOptions(const QCommandLineParser &parser)
{
    Options options;
    const QStringList extra = parser.positionalArguments();
    if (!extra.isEmpty()) {
        complain(QStringLiteral("unexpected argument: %1").arg(extra.first()));
        return std::nullopt;
    }
    const bool own = parser.isSet(QStringLiteral("home-folder"));
    if (own && parser.isSet(QStringLiteral("dir"))) {
        complain(QStringLiteral("--dir and --home-folder cannot be used together"));
        return std::nullopt;
    }
    if (own) {
        const QString path = QDir::home().filePath(ownFolderName);
        if (!QDir().mkpath(path)) {
            // Started from the menu nobody reads stderr.
            const QString text = QStringLiteral("Cannot create the folder %1").arg(path);
            complain(text);
            QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), text);
            box.setTextFormat(Qt::PlainText);
            box.exec();
            return std::nullopt;
        }
        options.workingDirectory = path;
    } else {
        const QFileInfo dir(parser.isSet(QStringLiteral("dir"))
                                    ? parser.value(QStringLiteral("dir"))
                                    : QDir::currentPath());
        if (!dir.isDir()) {
            complain(QStringLiteral("no such folder: %1").arg(dir.filePath()));
            return std::nullopt;
        }
        options.workingDirectory = dir.absoluteFilePath();
    }
    options.demo = parser.value(QStringLiteral("demo"));
    if (!options.demo.isEmpty() && options.demo != QLatin1String("scan")
        && options.demo != QLatin1String("search")) {
        complain(QStringLiteral("--demo takes scan or search, not %1").arg(options.demo));
        return std::nullopt;
    }
    bool ok = false;
    options.screenshotAfter = parser.value(QStringLiteral("screenshot-after")).toInt(&ok);
    if (!ok || options.screenshotAfter <= 0) {
        complain(QStringLiteral("--screenshot-after takes a number of milliseconds above 0"));
        return std::nullopt;
    }
    options.screenshot = parser.value(QStringLiteral("screenshot"));
    return options;
}

void armDemo(ze::MainWindow &window, const Options &options)
{
    if (!options.demo.isEmpty()) {
        QTimer::singleShot(300, &window,
                           [&window, demo = options.demo] { window.startDemo(demo); });
    }
    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(options.screenshotAfter, &window, [&window, file = options.screenshot] {
            if (!window.grab().save(file))
                complain(QStringLiteral("cannot save the picture %1").arg(file));
            window.close();
        });
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // Replies are timed in byte times of about a millisecond; the default slack of 50 us on
    // every sleep and wait of the exchange would show on the line.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    ze::StationApp::prepareToolkit();
    QCoreApplication::setApplicationName(QStringLiteral("ZE3000r"));
    QCoreApplication::setOrganizationName(QStringLiteral("ZE3000r"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZE_VERSION));
    {
        // --help and --version answer without a display; the rest waits for the toolkit, which
        // takes its own options (-platform, -style) out of the arguments first.
        QCoreApplication probe(argc, argv);
        QCommandLineParser parser;
        describe(parser);
        parser.parse(QCoreApplication::arguments());
        if (parser.isSet(QStringLiteral("help")))
            parser.showHelp(EXIT_SUCCESS);
        if (parser.isSet(QStringLiteral("version")))
            parser.showVersion();
    }

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setDesktopFileName(QStringLiteral("ze3000r"));
    QCommandLineParser parser;
    describe(parser);
    parser.process(application);
    const std::optional<Options> options = readOptions(parser);
    if (!options)
        return EXIT_FAILURE;

    ze::SystemClock clock;
    ze::StationApp app(ze::StationPaths {options->workingDirectory, QString()}, clock);
    if (!app.startUp())
        return EXIT_FAILURE;
    armDemo(app.window(), *options);
    return app.run();
}
