#pragma once
// What "Output Information" says when a run of "Convert!" ends, beyond the
// run's own status lines: the file it wrote, the points it left outside the
// network, the worst point of the network check, or that it could not
// convert at all.

#include <QString>
#include <QStringList>

namespace veltrane {

struct RunResult;

struct RunClosing {
    QStringList lines;       // for the output pane, in order
    QString writtenFile;     // the converted points' file, for the "Output" box; empty when none
    bool noNetwork = false;  // the run had no control network: the progress bar goes back to 0
};

RunClosing runClosing(const RunResult &result);

}  // namespace veltrane
