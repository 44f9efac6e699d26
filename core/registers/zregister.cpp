#include "zregister.h"

ZRegister *findRegister(RegisterTable *table, const QVariant &number)
{
    if (!table)
        return nullptr;
    for (ZRegister &reg : *table) {
        if (reg.number() == number)
            return &reg;
    }
    return nullptr;
}

const ZRegister *findRegister(const RegisterTable *table, const QVariant &number)
{
    return findRegister(const_cast<RegisterTable *>(table), number);
}

QStringList purposeList(const RegisterTable *table)
{
    QStringList list;
    if (!table)
        return list;
    for (const ZRegister &reg : *table) {
        if (!list.contains(reg.purpose()))
            list.append(reg.purpose());
    }
    return list;
}
