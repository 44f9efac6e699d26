#ifndef TESTREGISTER_H
#define TESTREGISTER_H

#include "zregister.h"

// A register as the loader would build it from one row, for tests that need no database.
// Header-only, so that the fuzz targets can use it without the shared test library.
inline ZRegister makeRegister(int number, int type, int length)
{
    ZRegister reg;
    reg.setNumber(number);
    reg.setProperty(ZRegister::PropType, type);
    reg.setProperty(ZRegister::PropLength, length);
    return reg;
}

#endif // TESTREGISTER_H
