#pragma once
// Whether writing a file would replace one that must be kept (a file the run
// reads, or another of its outputs). Files are told apart by device and
// inode, through symbolic and hard links alike, with the names used as given
// (never made absolute, so folders deeper than PATH_MAX work). A name that
// cannot be looked up for another reason than not existing counts as a clash:
// the file might be the same.

#include <QString>
#include <vector>

namespace veltrane {

enum class FileRole { Read, Written };

// True when neither name exists yet and both name the same file to be.
bool sameNewFile(const QString &a, const QString &b);

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
