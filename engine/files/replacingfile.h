#pragma once
// An output file written beside its final name and put in place only when
// complete, so that a failed write (disk full, say) leaves an earlier file of
// that name as it was instead of cut short.
//
// - Symbolic links are followed: the file they lead to is replaced (or
//   created), as writing through the links would.
// - A name that leads to a FIFO or a character device (a pipe to another
//   program, /dev/null, a terminal) is written directly, as a shell's ">"
//   would: replacing it would put a regular file in place of the device (of
//   the system's own when run as root) and never deliver the data. Block
//   devices, sockets and folders are refused.
// - A name of a descriptor of this process (/dev/stdout, /dev/fd/N,
//   /proc/self/fd/N) is the stream that descriptor writes, whatever it leads
//   to (a file a shell opened, a pipe, a socket): it is written directly
//   through a duplicate of the descriptor, at its offset and appending where
//   it appends, and never replaced.
// - A file that is replaced keeps its permission bits and, where the process
//   may set them, its owner and group. Other hard links of it keep the
//   earlier contents: the name gets a new file, as it must for the earlier
//   file to survive a failed write.
// - The file being written has no name where the file system allows
//   (O_TMPFILE), so nothing is left behind even by SIGKILL; elsewhere it has
//   a short name that fits the folder's name length limit and is
//   removed on SIGINT, SIGTERM, SIGHUP and SIGPIPE once installTemporaryFileCleanup()
//   has been called.
// Names are used as given and relative to the folder opened at open(), so
// folders deeper than PATH_MAX from the root work as they do elsewhere.

#include "engine/files/fileidentity.h"
#include "engine/files/tempfilecleanup.h"

#include <QString>
#include <cstdio>
#include <functional>
#include <string>

#include <sys/stat.h>

namespace veltrane {

class ReplacingFile {
public:
    // Whether the file may be written without a name until it is put in place.
    enum class Temporary { AnonymousWherePossible, Named };

    explicit ReplacingFile(const QString &path, Temporary temporary = Temporary::AnonymousWherePossible);
    // Removes the temporary file when it was not put in place.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    // Opens the file to write; false with errno set and errorString() filled
    // when that is not possible, or when an existing file of the final name
    // may not be written or is not a kind of file an output may take.
    bool open();

    std::FILE *stream() const { return file_; }

    // Closes the stream; false with errno set when writing it out failed.
    bool close();

    // Puts the written file in place of the final name; false with errno set.
    // Nothing to do for a FIFO or device, which was written directly.
    bool replace();

    // Why the last call failed.
    QString errorString() const;

    // Where the bytes go, once open() succeeded.
    const OutputTarget &target() const { return target_; }

private:
    bool fail(int code, const QString &reason = QString());
    bool openDirect();
    bool openDescriptor();
    bool openStream();
    bool createAnonymous();
    bool createNamed();
    // Tries fresh temporary names until `create` makes the file under one
    // (false with errno EEXIST when the name is taken); the name is held
    // for the signal cleanup meanwhile.
    bool underTemporaryName(const std::function<bool(const char *name)> &create);
    std::string temporaryName() const;
    void keepAttributesOf(const struct stat &earlier) const;

    Temporary temporary_;
    std::string folder_;  // folder of the final name, as given ("." for none)
    std::string name_;    // the final name within it
    int folderFd_ = -1;
    int fd_ = -1;  // the file being written; kept open after close() for linkat()
    std::FILE *file_ = nullptr;
    bool direct_ = false;
    int descriptor_ = -1;  // the descriptor of this process the name stands for
    OutputTarget target_;
    std::string tempName_;  // named temporary file within the folder, if any
    TemporaryNameRegistration registration_;
    int errno_ = 0;
    QString reason_;
};

}  // namespace veltrane
