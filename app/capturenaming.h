#pragma once
// Rules of the screen capture that need no window: the size of the image
// for a view and a scale factor, and the numbering of capture file names.

#include <QSize>
#include <QString>

// Largest side of a captured image, pixels.
constexpr int kMaxCaptureSide = 9000;

// Image size for a view of viewSize at `scale`: the scale is truncated to a
// whole number, and a side beyond kMaxCaptureSide is brought down to it
// keeping the proportions (integer arithmetic, rounded toward zero).
QSize captureImageSize(const QSize &viewSize, double scale);

// The name that follows `name` when names are numbered automatically: the
// four characters before the four-character extension are a counter
// (shot0009.png -> shot0010.png); a name without one gets "0000" inserted
// before its extension (shot.png -> shot0000.png).
QString nextCaptureFileName(const QString &name);

// A name chosen in the save dialog, made ready for numbering: "0000" is
// inserted before its last four characters (a.bmp -> a0000.bmp).
QString numberedCaptureFileName(const QString &name);
