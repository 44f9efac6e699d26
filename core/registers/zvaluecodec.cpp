#include "zvaluecodec.h"

#include <QTextCodec>
#include <QtEndian>

#include <cstring>
#include <limits>

namespace {

QByteArray littleEndian(quint32 v, int width)
{
    QByteArray out(width, '\0');
    for (int i = 0; i < width; ++i)
        out[i] = char((v >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

QTextCodec *ZValueCodec::textCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("Windows-1251");
    Q_ASSERT(codec);
    return codec ? codec : QTextCodec::codecForName("ISO-8859-1");
}

QVariant ZValueCodec::decode(const ZRegister &reg, const QByteArray &bytes)
{
    const uchar *p = reinterpret_cast<const uchar *>(bytes.constData());
    const int n = bytes.size();
    switch (reg.type()) {
    case TypeInt:
        switch (reg.length()) {
        case 1:
            return n >= 1 ? int(p[0]) : 0;
        case 2:
            return n >= 2 ? int(qFromLittleEndian<quint16>(p)) : 0;
        default:
            return n >= 4 ? qFromLittleEndian<quint32>(p) : 0u;
        }
    case TypeFloat: {
        float f = 0.0f;
        if (n >= 4) {
            const quint32 bits = qFromLittleEndian<quint32>(p);
            std::memcpy(&f, &bits, sizeof f);
        }
        return f;
    }
    case TypeString: {
        if (bytes.isNull())
            return QString();
        const int zero = bytes.indexOf('\0');
        return textCodec()->toUnicode(zero < 0 ? bytes : bytes.left(zero));
    }
    default:
        return bytes;
    }
}

QByteArray ZValueCodec::encode(const ZRegister &reg, const QVariant &value, bool *ok)
{
    bool good = false;
    QByteArray out;
    switch (reg.type()) {
    case TypeInt: {
        const int width = reg.length() == 1 ? 1 : reg.length() == 2 ? 2 : 4;
        if (width == 4) {
            // A 4-byte register holds values up to 4294967295 when read back, so the whole range
            // from the smallest signed to the largest unsigned 32-bit value may be written.
            const qlonglong v = value.toLongLong(&good);
            if (good && (v < std::numeric_limits<qint32>::min() || v > qlonglong(std::numeric_limits<quint32>::max())))
                good = false;
            if (good)
                out = littleEndian(quint32(v), 4);
        } else {
            // Narrow registers keep two's-complement truncation: -1 goes out as 0xFF.
            const int v = value.toInt(&good);
            if (good)
                out = littleEndian(quint32(v), width);
        }
        break;
    }
    case TypeFloat: {
        const float f = value.toFloat(&good);
        if (good) {
            quint32 bits;
            std::memcpy(&bits, &f, sizeof bits);
            out = littleEndian(bits, 4);
        }
        break;
    }
    case TypeString: {
        // The device keeps text as Windows-1251 bytes padded with zeros to the register length.
        const QString text = value.toString();
        QTextCodec *codec = textCodec();
        const int length = reg.length();
        // A length no frame can carry is a defective register, not a size to allocate.
        if (length > MaxRegisterLength)
            break;
        out = codec->fromUnicode(text);
        good = codec->canEncode(text) && (length <= 0 || out.size() <= length);
        if (good && out.size() < length)
            out.append(QByteArray(length - out.size(), '\0'));
        if (!good)
            out.clear();
        break;
    }
    default:
        out = value.toByteArray();
        good = true;
        break;
    }
    if (ok)
        *ok = good;
    return out;
}
