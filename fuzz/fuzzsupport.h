#pragma once
// Shared by the harnesses: a private scratch folder, whole-file writes and
// the check that stops the fuzzer when an invariant of the engine breaks.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// Aborts with a message; libFuzzer then saves the input that caused it.
#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "fuzz invariant broken at %s:%d: %s\n", __FILE__, __LINE__, #condition);              \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

// One scratch folder per fuzzing process, under /dev/shm when it exists so
// that the file round trips stay in memory; removed when the process ends.
inline QString scratchPath(const char *name)
{
    static QTemporaryDir folder(
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/veltrane-fuzz-XXXXXX"));
    FUZZ_REQUIRE(folder.isValid());
    return folder.filePath(QLatin1String(name));
}

inline void writeWholeFile(const QString &path, const char *data, size_t size)
{
    QFile file(path);
    FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_REQUIRE(file.write(data, qint64(size)) == qint64(size));
}

inline QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The readers print diagnostics for every file; at fuzzing speed they would
// drown libFuzzer's own report, which goes to standard error.
inline void silenceStandardOutput()
{
    if (!std::freopen("/dev/null", "w", stdout))
        std::fprintf(stderr, "cannot silence standard output\n");
}
