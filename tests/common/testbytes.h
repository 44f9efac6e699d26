#ifndef TESTBYTES_H
#define TESTBYTES_H

#include <QByteArray>
#include <QString>

// Bytes as they cross the serial line: little-endian values and frames of the fast protocol in
// both directions, built with the program's own frame helpers.
namespace TestBytes {

QByteArray le16(int value);
QByteArray le32(qint64 value);
QByteArray leFloat(float value);

// Host to device: sender FF, receiver 00, the command, the register number, the value.
QByteArray requestFrame(quint8 command, int reg, const QByteArray &value = QByteArray());
QByteArray readRequest(int reg);
QByteArray writeRequest(int reg, const QByteArray &value);

// Device to host, unstuffed: sender 00, receiver FF, any command, the register, the value.
QByteArray replyBody(quint8 command, int reg, const QByteArray &value = QByteArray());
// Device to host: the answer to a read (or, with `write`, to a write) carrying `value`.
QByteArray replyFrame(int reg, const QByteArray &value, bool write = false);
// What the worker cuts out of a stuffed frame and hands on: everything but the end pair.
QByteArray cut(const QByteArray &stuffed);
// The cut reply, as the device engine receives it.
QByteArray response(int reg, const QByteArray &value, bool write = false);

QString hex(const QByteArray &bytes);

} // namespace TestBytes

#endif // TESTBYTES_H
