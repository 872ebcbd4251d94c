#pragma once
// Files and status capture shared by the conversion tests.

#include "engine/run/conversion.h"
#include "engine/run/conversionrun.h"
#include "engine/run/runoutputs.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <utility>
#include <vector>

inline void writeTextFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// Writes `text` to `path` as a run writes each of its outputs; false with
// `error` set.
inline bool writeAsRunOutput(const QString &path, const std::string &text, QString &error)
{
    veltrane::RunOutputs outputs;
    const veltrane::RunOutputs::Handle output = outputs.add(path, error);
    return output != veltrane::RunOutputs::kNoOutput && outputs.write(output, text, error) && outputs.commit(error);
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Lines of a file without their line ends.
inline QList<QByteArray> readLines(const QString &path)
{
    QList<QByteArray> lines = readBytes(path).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The window's run of `input` with the fixed files of `workDir`, its lines
// handed to the sinks; without the network check the window adds.
inline veltrane::RunResult runInFolder(const veltrane::ConversionSettings &settings, const QString &input,
                                       const QString &echo, const QString &workDir, const veltrane::StatusSink &status,
                                       const veltrane::DiagnosticSink &diagnostics = {},
                                       const veltrane::ProgressSink &progress = {},
                                       const std::function<bool()> &cancelled = {}, const std::string &crs = {})
{
    veltrane::RunOptions options = veltrane::folderRunOptions(settings, input, echo, workDir);
    options.checkNetwork = false;
    options.cancelled = cancelled;
    options.crs = crs;
    veltrane::SinkReporter reporter(status, diagnostics, progress);
    return veltrane::executeRun(options, reporter);
}

// Every status line with its progress value, in order.
struct StatusLog {
    std::vector<std::pair<QString, int>> lines;

    veltrane::StatusSink sink()
    {
        return [this](const QString &text, int percent) { lines.emplace_back(text, percent); };
    }
    QStringList texts() const
    {
        QStringList out;
        for (const auto &line : lines)
            out.append(line.first);
        return out;
    }
    int countStartingWith(const QString &prefix) const
    {
        int n = 0;
        for (const auto &line : lines)
            n += line.first.startsWith(prefix) ? 1 : 0;
        return n;
    }
    QString firstContaining(const QString &part) const
    {
        for (const auto &line : lines)
            if (line.first.contains(part))
                return line.first;
        return QString();
    }
};
