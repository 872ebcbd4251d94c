#pragma once
// SHA-256 digest of a file, to name the exact files a result was made from.

#include <QByteArray>
#include <QString>

namespace veltrane {

// The SHA-256 of the file's bytes as 64 lower-case hexadecimal digits; empty
// when the file cannot be read.
QByteArray sha256HexOfFile(const QString &path);

}  // namespace veltrane
