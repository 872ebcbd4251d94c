#pragma once
// One run of veltrane-convert: builds the network, streams the input through
// it into the output, writes the control shifts (and the tinshift export),
// and reports on standard error. Outputs are written beside their names and
// put in place only when the whole run succeeded.

#include "tools/convertcli/options.h"

#include <cstdint>
#include <cstdio>

namespace veltrane {

enum ExitStatus {
    kExitDone = 0,    // every output written
    kExitFailed = 1,  // the run failed; nothing new is left under the output names
    kExitUsage = 2,   // the command line is wrong
};

// Control and TIN files beyond this size are refused: far above any real
// network (a million control points take about 50 MB), it bounds what a
// file that never ends (a pipe, say) can cost.
constexpr uint64_t kNetworkFileByteLimit = uint64_t(256) << 20;

// The control and TIN files the options name: --source-controls,
// --target-controls and --tin-file, otherwise the fixed names in --workdir.
NetworkFiles networkFilesOf(const CommandLine &options);

// What is wrong with a network read from `files` ("" when it can be used):
// a file that could not be read, no pair of control points, no triangle.
std::string networkProblem(const ControlNetwork &network, const NetworkFiles &files);

// Runs the conversion the options describe. `in` is read for the input "-",
// `out` takes the output "-", `err` every message.
int runBatch(const CommandLine &options, std::FILE *in, std::FILE *out, std::FILE *err);

}  // namespace veltrane
