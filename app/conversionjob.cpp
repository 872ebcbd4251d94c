#include "app/conversionjob.h"

#include "engine/run/conversion.h"

#include <QMetaObject>

#include <cstdio>
#include <string>
#include <utility>

namespace veltrane {

ConversionJob::ConversionJob(QObject *parent) : QObject(parent) {}

ConversionJob::~ConversionJob()
{
    cancelRequested = true;
    if (worker.joinable())
        worker.join();
}

bool ConversionJob::start(const RunOptions &options)
{
    if (running)
        return false;
    if (worker.joinable())
        worker.join();  // a run that has ended but whose notice has not arrived yet
    running = true;
    cancelRequested = false;
    lastProgress = -1;
    const uint64_t run = ++runNumber;
    worker = std::thread([this, options, run] {
        RunOptions asked = options;
        asked.cancelled = [this] { return cancelRequested.load(); };
        SinkReporter reporter(
            [this](const QString &text, int percent) {
                post({text, percent, false});
            },
            [](const std::string &text) {
                // The readers' diagnostics go to standard output, which the window does not show.
                std::fputs(text.c_str(), stdout);
                std::fflush(stdout);
            },
            [this](int percent) { postProgress(percent); });
        RunResult result = executeRun(asked, reporter);
        {
            const std::lock_guard<std::mutex> guard(lock);
            workerResult = std::move(result);
        }
        QMetaObject::invokeMethod(
            this, [this, run] { finishRun(run); }, Qt::QueuedConnection);
    });
    return true;
}

void ConversionJob::cancel()
{
    if (running)
        cancelRequested = true;
}

void ConversionJob::wait()
{
    if (worker.joinable())
        worker.join();
    finishRun(runNumber);
}

void ConversionJob::post(Message message)
{
    bool first = false;
    {
        const std::lock_guard<std::mutex> guard(lock);
        first = pending.empty();
        pending.push_back(std::move(message));
    }
    // One delivery takes every message waiting by then: the job's thread is
    // woken once per batch, not once per line.
    if (first)
        QMetaObject::invokeMethod(this, &ConversionJob::deliverPending, Qt::QueuedConnection);
}

void ConversionJob::postProgress(int percent)
{
    if (percent == lastProgress)
        return;
    lastProgress = percent;
    post({QString(), percent, true});
}

void ConversionJob::deliverPending()
{
    std::vector<Message> batch;
    {
        const std::lock_guard<std::mutex> guard(lock);
        batch.swap(pending);
    }
    for (const Message &message : batch) {
        if (message.isProgress)
            emit progressChanged(message.percent);
        else
            emit statusLine(message.text, message.percent);
    }
}

void ConversionJob::finishRun(uint64_t run)
{
    if (!running || run != runNumber)
        return;
    if (worker.joinable())
        worker.join();
    deliverPending();
    {
        const std::lock_guard<std::mutex> guard(lock);
        finishedResult = std::move(workerResult);
        workerResult = RunResult();
    }
    running = false;
    emit finished();
}

}  // namespace veltrane
