#include "engine/files/fileidentity.h"

#include <QFile>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace veltrane {

namespace {

enum class Lookup { Found, Missing, Unknown };

struct Identity {
    Lookup lookup = Lookup::Missing;
    dev_t device = 0;
    ino_t inode = 0;
    int error = 0;
};

Identity identify(const QString &path)
{
    Identity id;
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0) {
        id.lookup = Lookup::Found;
        id.device = status.st_dev;
        id.inode = status.st_ino;
    } else {
        id.error = errno;
        id.lookup = errno == ENOENT || errno == ENOTDIR ? Lookup::Missing : Lookup::Unknown;
    }
    return id;
}

// Whether the two may be the same file; `error` gets the lookup error when unknown.
bool mayBeSame(const Identity &a, const Identity &b, int &error)
{
    if (a.lookup == Lookup::Unknown || b.lookup == Lookup::Unknown) {
        error = a.lookup == Lookup::Unknown ? a.error : b.error;
        return true;
    }
    error = 0;
    return a.lookup == Lookup::Found && b.lookup == Lookup::Found && a.device == b.device && a.inode == b.inode;
}

}  // namespace

void ProtectedFiles::add(const QString &path, FileRole role)
{
    files_.push_back({path, role});
}

QString ProtectedFiles::refusal(const QString &path) const
{
    const Identity target = identify(path);
    if (target.lookup == Lookup::Missing)
        return QString();  // a new file replaces nothing
    for (const Entry &file : files_) {
        int error = 0;
        if (!mayBeSame(target, identify(file.path), error))
            continue;
        if (error != 0) {
            return QStringLiteral("Not writing %1: unable to tell whether it is the same file as %2 (%3).")
                .arg(path, file.path, QString::fromLocal8Bit(std::strerror(error)));
        }
        return QStringLiteral("Not writing %1: it is the same file as %2, which this run %3.")
            .arg(path, file.path, file.role == FileRole::Read ? QStringLiteral("reads") : QStringLiteral("writes"));
    }
    return QString();
}

bool OutputTarget::sameAs(const OutputTarget &other) const
{
    if (hasFile && other.hasFile && device == other.device && inode == other.inode)
        return true;
    return hasEntry && other.hasEntry && folderDevice == other.folderDevice && folderInode == other.folderInode &&
           name == other.name;
}

OutputTarget targetOfDescriptor(int fd)
{
    OutputTarget target;
    struct stat status {};
    if (::fstat(fd, &status) == 0) {
        target.hasFile = true;
        target.device = status.st_dev;
        target.inode = status.st_ino;
    }
    return target;
}

}  // namespace veltrane
