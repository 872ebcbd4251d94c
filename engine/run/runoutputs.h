#pragma once
// The outputs of one run, as one transaction: every file is written beside
// its name and all of them are put in place together, only when the whole
// run succeeded. A run that fails (or is dropped) leaves every earlier file
// of those names as it was. No output may replace a file the run reads or
// another output of the run.

#include "engine/files/fileidentity.h"
#include "engine/files/replacingfile.h"

#include <QString>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace veltrane {

class RunOutputs {
public:
    // An output of the run, as add() and addStream() return it.
    using Handle = int;
    static constexpr Handle kNoOutput = -1;

    RunOutputs() = default;
    ~RunOutputs();
    RunOutputs(const RunOutputs &) = delete;
    RunOutputs &operator=(const RunOutputs &) = delete;

    // A file the run reads: no output may replace it.
    void protect(const QString &path);

    // Checks `path` against the files the run reads and the outputs added
    // before it, and opens it beside its name. kNoOutput with `error` set
    // ("Not writing ...", "Unable to write ...", "Two outputs are ...").
    Handle add(const QString &path, QString &error);

    // An open stream (standard output) that takes an output directly: what
    // is written there cannot be taken back. `label` names it in messages.
    // Add it before the outputs named by files, so that a name that reaches
    // the same file or stream is refused.
    Handle addStream(std::FILE *stream, const QString &label);

    // An output that a library writes itself, as one or more files named
    // after `path` (a GIS file): it is made at `workPath`, in a new folder
    // beside `path`, and at commit `finish` closes it and its files are
    // moved in place with the others. kNoOutput with `error` set.
    // `workName`, when given, is the name the library writes (one with the
    // extension its driver needs); the file of that name is put in place
    // under `path`, any others beside it under their own names.
    Handle addStaged(const QString &path, std::function<bool(QString &error)> finish, QString &workPath, QString &error,
                     const QString &workName = QString());

    // Appends bytes to an output. False with `error` set on the first
    // failure of that output; later writes to it do nothing.
    bool write(Handle output, const char *data, size_t size, QString &error);
    bool write(Handle output, const std::string &text, QString &error)
    {
        return write(output, text.data(), text.size(), error);
    }

    // Finishes every file and then puts each in place. False with `error`
    // set when one could not be finished (none is put in place then) or put
    // in place.
    bool commit(QString &error);

private:
    struct Output {
        QString path;  // or the stream's label
        std::unique_ptr<ReplacingFile> file;
        std::FILE *stream = nullptr;
        OutputTarget target;  // where the bytes land
        bool failed = false;
        QString stagingFolder;  // of a staged output, removed when not committed
        QString workName;       // the staged file that becomes `path`
        std::function<bool(QString &error)> finish;
    };

    bool placeStaged(Output &output, QString &error);

    std::vector<Output> outputs_;
    ProtectedFiles kept_;
};

}  // namespace veltrane
