#include "engine/formats/replacingfile.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

namespace veltrane {

namespace {

// Symbolic links followed to the file an output name stands for.
constexpr int kMaxLinkHops = 40;

}  // namespace

ReplacingFile::ReplacingFile(const QString &path) : path_(path)
{
    QString target = path;
    for (int hop = 0; hop < kMaxLinkHops && QFileInfo(target).isSymLink(); ++hop)
        target = QFileInfo(target).symLinkTarget();
    finalName_ = QFile::encodeName(target).toStdString();
}

ReplacingFile::~ReplacingFile()
{
    if (file_)
        std::fclose(file_);
    if (!tempName_.empty())
        ::unlink(tempName_.c_str());
}

bool ReplacingFile::open()
{
    if (::access(finalName_.c_str(), F_OK) == 0 && ::access(finalName_.c_str(), W_OK) != 0)
        return false;  // errno from access(): a read-only file is kept
    std::string pattern = finalName_ + ".XXXXXX";
    const int fd = ::mkstemp(&pattern[0]);
    if (fd < 0)
        return false;
    tempName_ = pattern;
    // mkstemp makes the file private; give it the permissions a newly
    // created file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    file_ = ::fdopen(fd, "w");
    if (!file_) {
        ::close(fd);
        return false;
    }
    return true;
}

bool ReplacingFile::close()
{
    std::FILE *file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
}

bool ReplacingFile::replace()
{
    if (std::rename(tempName_.c_str(), finalName_.c_str()) != 0)
        return false;
    tempName_.clear();
    return true;
}

}  // namespace veltrane
