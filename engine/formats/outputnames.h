#pragma once
// Naming of the converted-points file after the input file.

#include <QString>

namespace veltrane {

// Output path for an input path: every ".csv" of the file name (compared
// case-sensitively) becomes "_out.csv", so pts.csv gives pts_out.csv and
// pts.csv.csv gives pts_out.csv_out.csv. A name without ".csv" gets
// "_out.csv" in place of its last extension (pts.txt, pts.CSV -> pts_out.csv)
// or appended when it has none. Folders are left as they are. The result is
// never the input path itself.
QString deriveOutputPath(const QString &inputPath);

}  // namespace veltrane
