#ifndef ZVALUECODEC_H
#define ZVALUECODEC_H

#include "zregister.h"

// Conversion of a register's value between QVariant and the bytes the device stores.
// Little-endian; floats are IEEE 754 single precision; text is the application's local 8-bit
// encoding (Windows-1251 once the LCD panel has installed it).
class ZValueCodec
{
public:
    static QVariant decode(const ZRegister &reg, const QByteArray &bytes);
    // `ok` (may be null) is false when the value cannot be represented in the register.
    static QByteArray encode(const ZRegister &reg, const QVariant &value, bool *ok);
};

#endif // ZVALUECODEC_H
