#pragma once
// File names as the bytes the system gave. Qt turns names into text with the
// locale's encoding (UTF-8), which replaces bytes that are not UTF-8 and so
// loses names such as a Latin-1 "caf\xe9.csv". With this encoding installed,
// such bytes travel through QString as unpaired low surrogates
// (U+DC80..U+DCFF) and come back unchanged, so every Qt file call opens the
// file that was named.

#include <QFile>
#include <QString>
#include <string>

namespace veltrane {

// Makes QFile::encodeName(QFile::decodeName(bytes)) == bytes for every name,
// when the locale's encoding is UTF-8 (other encodings Qt uses map bytes one
// to one already). Call once at start-up.
void keepFileNameBytes();

inline QString nameFromBytes(const std::string &bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), int(bytes.size())));
}

inline std::string bytesFromName(const QString &name)
{
    return QFile::encodeName(name).toStdString();
}

}  // namespace veltrane
