#ifndef ZVALUECODEC_H
#define ZVALUECODEC_H

#include "zregister.h"

// Conversion of a register's value between QVariant and the bytes the device stores.
// Little-endian; floats are IEEE 754 single precision; text is the device's own 8-bit code page,
// Windows-1251, whatever the process's locale is.
class QTextCodec;

class ZValueCodec
{
public:
    // The code page of the device's texts (LCD lines, string registers). Kept apart from the
    // locale codec, which on Linux also encodes file names.
    static QTextCodec *textCodec();
    static QVariant decode(const ZRegister &reg, const QByteArray &bytes);
    // `ok` (may be null) is false when the value cannot be represented in the register.
    static QByteArray encode(const ZRegister &reg, const QVariant &value, bool *ok);
};

#endif // ZVALUECODEC_H
