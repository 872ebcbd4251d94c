#pragma once
// An output file written beside its final name and put in place only when
// complete, so that a failed write (disk full, say) leaves an earlier file of
// that name as it was instead of cut short.

#include <QString>
#include <cstdio>
#include <string>

namespace veltrane {

class ReplacingFile {
public:
    // Through symbolic links the file they name is replaced (or created), as
    // writing through the links would.
    explicit ReplacingFile(const QString &path);
    // Removes the temporary file when it was not put in place.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    // Opens the temporary file; false with errno set when that is not
    // possible, or when an existing file of the final name may not be written.
    bool open();

    std::FILE *stream() const { return file_; }

    // Closes the temporary file; false with errno set when that failed.
    bool close();

    // Puts the written file in place of the final name; false with errno set.
    bool replace();

private:
    QString path_;
    std::string finalName_;
    std::string tempName_;
    std::FILE *file_ = nullptr;
};

}  // namespace veltrane
