#include "app/capturenaming.h"

#include <QtGlobal>
#include <cmath>

namespace {

constexpr int kExtensionLength = 4;  // the dot and three letters
constexpr int kCounterLength = 4;
const QString kCounterStart = QStringLiteral("0000");

// A base-10 integer with optional surrounding blanks and sign.
bool parseCounter(const QString &field, int &value)
{
    const QString trimmed = field.trimmed();
    if (trimmed.isEmpty())
        return false;
    bool ok = false;
    value = trimmed.toInt(&ok, 10);
    return ok;
}

}  // namespace

QSize captureImageSize(const QSize &viewSize, double scale)
{
    const qint64 wholeScale = static_cast<qint64>(std::trunc(scale));
    qint64 width = wholeScale * viewSize.width();
    qint64 height = wholeScale * viewSize.height();
    if (width > kMaxCaptureSide && width >= height) {
        height = height * kMaxCaptureSide / width;
        width = kMaxCaptureSide;
    } else if (height > kMaxCaptureSide && height >= width) {
        width = width * kMaxCaptureSide / height;
        height = kMaxCaptureSide;
    }
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

QString nextCaptureFileName(const QString &name)
{
    const int length = name.length();
    const QString extension = name.right(kExtensionLength);
    const int counterEnd = qMax(0, length - kExtensionLength);
    const int counterStart = qMax(0, length - kExtensionLength - kCounterLength);
    const QString counterField = name.mid(counterStart, counterEnd - counterStart);

    int counter = 0;
    if (parseCounter(counterField, counter)) {
        const int next = counter + 1;
        QString padding;
        if (next < 10)
            padding = QStringLiteral("000");
        else if (next < 100)
            padding = QStringLiteral("00");
        else if (next < 1000)
            padding = QStringLiteral("0");
        return name.left(counterStart) + padding + QString::number(next) + extension;
    }
    return name.left(counterEnd) + kCounterStart + extension;
}

QString numberedCaptureFileName(const QString &name)
{
    QString numbered = name;
    numbered.insert(qMax(0, name.length() - kExtensionLength), kCounterStart);
    return numbered;
}
