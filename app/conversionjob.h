#pragma once
// A conversion run of the window on a thread of its own, so that the window
// keeps answering while the points are read and converted. The run's status
// lines and progress reach the thread that owns the job, in the order the
// run gave them, and the run's result is taken there once it has finished.

#include "engine/run/conversionrun.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace veltrane {

class ConversionJob : public QObject {
    Q_OBJECT

public:
    explicit ConversionJob(QObject *parent = nullptr);
    // Cancels a run still going and waits for its thread; nothing is
    // delivered any more.
    ~ConversionJob() override;

    // Starts a run; false (and nothing started) while another one runs.
    bool start(const RunOptions &options);
    bool isRunning() const { return running; }
    // Asks the run to stop before its next block of input; it then writes
    // nothing and finishes as Cancelled.
    void cancel();
    // Blocks until the run's thread has ended, then delivers what it left
    // (status lines, progress, finished()) at once.
    void wait();
    // The finished run's result; valid after finished().
    const RunResult &result() const { return finishedResult; }

signals:
    void statusLine(const QString &text, int percent);
    void progressChanged(int percent);
    void finished();

private:
    // A status line, or (with an empty text and isProgress) a progress value.
    struct Message {
        QString text;
        int percent = 0;
        bool isProgress = false;
    };

    // Called on the run's thread.
    void post(Message message);
    void postProgress(int percent);
    // Called on the job's thread.
    void deliverPending();
    void finishRun(uint64_t run);

    std::thread worker;
    std::atomic<bool> cancelRequested{false};
    bool running = false;
    uint64_t runNumber = 0;  // tells a stale notice of an earlier run from the current one
    int lastProgress = -1;   // touched by the run's thread only

    std::mutex lock;  // guards what follows
    std::vector<Message> pending;
    RunResult workerResult;

    RunResult finishedResult;
};

}  // namespace veltrane
