#pragma once
// Whether writing a file would replace one that must be kept (a file the run
// reads, or another of its outputs). Files are told apart by device and
// inode, through symbolic and hard links alike, with the names used as given
// (never made absolute, so folders deeper than PATH_MAX work). A name that
// cannot be looked up for another reason than not existing counts as a clash:
// the file might be the same.

#include <QString>
#include <string>
#include <vector>

#include <sys/types.h>

namespace veltrane {

enum class FileRole { Read, Written };

// Where the bytes of one output land, to tell outputs of a run apart: the
// file it writes into or replaces, when there is one, and for a file put in
// place the folder entry that will name it (the folder by device and inode,
// so that a link to a folder leads to the same entry as the folder itself).
struct OutputTarget {
    bool hasFile = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool hasEntry = false;
    dev_t folderDevice = 0;
    ino_t folderInode = 0;
    std::string name;

    // True when both write the same file or name the same entry.
    bool sameAs(const OutputTarget &other) const;
};

// The file an open descriptor writes (a file, pipe, socket or device).
OutputTarget targetOfDescriptor(int fd);

class ProtectedFiles {
public:
    void add(const QString &path, FileRole role);

    // Empty when `path` may be written; otherwise the message that says which
    // protected file it is or may be, beginning "Not writing <path>: ".
    QString refusal(const QString &path) const;

private:
    struct Entry {
        QString path;
        FileRole role;
    };
    std::vector<Entry> files_;
};

}  // namespace veltrane
