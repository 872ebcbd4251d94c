#include "engine/network/networkfiles.h"

#include <QDir>

namespace veltrane {

const char *const kControlFileCors96 = "TARVONA_NAD83_CORS96_CONTROL.csv";
const char *const kControlFileCors96a = "TARVONA_NAD83_CORS96a_CONTROL.csv";
const char *const kControlTinFile = "TARVONA_TIN_CONTROL.obj";
const char *const kControlShiftFile = "controlshift.csv";

NetworkFiles defaultNetworkFiles(const QString &workDir, DatumDirection direction)
{
    const QDir folder(workDir);
    const bool fromCors96 = direction == DatumDirection::Cors96ToCors96a;
    NetworkFiles files;
    files.source = folder.filePath(QLatin1String(fromCors96 ? kControlFileCors96 : kControlFileCors96a));
    files.target = folder.filePath(QLatin1String(fromCors96 ? kControlFileCors96a : kControlFileCors96));
    files.tin = folder.filePath(QLatin1String(kControlTinFile));
    return files;
}

}  // namespace veltrane
