#pragma once
// What is said about a run's network files: why one could not be read, why
// the network they make cannot convert, and how an export describes them.
// The command, the window and the library word these the same way.

#include "engine/network/networkbuilder.h"
#include "engine/formats/pointstream.h"
#include "engine/formats/tinshiftexport.h"

#include <QString>

namespace veltrane {

// Why a file could not be read, from the reader's problem and errno;
// `leadingName` when the text begins with the file's name.
QString inputProblemText(const QString &name, InputProblem problem, int error, bool &leadingName);

// The first reason `network`, built from `files`, cannot convert: a file that
// could not be read, no control point paired, no triangle. Empty when it can.
QString networkProblem(const NetworkFiles &files, const ControlNetwork &network, bool &leadingName);

// The geographic 3D systems of the direction's source and target
// realizations: a code where the realization has one, WKT2 otherwise.
void networkSystems(DatumDirection direction, QString &source, QString &target);

// The export's descriptive fields: the program's version, today's UTC date,
// the licence, the fallback, and the network files with their digests.
// False, with `error` naming `exportPath`, when a network file cannot be read.
bool describeNetworkFiles(const ConversionSettings &settings, const NetworkFiles &files, const QString &exportPath,
                          TinshiftMetadata &metadata, QString &error);

}  // namespace veltrane
