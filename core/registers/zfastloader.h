#ifndef ZFASTLOADER_H
#define ZFASTLOADER_H

#include <QString>

#include "zfastloaderexception.h"
#include "zregister.h"

// Fills `table` from the table "regs" of the SQLite file at `path`. All or nothing: on any
// defect the table stays empty and ZFastLoaderException tells the first defect found.
void loadRegisters(RegisterTable *table, const QString &path);

// The first register of type status; throws ZFastLoaderException when there is none.
ZRegister *findStatusRegister(RegisterTable *table);

#endif // ZFASTLOADER_H
