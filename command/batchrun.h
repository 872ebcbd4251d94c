#pragma once
// veltrane-convert's side of a run: the options its arguments give, its
// messages on standard error, and the exit status of the outcome.

#include "command/options.h"

#include <cstdio>

namespace veltrane {

enum ExitStatus {
    kExitDone = 0,    // every output written
    kExitFailed = 1,  // the run failed; nothing new is left under the output names
    kExitUsage = 2,   // the command line is wrong
};

// Runs the conversion or the network check the options describe. `in` is
// read for the input "-", `out` takes the output "-", `err` every message.
int runCommand(const CommandLine &options, std::FILE *in, std::FILE *out, std::FILE *err);

}  // namespace veltrane
