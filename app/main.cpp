// Program entry: reads the command line, enters the working folder, then
// runs one main window, with the start-up actions the command line asks for.

#include "app/mainwindow.h"
#include "app/startupactions.h"
#include "app/startupoptions.h"
#include "engine/files/tempfilecleanup.h"
#include "engine/version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <cstdio>

namespace {

constexpr int kExitUsage = 2;

// Sizes of the window icon in the program's resources, in pixels.
constexpr int kIconSizes[] = {48, 128, 256};

QIcon programIcon()
{
    QIcon icon;
    for (int size : kIconSizes)
        icon.addFile(QStringLiteral(":/icons/veltrane-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QString::fromLatin1(veltrane::kVersion));
    QApplication::setWindowIcon(programIcon());

    QCommandLineParser parser;
    veltrane::addStartupOptions(parser);
    parser.process(app);
    veltrane::StartupOptions options;
    const QString error = veltrane::resolveStartupOptions(parser, QDir::currentPath(), options);
    if (!error.isEmpty()) {
        veltrane::reportStartupError(error);
        return kExitUsage;
    }
    // The window and the run open the fixed files by bare name.
    if (!QDir::setCurrent(options.workDir)) {
        veltrane::reportStartupError(QStringLiteral("cannot enter the working folder %1").arg(options.workDir));
        return kExitUsage;
    }
    // Ending the window by a signal mid-write leaves no temporary output file.
    veltrane::installTemporaryFileCleanup();
    MainWindow window;
    if (!options.pointsFile.isEmpty())
        window.setPointsFile(options.pointsFile);
    window.showMessages(veltrane::startupReport(options, veltrane::missingControlFiles(options.workDir),
                                                veltrane::installedSampleDir(QApplication::applicationDirPath())));
    window.show();

    veltrane::StartupActions actions(window, options);
    QObject::connect(&actions, &veltrane::StartupActions::finished, &app, [](int status, const QStringList &report) {
        // Standard error, apart from the file readers' diagnostics on standard output.
        for (const QString &line : report)
            std::fprintf(stderr, "veltrane: %s\n", line.toLocal8Bit().constData());
        QCoreApplication::exit(status);
    });
    actions.start();
    return app.exec();
}
