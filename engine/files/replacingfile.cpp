#include "engine/files/replacingfile.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace veltrane {

namespace {

// Symbolic links followed to the file an output name stands for.
constexpr int kMaxLinkHops = 40;
// Random characters that end a named temporary file, and tries at a free name.
constexpr int kRandomCharacters = 6;
constexpr int kNameTries = 100;
// Permission bits an output keeps; set-id and sticky bits are not kept.
constexpr mode_t kPermissionBits = 0777;
constexpr mode_t kNewFileMode = 0666;  // before the umask
// Digits of the largest descriptor number a name may give.
constexpr size_t kMaxDescriptorDigits = 9;

// The descriptor of this process that `name` stands for, as /dev/stdout,
// /dev/fd/N and /proc/self/fd/N do (a folder linked to /proc/self/fd too), or
// -1. Such a name is the stream the descriptor writes: following it to the
// file behind would write a new file where the stream's bytes go.
int ownDescriptorNamed(const std::string &name)
{
    static const char *const kStandardNames[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
    for (int fd = 0; fd < 3; ++fd) {
        if (name == kStandardNames[fd])
            return fd;
    }
    const size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (last.empty() || last.size() > kMaxDescriptorDigits || last.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int fd = std::stoi(last);
    const std::string ownFolder = "/proc/" + std::to_string(::getpid()) + "/fd";
    if (folder == "/dev/fd" || folder == "/proc/self/fd" || folder == "/proc/thread-self/fd" || folder == ownFolder)
        return fd;
    struct stat named {};
    struct stat own {};
    if (::stat(folder.c_str(), &named) == 0 && ::stat("/proc/self/fd", &own) == 0 && named.st_dev == own.st_dev &&
        named.st_ino == own.st_ino)
        return fd;
    return -1;
}

// Whether the folder of `name` is in /proc, where a link may stand for a
// pipe or socket ("pipe:[N]") that has no name to follow.
bool inProcFolder(const std::string &name)
{
    const size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    struct statfs system {};
    return ::statfs(folder.c_str(), &system) == 0 && system.f_type == PROC_SUPER_MAGIC;
}

// The name a chain of symbolic links leads to, each relative target taken
// from the folder of its link as given (never made absolute); `descriptor`
// is set when a name on the way stands for a descriptor of this process.
std::string followLinks(std::string name, int &descriptor)
{
    descriptor = -1;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        descriptor = ownDescriptorNamed(name);
        if (descriptor >= 0)
            break;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(name.c_str(), target, sizeof target);
        if (length <= 0 || size_t(length) >= sizeof target)
            break;
        const std::string link(target, size_t(length));
        if (link[0] != '/' && inProcFolder(name))
            break;  // opened by this name, it is the pipe or socket itself
        const size_t slash = name.rfind('/');
        name = link[0] == '/' || slash == std::string::npos ? link : name.substr(0, slash + 1) + link;
    }
    return name;
}

bool isAnonymousUnsupported(int code)
{
    // Kernels and file systems without O_TMPFILE answer with one of these.
    return code == EOPNOTSUPP || code == EISDIR || code == EINVAL || code == ENOENT;
}

// The "/proc/self/fd/N" name through which linkat() gives an unnamed file a name.
std::string procName(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

ReplacingFile::ReplacingFile(const QString &path, Temporary temporary) : temporary_(temporary)
{
    const std::string target = followLinks(QFile::encodeName(path).toStdString(), descriptor_);
    const size_t slash = target.rfind('/');
    folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    name_ = slash == std::string::npos ? target : target.substr(slash + 1);
}

ReplacingFile::~ReplacingFile()
{
    if (file_)
        std::fclose(file_);
    if (!tempName_.empty()) {
        CleanupSignalsBlocked blocked;
        ::unlinkat(folderFd_, tempName_.c_str(), 0);
        registration_.release();
    }
    if (fd_ >= 0)
        ::close(fd_);
    if (folderFd_ >= 0)
        ::close(folderFd_);
}

bool ReplacingFile::fail(int code, const QString &reason)
{
    errno_ = code;
    reason_ = reason;
    errno = code;
    return false;
}

QString ReplacingFile::errorString() const
{
    return reason_.isEmpty() ? QString::fromLocal8Bit(std::strerror(errno_)) : reason_;
}

bool ReplacingFile::open()
{
    if (descriptor_ >= 0)
        return openDescriptor();
    if (name_.empty() || name_ == "." || name_ == "..")
        return fail(EISDIR);
    folderFd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0)
        return fail(errno);

    struct stat earlier {};
    const bool exists = ::fstatat(folderFd_, name_.c_str(), &earlier, 0) == 0;
    if (!exists && errno != ENOENT)
        return fail(errno);  // a loop of links, say
    if (exists) {
        switch (earlier.st_mode & S_IFMT) {
        case S_IFREG:
            break;
        case S_IFIFO:
        case S_IFCHR:
            return openDirect();
        case S_IFDIR:
            return fail(EISDIR);
        case S_IFBLK:
            return fail(EINVAL, QStringLiteral("it is a block device, which an output never writes over"));
        default:
            return fail(EINVAL, QStringLiteral("it is neither a regular file, a FIFO nor a character device"));
        }
        if (::faccessat(folderFd_, name_.c_str(), W_OK, 0) != 0)
            return fail(errno);  // a read-only file is kept
    }

    const bool created = temporary_ == Temporary::AnonymousWherePossible ? createAnonymous() : createNamed();
    if (!created)
        return false;
    if (exists) {
        keepAttributesOf(earlier);
        target_.hasFile = true;
        target_.device = earlier.st_dev;
        target_.inode = earlier.st_ino;
    }
    struct stat folder {};
    if (::fstat(folderFd_, &folder) == 0) {
        target_.hasEntry = true;
        target_.folderDevice = folder.st_dev;
        target_.folderInode = folder.st_ino;
        target_.name = name_;
    }
    return openStream();
}

bool ReplacingFile::openDescriptor()
{
    // Written through a duplicate, which shares the descriptor's offset and
    // its appending: the bytes follow whatever was written there before.
    const int flags = ::fcntl(descriptor_, F_GETFL);
    if (flags < 0)
        return fail(errno);
    if ((flags & O_ACCMODE) == O_RDONLY)
        return fail(EBADF);
    fd_ = ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0)
        return fail(errno);
    direct_ = true;
    target_ = targetOfDescriptor(fd_);
    return openStream();
}

bool ReplacingFile::openDirect()
{
    // A FIFO waits here for its reader, as a shell's redirection does.
    fd_ = ::openat(folderFd_, name_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0)
        return fail(errno);
    direct_ = true;
    target_ = targetOfDescriptor(fd_);
    return openStream();
}

// The stream writes through a descriptor of its own, so that fd_ outlives
// close() for linkat().
bool ReplacingFile::openStream()
{
    const int streamFd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    file_ = streamFd >= 0 ? ::fdopen(streamFd, "w") : nullptr;
    if (!file_) {
        const int code = errno;
        if (streamFd >= 0)
            ::close(streamFd);
        return fail(code);
    }
    return true;
}

bool ReplacingFile::createAnonymous()
{
    // linkat() names the file through /proc; without /proc use a named file.
    if (::access("/proc/self/fd", X_OK) == 0) {
        fd_ = ::openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
        if (fd_ >= 0)
            return true;
        if (!isAnonymousUnsupported(errno))
            return fail(errno);
    }
    return createNamed();
}

std::string ReplacingFile::temporaryName() const
{
    long nameMax = ::fpathconf(folderFd_, _PC_NAME_MAX);
    if (nameMax <= 0 || nameMax > NAME_MAX)
        nameMax = NAME_MAX;
    // The final name, cut to leave room for "." and the random characters.
    std::string name = name_.substr(0, size_t(nameMax) - 1 - kRandomCharacters) + '.';
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    for (int i = 0; i < kRandomCharacters; ++i)
        name += kAlphabet[pick(seed)];
    return name;
}

bool ReplacingFile::underTemporaryName(const std::function<bool(const char *name)> &create)
{
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::string name = temporaryName();
        CleanupSignalsBlocked blocked;
        registration_.hold(folderFd_, name.c_str());
        if (create(name.c_str())) {
            tempName_ = name;
            return true;
        }
        const int code = errno;
        registration_.release();
        if (code != EEXIST)
            return fail(code);
    }
    return fail(EEXIST);
}

bool ReplacingFile::createNamed()
{
    return underTemporaryName([this](const char *name) {
        fd_ = ::openat(folderFd_, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        return fd_ >= 0;
    });
}

void ReplacingFile::keepAttributesOf(const struct stat &earlier) const
{
    // Owner and group first: changing them clears set-id bits. Only a
    // privileged process may give the file to another owner; the group
    // alone may still be one the process belongs to.
    if (::fchown(fd_, earlier.st_uid, earlier.st_gid) != 0 && ::fchown(fd_, uid_t(-1), earlier.st_gid) != 0) {
        // Neither is allowed: the file belongs to whoever runs the program.
    }
    (void)::fchmod(fd_, earlier.st_mode & kPermissionBits);
}

bool ReplacingFile::close()
{
    std::FILE *file = file_;
    file_ = nullptr;
    if (!file)
        return fail(EBADF);
    if (std::fclose(file) != 0)
        return fail(errno);
    return true;
}

bool ReplacingFile::replace()
{
    if (direct_)
        return true;
    CleanupSignalsBlocked blocked;
    if (tempName_.empty()) {
        // Unnamed: give it the final name when that is free, else a
        // temporary name that is then renamed over the final one.
        const std::string proc = procName(fd_);
        if (::linkat(AT_FDCWD, proc.c_str(), folderFd_, name_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return fail(errno);
        if (!underTemporaryName([this, &proc](const char *name) {
                return ::linkat(AT_FDCWD, proc.c_str(), folderFd_, name, AT_SYMLINK_FOLLOW) == 0;
            }))
            return false;
    }
    if (::renameat(folderFd_, tempName_.c_str(), folderFd_, name_.c_str()) != 0)
        return fail(errno);  // the destructor removes the temporary name
    tempName_.clear();
    registration_.release();
    return true;
}

}  // namespace veltrane
