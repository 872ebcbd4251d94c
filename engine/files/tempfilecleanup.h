#pragma once
// Removal of named temporary output files when the process is ended by
// SIGINT, SIGTERM, SIGHUP or SIGPIPE, so that an interrupted run (or one
// whose reader went away) leaves no half written file beside its output. Signals act on the whole process, so the
// names live in one fixed table of the process; its slots are claimed and
// read with atomics and the signal handler only reads them and calls
// unlinkat(), which is safe inside a handler.

#include <csignal>

namespace veltrane {

// Installs the removing handler for each of SIGINT, SIGTERM, SIGHUP and SIGPIPE whose
// action is still the default one; a signal that is ignored (SIGHUP under
// nohup, say) or handled by the program stays as it is. After removing the
// files the handler ends the process by the signal's default action.
void installTemporaryFileCleanup();

// Holds one temporary name (an entry of the folder `folderFd`, which must
// stay open while held) for the handler to remove. hold() it before the file
// is created and release() it once the name no longer exists. When the table
// is full the name is simply not removed on a signal.
class TemporaryNameRegistration {
public:
    TemporaryNameRegistration() = default;
    ~TemporaryNameRegistration() { release(); }
    TemporaryNameRegistration(const TemporaryNameRegistration &) = delete;
    TemporaryNameRegistration &operator=(const TemporaryNameRegistration &) = delete;

    void hold(int folderFd, const char *name);
    void release();

private:
    int slot_ = -1;
};

// Holds SIGINT, SIGTERM, SIGHUP and SIGPIPE back from the calling thread while it
// lives, for the few calls that create or rename a temporary name.
class CleanupSignalsBlocked {
public:
    CleanupSignalsBlocked();
    ~CleanupSignalsBlocked();
    CleanupSignalsBlocked(const CleanupSignalsBlocked &) = delete;
    CleanupSignalsBlocked &operator=(const CleanupSignalsBlocked &) = delete;

private:
    sigset_t saved_;
};

}  // namespace veltrane
