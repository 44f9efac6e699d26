// The value codec both ways. Input: byte 0 picks the register type and the locale's 8-bit
// encoding, byte 1 the register length (mostly 1..248, a few absurd ones), the rest is the value
// bytes. They are decoded, the value is encoded back, and the bytes also go in as text, as an
// integer and as a floating-point number.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <QByteArray>
#include <QString>
#include <QVariant>

#include "zregister.h"
#include "zvaluecodec.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Lengths a register table should never hold, but a defective one could.
const int OddLengths[] = {0, -1, -248, 249, 65536, 1 << 30, std::numeric_limits<int>::max(),
                          std::numeric_limits<int>::min()};
const int OddLengthCount = int(sizeof OddLengths / sizeof OddLengths[0]);

int pickLength(uint8_t b)
{
    if (b >= 256 - OddLengthCount)
        return OddLengths[b - (256 - OddLengthCount)];
    return 1 + b % 248;
}

// The number of bytes an integer register occupies on the wire.
int intWidth(int length)
{
    return length == 1 ? 1 : length == 2 ? 2 : 4;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;

    // Types 0..4 and two values outside the enumeration, which count as raw data.
    static const int types[] = {TypeInt, TypeFloat, TypeData, TypeString, TypeStatus, 5, -1};
    const int type = types[(data[0] & 0x0F) % 7];
    const int length = pickLength(data[1]);

    ZRegister reg;
    reg.setNumber(7);
    reg.setProperty(ZRegister::PropType, type);
    reg.setProperty(ZRegister::PropLength, length);

    const QByteArray bytes(reinterpret_cast<const char *>(data + 2), int(size - 2));
    const QVariant decoded = ZValueCodec::decode(reg, bytes);

    // Encoding what was decoded gives the same bytes back wherever the mapping is one to one.
    // A register of an impossible length need not take any value at all.
    const bool sane = length >= 1 && length <= MaxRegisterLength;
    bool ok = false;
    const QByteArray again = ZValueCodec::encode(reg, decoded, &ok);
    if (!ok)
        check(again.isEmpty());
    if (sane) {
        switch (type) {
        case TypeInt: {
            const int width = intWidth(length);
            check(ok);
            check(again == (bytes.size() >= width ? bytes.left(width) : QByteArray(width, '\0')));
            break;
        }
        case TypeFloat:
            check(ok && again.size() == 4);
            if (bytes.size() >= 4 && !std::isnan(decoded.toFloat()))
                check(again == bytes.left(4));
            break;
        case TypeString:
            // Decoded text may not fit again (undecodable bytes become replacement characters).
            if (ok && length > 0)
                check(again.size() == length);
            break;
        default:
            check(ok && again == bytes);
            break;
        }
    }

    // The same bytes as the operator's input.
    const QString text = QString::fromUtf8(bytes);
    for (const QVariant &value : {QVariant(text), QVariant(bytes), QVariant(text.toLongLong()),
                                  QVariant(text.toDouble())}) {
        const QByteArray out = ZValueCodec::encode(reg, value, &ok);
        if (!ok) {
            check(out.isEmpty());
            continue;
        }
        if (type == TypeInt)
            check(out.size() == intWidth(length));
        else if (type == TypeFloat)
            check(out.size() == 4);
        else if (type == TypeString && length > 0)
            check(out.size() == length);
    }

    if (bytes.size() >= 8) {
        double d;
        std::memcpy(&d, bytes.constData(), sizeof d);
        (void)ZValueCodec::encode(reg, QVariant(d), &ok);
    }
    return 0;
}
