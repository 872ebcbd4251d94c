#pragma once
// The control TIN file: the Delaunay triangulation of the control points as
// "v x y z" and "f a b c" lines.

#include "tools/datagen/samplenetwork.h"

#include <string>
#include <vector>

// Triangulates the points with the engine and writes the file. Vertices are
// listed from south to north (an order unlike the control files', so that a
// reader has to match them by position); faces keep the engine's triangle
// order and vertex order, renumbered to the file's 1-based vertex numbers.
bool writeTinFile(const std::string &path, const std::vector<ControlSite> &points);
