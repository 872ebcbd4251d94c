#include "engine/files/tempfilecleanup.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace veltrane {

namespace {

// Temporary files that can be open at one time and still be removed.
constexpr int kSlots = 64;

enum SlotState : int { Free = 0, Claimed = 1, Active = 2 };

struct Slot {
    std::atomic<int> state{Free};
    int folderFd = -1;
    char name[NAME_MAX + 1] = {};
};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");

// The process's one table: a signal handler has no other way to find it.
Slot g_slots[kSlots];

// SIGPIPE too: a run whose standard output goes to "| head" ends by it,
// quietly as is the custom, once its other outputs' temporary files are gone.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void removeTemporaryFilesAndDie(int signal)
{
    const int savedErrno = errno;
    for (Slot &slot : g_slots) {
        if (slot.state.load(std::memory_order_acquire) == Active)
            ::unlinkat(slot.folderFd, slot.name, 0);
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    errno = savedErrno;
    // Delivered with the default action once this handler returns.
    ::raise(signal);
}

}  // namespace

void installTemporaryFileCleanup()
{
    for (const int signal : kCleanupSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
            (current.sa_flags & SA_SIGINFO) != 0)
            continue;
        struct sigaction action {};
        action.sa_handler = removeTemporaryFilesAndDie;
        sigemptyset(&action.sa_mask);
        for (const int other : kCleanupSignals)
            sigaddset(&action.sa_mask, other);
        ::sigaction(signal, &action, nullptr);
    }
}

void TemporaryNameRegistration::hold(int folderFd, const char *name)
{
    release();
    if (std::strlen(name) > NAME_MAX)
        return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (g_slots[i].state.compare_exchange_strong(expected, Claimed, std::memory_order_acquire)) {
            g_slots[i].folderFd = folderFd;
            std::strcpy(g_slots[i].name, name);
            g_slots[i].state.store(Active, std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

void TemporaryNameRegistration::release()
{
    if (slot_ >= 0)
        g_slots[slot_].state.store(Free, std::memory_order_release);
    slot_ = -1;
}

CleanupSignalsBlocked::CleanupSignalsBlocked()
{
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : kCleanupSignals)
        sigaddset(&blocked, signal);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &saved_);
}

CleanupSignalsBlocked::~CleanupSignalsBlocked()
{
    ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

}  // namespace veltrane
