#pragma once
// Folders and files that cannot be written even by root: a small tmpfs that
// can be remounted read-only (or that fills up), and the immutable attribute.
// Both need privileges; each reports whether it took effect so that a test
// can fall back to permission bits or skip.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace veltrane::test_support {

// A tmpfs of `kilobytes` mounted on `folder` for the life of the object,
// when the machine lets this process mount one. It hides what the folder
// held until it is unmounted.
class ScratchMount {
public:
    ScratchMount(const QString &folder, int kilobytes) : m_folder(QFile::encodeName(folder))
    {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0;
    }
    ~ScratchMount()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount &) = delete;
    ScratchMount &operator=(const ScratchMount &) = delete;

    bool mounted() const { return m_mounted; }
    bool makeReadOnly()
    {
        return m_mounted && ::mount(nullptr, m_folder.constData(), nullptr,
                                    MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

// Sets or clears the immutable attribute (chattr +i), which binds root too.
inline bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

}  // namespace veltrane::test_support
