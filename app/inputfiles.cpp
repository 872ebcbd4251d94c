#include "app/inputfiles.h"

#include <QComboBox>
#include <QFile>

QString droppedUrlPath(const QUrl &url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.toString();
}

QStringList droppedFilePaths(const QList<QUrl> &urls)
{
    QStringList paths;
    const int n = qMin(urls.size(), kMaxDroppedFiles);
    paths.reserve(n);
    for (int i = 0; i < n; ++i)
        paths.append(droppedUrlPath(urls.at(i)));
    return paths;
}

void addDroppedFiles(QComboBox *pointsBox, QComboBox *outputBox, const QList<QUrl> &urls)
{
    const QStringList paths = droppedFilePaths(urls);
    if (paths.isEmpty())
        return;

    pointsBox->addItems(paths);
    outputBox->addItems(paths);

    // Two dropped files are the pair "Points" and "Output".
    if (urls.size() < 2) {
        pointsBox->setCurrentIndex(pointsBox->count() - 1);
    } else {
        pointsBox->setCurrentIndex(pointsBox->count() - 2);
        outputBox->setCurrentIndex(outputBox->count() - 1);
    }
}

void appendCurrentItem(QComboBox *box, const QString &text)
{
    box->addItem(text);
    box->setCurrentIndex(box->count() - 1);
}

bool createEmptyFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    file.close();
    return true;
}
