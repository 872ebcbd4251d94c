// veltrane-convert: converts a point file between NAD83(CORS96) and
// NAD83(CORS96a) without the window, with the window's numbers and bytes,
// streaming the points so that files of any size fit in bounded memory.

#include "engine/formats/tempfilecleanup.h"
#include "tools/convertcli/batchrun.h"
#include "tools/convertcli/filenamebytes.h"
#include "tools/convertcli/options.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

using namespace veltrane;

int main(int argc, char *argv[])
{
    keepFileNameBytes();
    const ParsedCommandLine parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "veltrane-convert: %s\nTry 'veltrane-convert --help' for more information.\n",
                     parsed.error.c_str());
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(usageText(), stdout);
        return kExitDone;
    }
    if (parsed.options.version) {
        std::printf("veltrane-convert %s\n", VELTRANE_VERSION);
        return kExitDone;
    }
    installTemporaryFileCleanup();
    try {
        return runBatch(parsed.options, stdin, stdout, stderr);
    } catch (const std::bad_alloc &) {
        std::fputs("veltrane-convert: out of memory\n", stderr);
        return kExitFailed;
    }
}
