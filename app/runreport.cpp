#include "app/runreport.h"

#include "engine/run/runresult.h"
#include "engine/network/networkvalidation.h"

#include <QCoreApplication>
#include <QDir>

namespace veltrane {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindowClass", text);
}

}  // namespace

RunClosing runClosing(const RunResult &result)
{
    RunClosing closing;
    if (result.outcome != RunOutcome::Completed)
        return closing;  // the run's own lines said why

    const QString file = QDir::toNativeSeparators(result.written.value(0));
    if (!result.control || !result.triangles || result.control->empty() || result.triangles->empty()) {
        closing.noNetwork = true;
        closing.lines << tr("The conversion could not run: no control network was built (see above), so no point "
                            "of %1 was converted.")
                             .arg(file);
        return closing;
    }

    closing.writtenFile = result.written.value(0);
    closing.lines << tr("Output file: %1").arg(file);
    if (result.outside > 0) {
        const QString ids = result.outsideIds.join(QStringLiteral(", "));
        if (result.outside > uint64_t(result.outsideIds.size()))
            closing.lines << tr("Points outside the control network (the first %1 of %2): %3")
                                 .arg(result.outsideIds.size())
                                 .arg(qulonglong(result.outside))
                                 .arg(ids);
        else
            closing.lines << tr("Points outside the control network: %1").arg(ids);
    }
    const int32_t worst = result.validation ? result.validation->summary.worstPoint : -1;
    if (worst >= 0 && size_t(worst) < result.control->size())
        closing.lines << tr("Worst residual of the network check at %1: View / \"Centre on Worst Residual\" "
                            "(Ctrl+W) centres the Data Viewer on it.")
                             .arg((*result.control)[size_t(worst)].id);
    return closing;
}

}  // namespace veltrane
