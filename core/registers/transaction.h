#ifndef TRANSACTION_H
#define TRANSACTION_H

#include <QByteArray>
#include <QVariant>

class ZRegister;

// What a transaction does with its register; also tells the protocol handler which answer to
// expect (the write command's for the two write kinds, the read command's otherwise).
enum TransactionKind {
    TransactionStatus = 0,       // poll of the status register
    TransactionRead = 1,         // read requested by the user interface
    TransactionWrite = 2,        // write, echo compared with the request
    TransactionConfirmWrite = 3, // write whose matching echo queues a read-back
    TransactionCheck = 4         // read-back after a confirmed write
};

// The code a register carries in ZRegister::state() after a transaction on it.
enum RegisterState {
    StateNone = 0,        // nothing yet
    StateRead = 1,        // read or polled successfully
    StateWritten = 2,     // written, echo matches
    StateFailed = 3,      // parse error, no answer or value mismatch
    StateDeviceError = 4, // the device answered with an error (shown by the register model only)
    StateEchoed = 5,      // written and echoed; the confirming read-back is still to come
    StateConfirmed = 6,   // read back and matches
    StateUnconfirmed = 7  // confirmation failed (shown by the register model only)
};

// One request on its way to the device. The register is an element of the device's register
// table, which is never resized, so the pointer stays valid as long as the device lives.
struct Transaction
{
    QByteArray frame;
    ZRegister *reg = nullptr;
    int kind = TransactionStatus;
    QVariant value;
};

#endif // TRANSACTION_H
