#include "engine/files/filedigest.h"

#include <QCryptographicHash>
#include <QFile>

namespace veltrane {

QByteArray sha256HexOfFile(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file) || file.error() != QFileDevice::NoError)
        return QByteArray();
    return hash.result().toHex();
}

}  // namespace veltrane
