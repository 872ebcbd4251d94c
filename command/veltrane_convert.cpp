// veltrane-convert: converts a point file between NAD83(CORS96) and
// NAD83(CORS96a) without the window, with the window's numbers and bytes,
// streaming the points so that files of any size fit in bounded memory.

#include "engine/files/tempfilecleanup.h"
#include "engine/version.h"
#include "command/batchrun.h"
#include "command/filenamebytes.h"
#include "command/options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace veltrane;

namespace {

// Every block of points takes and gives back buffers of about a megabyte on
// worker threads. Kept in the heap instead of mapped and unmapped each time,
// they cost no page faults: a fifth of the run's time on 1,000,000 points.
constexpr int kMallocMmapThreshold = 32 << 20;
constexpr int kMallocTrimThreshold = 256 << 20;

// Qt's own notes (a missing runtime folder, a painter without memory) are
// not the command's business: the run reports what failed in its own words.
// Only what ends the program gets through, in the command's form.
void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s%s\n", kMessagePrefix, text.toLocal8Bit().constData());
}

// Writes a text to standard output; false when it could not be written.
bool printText(const std::string &text)
{
    errno = 0;
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::fprintf(stderr, "%sunable to write standard output: %s\n", kMessagePrefix, std::strerror(errno));
    return false;
}

// A standard stream the command was started without (">&-") is held open
// on /dev/null the wrong way round, so that using it fails with "Bad file
// descriptor" and the first file the run opens does not take its number:
// standard output would then write into that file.
void holdClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int held = ::open("/dev/null", (fd == STDIN_FILENO ? O_WRONLY : O_RDONLY) | O_NOCTTY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

}  // namespace

int main(int argc, char *argv[])
{
    holdClosedStandardStreams();
    mallopt(M_MMAP_THRESHOLD, kMallocMmapThreshold);
    mallopt(M_TRIM_THRESHOLD, kMallocTrimThreshold);
    // The user's locale for names and messages, as the application object
    // would set it; numbers are always written with a decimal point.
    std::setlocale(LC_ALL, "");
    keepFileNameBytes();
    const ParsedCommandLine parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s%s (see veltrane-convert --help)\n", kMessagePrefix, parsed.error.c_str());
        return kExitUsage;
    }
    const CommandLine &options = parsed.options;
    if (options.help)
        return printText(usageText()) ? kExitDone : kExitFailed;
    if (options.version)
        return printText(std::string("veltrane-convert ") + kVersion + "\n") ? kExitDone : kExitFailed;

    // Every word of the command line is the command's: the application
    // object sees the program's name only.
    qInstallMessageHandler(qtMessage);
    int appArgc = 1;
    char *appArgv[] = {argv[0], nullptr};
    std::optional<QTemporaryDir> runtimeFolder;  // outlives the application
    std::unique_ptr<QCoreApplication> application;
    if (options.run.plot.isEmpty() && options.run.record.isEmpty()) {
        application = std::make_unique<QCoreApplication>(appArgc, appArgv);
    } else {
        // The picture and the record are drawn off screen, its text with the fonts of the
        // minimal platform, whatever platform the environment names; unlike
        // the offscreen one it releases its screen when the program ends.
        qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
        // Qt looks into a runtime folder as it starts. Without one named it
        // would make one and leave it behind, at the top of the file system
        // when TMPDIR names a missing folder; a private one of the run's own
        // is removed when the program ends.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QString temporary = QDir::tempPath();
            runtimeFolder.emplace((QFileInfo(temporary).isDir() ? temporary : QStringLiteral("/tmp")) +
                                  QStringLiteral("/veltrane-runtime-XXXXXX"));
            if (runtimeFolder->isValid())
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
        }
        application = std::make_unique<QGuiApplication>(appArgc, appArgv);
    }
    std::setlocale(LC_NUMERIC, "C");
    installTemporaryFileCleanup();
    try {
        return runCommand(options, stdin, stdout, stderr);
    } catch (const std::bad_alloc &) {
        std::fputs(kMessagePrefix, stderr);
        std::fputs("out of memory\n", stderr);
        return kExitFailed;
    }
}
