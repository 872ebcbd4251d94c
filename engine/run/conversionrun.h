#pragma once
// One run of the program, whoever starts it: the window's "Convert!",
// veltrane-convert, the library and the Python module fill RunOptions, hand
// them to executeRun() and show what the reporter is told. The run builds the
// control network once, streams the input block by block through it on
// every core, and writes every output as one transaction (runoutputs.h); or,
// for the network check, validates the network and writes its residual file
// and picture.

#include "engine/run/runoptions.h"
#include "engine/run/runreporter.h"
#include "engine/run/runresult.h"

namespace veltrane {

RunResult executeRun(const RunOptions &options, RunReporter &reporter);

}  // namespace veltrane
