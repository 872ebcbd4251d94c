#include "engine/run/conversion.h"

#include "engine/formats/outputnames.h"
#include "engine/formats/pointstream.h"
#include "engine/version.h"

#include <QDir>
#include <utility>

namespace veltrane {

RunOptions folderRunOptions(const ConversionSettings &settings, const QString &input, const QString &echo,
                            const QString &workDir)
{
    RunOptions options;
    options.settings = settings;
    options.network = defaultNetworkFiles(workDir, settings.direction);
    options.input = input;
    options.echo = echo;
    options.output = deriveOutputPath(input);
    options.controlShift = QDir(workDir).filePath(QLatin1String(kControlShiftFile));
    options.keepRecords = true;
    options.keepRecord = true;    // for "Save Report..."
    options.checkNetwork = true;  // for the view's residuals and the record
    options.layout.headerIfNamed = true;
    options.version = QString::fromLatin1(kVersion);
    return options;
}

SinkReporter::SinkReporter(StatusSink status, DiagnosticSink diagnostics, ProgressSink progress)
    : status_(std::move(status)), diagnostics_(std::move(diagnostics)), progress_(std::move(progress))
{
}

void SinkReporter::progress(uint64_t, uint64_t position, uint64_t total)
{
    // Reading and converting the points lies between the network's assembly
    // and the finished run.
    if (progress_ && total != kUnknownSize && total > 0)
        progress_(kProgressControl +
                  int(double(kProgressConverted - kProgressControl) * double(position) / double(total)));
}

}  // namespace veltrane
