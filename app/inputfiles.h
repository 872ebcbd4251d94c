#pragma once
// Rules of the input file selection that need no main window: which paths a
// drop of URLs adds to the "Points" and "Output" boxes, and the creation of
// the empty output file.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QComboBox;

// At most this many dropped URLs are taken; the rest are ignored.
constexpr int kMaxDroppedFiles = 32;

// Path of a dropped URL as it goes into the boxes: the local file path for a
// file URL, the whole URL text for any other.
QString droppedUrlPath(const QUrl &url);

// Paths of the first kMaxDroppedFiles URLs, in order.
QStringList droppedFilePaths(const QList<QUrl> &urls);

// Appends the paths of dropped URLs to both boxes and picks the current
// items: after one file "Points" shows it and "Output" keeps its item; after
// two or more (all dropped URLs counted, also those beyond the limit)
// "Points" shows the second-to-last added path and "Output" the last. A drop
// without URLs changes nothing.
void addDroppedFiles(QComboBox *pointsBox, QComboBox *outputBox, const QList<QUrl> &urls);

// Appends `text` as the new last item of `box` and makes it current.
void appendCurrentItem(QComboBox *box, const QString &text);

// Creates an empty file at `path`, or empties an existing one. Returns false,
// touching nothing, when the file cannot be opened for writing.
bool createEmptyFile(const QString &path);
