#include "command/filenamebytes.h"

#include <QTextCodec>

namespace veltrane {

namespace {

// The MIB number of UTF-8 in the IANA list.
constexpr int kUtf8Mib = 106;
// Unused MIB number for the codec below (private range of the IANA list).
constexpr int kByteKeepingMib = 3000;
// A byte b that is not part of valid UTF-8 becomes the code unit kEscapeBase + b.
constexpr ushort kEscapeBase = 0xDC00;

// UTF-8 that keeps invalid bytes as escapes instead of replacing them.
class ByteKeepingUtf8 : public QTextCodec {
public:
    QByteArray name() const override { return "UTF-8-keeping-bytes"; }
    int mibEnum() const override { return kByteKeepingMib; }

protected:
    QString convertToUnicode(const char *in, int length, ConverterState *) const override
    {
        const auto *bytes = reinterpret_cast<const unsigned char *>(in);
        QString out;
        out.reserve(length);
        for (int i = 0; i < length;) {
            const int sequence = validSequenceLength(bytes + i, length - i);
            if (sequence == 0) {
                out.append(QChar(ushort(kEscapeBase + bytes[i])));
                ++i;
            } else {
                out.append(QString::fromUtf8(in + i, sequence));
                i += sequence;
            }
        }
        return out;
    }

    QByteArray convertFromUnicode(const QChar *in, int length, ConverterState *) const override
    {
        QByteArray out;
        out.reserve(length);
        int runStart = 0;
        for (int i = 0; i <= length; ++i) {
            const bool escape = i < length && in[i].unicode() >= kEscapeBase + 0x80 &&
                                in[i].unicode() <= kEscapeBase + 0xFF && !(i > 0 && in[i - 1].isHighSurrogate());
            if (i < length && !escape)
                continue;
            out += QString(in + runStart, i - runStart).toUtf8();
            if (escape)
                out.append(char(in[i].unicode() - kEscapeBase));
            runStart = i + 1;
        }
        return out;
    }

private:
    // Length of the valid UTF-8 sequence at `s` (no overlong forms, no
    // surrogates, nothing above U+10FFFF), 0 when there is none.
    static int validSequenceLength(const unsigned char *s, int available)
    {
        const unsigned char lead = s[0];
        if (lead < 0x80)
            return 1;
        int length;
        unsigned char low = 0x80, high = 0xBF;  // range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return 0;
        }
        if (available < length || s[1] < low || s[1] > high)
            return 0;
        for (int k = 2; k < length; ++k) {
            if (s[k] < 0x80 || s[k] > 0xBF)
                return 0;
        }
        return length;
    }
};

}  // namespace

void keepFileNameBytes()
{
    QTextCodec *locale = QTextCodec::codecForLocale();
    if (locale && locale->mibEnum() == kUtf8Mib)
        QTextCodec::setCodecForLocale(new ByteKeepingUtf8);  // Qt keeps every codec until exit
}

}  // namespace veltrane
