#pragma once
// Work spread over the processor's cores with results kept in input order:
// the run reads, converts and writes its points this way so that the output
// is the same bytes whatever the number of cores.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace veltrane {

// Number of threads worth starting: the hardware threads, at least 1.
inline unsigned workerThreadCount()
{
    const unsigned reported = std::thread::hardware_concurrency();
    return reported == 0 ? 1u : reported;
}

// Where a piece of work may run: on every core, or only on the calling
// thread because that thread is already one of a set busy on every core
// (more threads there would only cost their start and memory of their own).
enum class Cores { All, CallingThread };

// Calls work(begin, end) for consecutive ranges of [0, count), each of at
// most `grain` items, from up to workerThreadCount() threads (the calling one
// included; only the calling one with Cores::CallingThread); returns when
// every range is done. Ranges are claimed in ascending order, so the threads
// share the load whatever each range costs.
template <typename Work>
void forEachRange(std::size_t count, std::size_t grain, Work work, Cores cores = Cores::All)
{
    grain = std::max<std::size_t>(grain, 1);
    const std::size_t ranges = (count + grain - 1) / grain;
    const std::size_t threads = std::min<std::size_t>(cores == Cores::All ? workerThreadCount() : 1, ranges);
    std::atomic<std::size_t> next{0};
    auto claimRanges = [&]() {
        for (std::size_t r; (r = next.fetch_add(1)) < ranges;)
            work(r * grain, std::min(count, (r + 1) * grain));
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t)
        helpers.emplace_back(claimRanges);
    claimRanges();
    for (std::thread &helper : helpers)
        helper.join();
}

// Tasks run on a fixed set of `depth` worker threads, started once, whose
// results are handed to the caller in the order the tasks were added: the
// caller stays free for the sequential part (reading or writing the file)
// while the tasks run, and no thread is started per task. With a depth of 1
// every task runs at once on the caller's thread.
template <typename Result>
class OrderedTasks {
public:
    explicit OrderedTasks(std::size_t depth = workerThreadCount()) : depth_(std::max<std::size_t>(depth, 1))
    {
        if (depth_ > 1) {
            for (std::size_t t = 0; t < depth_; ++t)
                workers_.emplace_back([this] { work(); });
        }
    }

    // Queues `task`; first hands the oldest result to `consume` when `depth`
    // tasks are already pending.
    template <typename Task, typename Consume>
    void add(Task &&task, Consume &&consume)
    {
        if (depth_ == 1) {
            consume(task());
            return;
        }
        if (pending_.size() >= depth_)
            takeOldest(consume);
        std::packaged_task<Result()> job(std::forward<Task>(task));
        pending_.push_back(job.get_future());
        {
            const std::lock_guard<std::mutex> guard(lock_);
            queue_.push_back(std::move(job));
        }
        ready_.notify_one();
    }

    // Hands every remaining result to `consume`, oldest first.
    template <typename Consume>
    void finish(Consume &&consume)
    {
        while (!pending_.empty())
            takeOldest(consume);
    }

    // Runs what is still queued, then stops the workers.
    ~OrderedTasks()
    {
        {
            const std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
        }
        ready_.notify_all();
        for (std::thread &worker : workers_)
            worker.join();
    }

    OrderedTasks(const OrderedTasks &) = delete;
    OrderedTasks &operator=(const OrderedTasks &) = delete;

private:
    template <typename Consume>
    void takeOldest(Consume &consume)
    {
        std::future<Result> oldest = std::move(pending_.front());
        pending_.pop_front();
        consume(oldest.get());
    }

    // A worker: takes queued tasks in order until told to stop with none left.
    void work()
    {
        for (;;) {
            std::packaged_task<Result()> job;
            {
                std::unique_lock<std::mutex> guard(lock_);
                ready_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
                if (queue_.empty())
                    return;
                job = std::move(queue_.front());
                queue_.pop_front();
            }
            job();
        }
    }

    std::size_t depth_;
    std::deque<std::future<Result>> pending_;  // of the caller's thread
    std::mutex lock_;                          // guards what follows
    std::condition_variable ready_;
    std::deque<std::packaged_task<Result()>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace veltrane
