#include "engine/run/runoutputs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>

namespace veltrane {

namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

RunOutputs::~RunOutputs()
{
    for (const Output &output : outputs_) {
        if (!output.stagingFolder.isEmpty())
            QDir(output.stagingFolder).removeRecursively();
    }
}

void RunOutputs::protect(const QString &path)
{
    kept_.add(path, FileRole::Read);
}

RunOutputs::Handle RunOutputs::add(const QString &path, QString &error)
{
    error = kept_.refusal(path);
    if (!error.isEmpty())
        return kNoOutput;
    Output output;
    output.path = path;
    output.file = std::make_unique<ReplacingFile>(path);
    errno = 0;
    if (!output.file->open()) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, output.file->errorString());
        return kNoOutput;
    }
    // A new file through a linked folder, or a stream by a name of its
    // descriptor, is none of the protected files yet may be an earlier output.
    output.target = output.file->target();
    for (const Output &earlier : outputs_) {
        if (earlier.target.sameAs(output.target)) {
            error = QStringLiteral("Two outputs are the same file: %1 and %2").arg(earlier.path, path);
            return kNoOutput;
        }
    }
    output.stream = output.file->stream();
    kept_.add(path, FileRole::Written);
    outputs_.push_back(std::move(output));
    return Handle(outputs_.size() - 1);
}

RunOutputs::Handle RunOutputs::addStream(std::FILE *stream, const QString &label)
{
    Output output;
    output.path = label;
    output.stream = stream;
    // A stream that takes no writes (a closed standard output kept open on
    // /dev/null for reading) reaches no file another output could.
    const int fd = ::fileno(stream);
    const int flags = fd >= 0 ? ::fcntl(fd, F_GETFL) : -1;
    if (flags >= 0 && (flags & O_ACCMODE) != O_RDONLY)
        output.target = targetOfDescriptor(fd);
    outputs_.push_back(std::move(output));
    return Handle(outputs_.size() - 1);
}

RunOutputs::Handle RunOutputs::addStaged(const QString &path, std::function<bool(QString &error)> finish,
                                         QString &workPath, QString &error, const QString &workName)
{
    error = kept_.refusal(path);
    if (!error.isEmpty())
        return kNoOutput;
    const QFileInfo info(path);
    QByteArray folder = QFile::encodeName(info.absolutePath() + QStringLiteral("/.veltrane-XXXXXX"));
    errno = 0;
    if (!::mkdtemp(folder.data())) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, reason(errno));
        return kNoOutput;
    }
    Output output;
    output.path = path;
    output.stagingFolder = QFile::decodeName(folder);
    output.finish = std::move(finish);
    output.workName = workName.isEmpty() ? info.fileName() : workName;
    workPath = QDir(output.stagingFolder).filePath(output.workName);
    kept_.add(path, FileRole::Written);
    outputs_.push_back(std::move(output));
    return Handle(outputs_.size() - 1);
}

// Moves every file of a staged output's folder beside `path`.
bool RunOutputs::placeStaged(Output &output, QString &error)
{
    const QDir staging(output.stagingFolder);
    const QDir target = QFileInfo(output.path).absoluteDir();
    // A driver that made a folder where a file was asked for wrote nothing
    // that can be put under the name given.
    const QStringList folders = staging.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    if (!folders.isEmpty()) {
        error = QStringLiteral("Unable to write %1: the driver made a folder, not a file").arg(output.path);
        return false;
    }
    for (const QString &name : staging.entryList(QDir::Files | QDir::Hidden)) {
        const QString placed = name == output.workName ? output.path : target.filePath(name);
        errno = 0;
        if (std::rename(QFile::encodeName(staging.filePath(name)).constData(), QFile::encodeName(placed).constData()) !=
            0) {
            error = QStringLiteral("Unable to write %1: %2").arg(placed, reason(errno));
            return false;
        }
    }
    staging.rmdir(output.stagingFolder);
    output.stagingFolder.clear();
    return true;
}

bool RunOutputs::write(Handle handle, const char *data, size_t size, QString &error)
{
    Output &output = outputs_.at(size_t(handle));
    if (output.failed)
        return false;
    errno = 0;
    if (std::fwrite(data, 1, size, output.stream) == size)
        return true;
    output.failed = true;
    const int code = errno;
    error = output.file ? QStringLiteral("Unable to finish writing %1: %2").arg(output.path, reason(code))
                        : QStringLiteral("Unable to write %1: %2").arg(output.path, reason(code));
    return false;
}

bool RunOutputs::commit(QString &error)
{
    for (Output &output : outputs_) {
        if (output.failed) {
            error = QStringLiteral("Unable to finish writing %1").arg(output.path);
            return false;
        }
        errno = 0;
        if (output.finish) {
            if (!output.finish(error))
                return false;
        } else if (!output.file) {
            if (std::fflush(output.stream) != 0) {
                error = QStringLiteral("Unable to write %1: %2").arg(output.path, reason(errno));
                return false;
            }
        } else if (!output.file->close()) {
            error = QStringLiteral("Unable to finish writing %1: %2").arg(output.path, output.file->errorString());
            return false;
        }
    }
    for (Output &output : outputs_) {
        errno = 0;
        if (output.finish && !placeStaged(output, error))
            return false;
        if (output.file && !output.file->replace()) {
            error = QStringLiteral("Unable to write %1: %2").arg(output.path, output.file->errorString());
            return false;
        }
    }
    return true;
}

}  // namespace veltrane
