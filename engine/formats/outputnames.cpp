#include "engine/formats/outputnames.h"

namespace veltrane {

namespace {
const QString kCsvSuffix = QStringLiteral(".csv");
const QString kOutSuffix = QStringLiteral("_out.csv");
}  // namespace

QString deriveOutputPath(const QString &inputPath)
{
    const int slash = inputPath.lastIndexOf(QLatin1Char('/'));
    const QString folder = inputPath.left(slash + 1);
    QString name = inputPath.mid(slash + 1);

    if (name.contains(kCsvSuffix)) {
        name.replace(kCsvSuffix, kOutSuffix);
    } else {
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot > 0)
            name.truncate(dot);
        name += kOutSuffix;
    }
    return folder + name;
}

}  // namespace veltrane
