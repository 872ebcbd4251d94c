#pragma once
// Collects what a writer under test puts into a FIFO. Both ends are held
// open here, so that the reader neither blocks nor sees the end before the
// writer has written, and a writer that never comes cannot hang the test.

#include <QByteArray>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace veltrane::test_support {

class FifoReader {
public:
    explicit FifoReader(const QByteArray &path)
        : readEnd_(::open(path.constData(), O_RDONLY | O_NONBLOCK)), writeEnd_(::open(path.constData(), O_WRONLY))
    {
        if (readEnd_ >= 0)
            ::fcntl(readEnd_, F_SETFL, 0);
        if (isOpen())
            reader_ = std::thread([this] {
                char buffer[4096];
                for (ssize_t n; (n = ::read(readEnd_, buffer, sizeof buffer)) > 0;)
                    received_.append(buffer, int(n));
            });
    }
    ~FifoReader() { received(); }
    FifoReader(const FifoReader &) = delete;
    FifoReader &operator=(const FifoReader &) = delete;

    bool isOpen() const { return readEnd_ >= 0 && writeEnd_ >= 0; }

    // Everything written, once the writer under test has closed its end.
    const QByteArray &received()
    {
        if (writeEnd_ >= 0)
            ::close(writeEnd_);
        writeEnd_ = -1;
        if (reader_.joinable())
            reader_.join();
        if (readEnd_ >= 0)
            ::close(readEnd_);
        readEnd_ = -1;
        return received_;
    }

private:
    int readEnd_;
    int writeEnd_;
    std::thread reader_;
    QByteArray received_;
};

}  // namespace veltrane::test_support
