// Received bytes as the serial worker sees them: the frame is cut out of the stream, checked
// against registers of every value type for both kinds of answer, and decoded when valid. The
// input also serves as a frame body, which must survive framing and cutting unchanged.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QVector>

#include "testregister.h"
#include "transaction.h"
#include "zfastprotocolhendler.h"
#include "zregister.h"

namespace {

const QVector<ZRegister> &registers()
{
    static const QVector<ZRegister> regs = {
        makeRegister(1, TypeStatus, 207),
        makeRegister(2, TypeInt, 2),
        makeRegister(18, TypeInt, 4),
        makeRegister(20, TypeInt, 1),
        makeRegister(15, TypeFloat, 4),
        makeRegister(30, TypeString, 16),
        makeRegister(31, TypeData, 32),
        makeRegister(65535, TypeInt, 1),
    };
    return regs;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void parseAll(ZFastProtocolHendler &handler, const QByteArray &frame)
{
    unsigned said = 0; // the results whose text was asked for
    for (const ZRegister &reg : registers()) {
        for (int kind : {int(TransactionRead), int(TransactionWrite)}) {
            QByteArray value;
            const ParseResult result = handler.parseResponse(value, frame, reg, kind);
            // The text of each different outcome once; most registers fail the same way.
            if (!(said & (1u << unsigned(result)))) {
                check(!handler.lastError().isEmpty());
                said |= 1u << unsigned(result);
            }
            if (result != ParseOk)
                continue;
            check(handler.lengthCheckOff() || value.size() == reg.length());
            const QVariant decoded = handler.decodeValue(reg, value);
            bool ok = false;
            (void)handler.encodeValue(reg, decoded, &ok);
        }
    }
}

// A frame whose CRC fails is refused as such whatever register was asked for: one register
// and kind, picked by the frame, stands for the sixteen, so that the fuzzer's time goes to the
// frames that get past the CRC.
void parseFrame(ZFastProtocolHendler &handler, const QByteArray &frame)
{
    const QByteArray plain = ZFastProtocolHendler::unstuff(frame);
    if (plain.size() >= 4 && ZFastProtocolHendler::crc16(plain) == 0) {
        parseAll(handler, frame);
        return;
    }
    const uint pick = uint(frame.size()) + (frame.isEmpty() ? 0u : uint(quint8(frame.back())));
    const ZRegister &reg = registers().at(int(pick % uint(registers().size())));
    const int kind = pick / uint(registers().size()) % 2 ? int(TransactionWrite) : int(TransactionRead);
    QByteArray value;
    check(handler.parseResponse(value, frame, reg, kind) == ParseBadCrc);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The program's handler, and one that checks the receiver address but not the length.
    static ZFastProtocolHendler strict;
    static ZFastProtocolHendler *lax = [] {
        auto *h = new ZFastProtocolHendler;
        h->setHostAddress(char(0x01));
        h->setLengthCheckOff(true);
        return h;
    }();

    const QByteArray received(reinterpret_cast<const char *>(data), int(size));
    QByteArray frame;
    if (strict.extractFrame(frame, received)) {
        parseFrame(strict, frame);
        parseFrame(*lax, frame);
    }

    // Whatever the body, its frame is cut back out whole and unstuffs to body and CRC.
    const QByteArray body = received.left(512);
    const QByteArray stuffed = ZFastProtocolHendler::makeFrame(body);
    QByteArray cut;
    check(strict.extractFrame(cut, stuffed));
    check(cut == stuffed.left(stuffed.size() - 2));
    const QByteArray plain = ZFastProtocolHendler::unstuff(cut);
    check(plain.size() == body.size() + 4 && plain.mid(2, body.size()) == body);
    check(ZFastProtocolHendler::crc16(plain) == 0);
    QByteArray value;
    check(strict.parseResponse(value, cut, registers().first(), TransactionStatus) != ParseBadCrc);
    return 0;
}
