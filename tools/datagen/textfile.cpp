#include "tools/datagen/textfile.h"

#include <cerrno>
#include <cstring>

bool writeTextFile(const std::string &path, const std::function<void(std::FILE *)> &fill)
{
    std::FILE *file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    fill(file);
    const bool writeFailed = std::ferror(file) != 0;
    const int writeErrno = errno;
    if (std::fclose(file) != 0 || writeFailed) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(writeFailed ? writeErrno : errno));
        return false;
    }
    return true;
}
