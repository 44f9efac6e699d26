// The receiver's status reply through the device's own reply path: the device built by the
// factory from the register database, started on a connection without a port, is handed a
// reply to its status poll the way the serial worker hands one over, through the connection's
// queued received() signal.
//
// Input: byte 0 is a control byte, the rest the payload.
//   bit 0: the handler's length check is off, so payloads of any length reach the decoders
//   bit 1: the rest goes in as the cut frame itself rather than as the payload of a valid reply

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>

#include "zabstractconnection.h"
#include "zdevicefactory.h"
#include "zfastprotocolhendler.h"
#include "zregister.h"
#include "ztarnvex.h"

namespace {

// Plays the worker's part: takes the device's requests and does nothing with them.
class DummyConnection : public ZAbstractConnection
{
public:
    explicit DummyConnection(ZAbstractProtocolHendler *handler) : ZAbstractConnection(handler) {}

    void setDetails(const QVariant &details) override { m_details = details; }
    QVariant details() const override { return m_details; }
    void send(const QByteArray &request) override
    {
        if (!request.isEmpty())
            ++requests;
    }
    void stopConnection() override {}
    void openConnection() override {}
    void closeConnection() override {}
    int type() const override { return 1; }

    int requests = 0;

protected:
    void run() override {}

private:
    QVariant m_details;
};

struct Rig
{
    QCoreApplication *app = nullptr;
    DummyConnection *conn = nullptr;
    ZTarnVex *dev = nullptr;
    ZFastProtocolHendler *handler = nullptr;
    int statusNumber = 0;
};

[[noreturn]] void die(const char *what)
{
    std::fprintf(stderr, "fuzz_status: %s\n", what);
    std::abort();
}

// Built once: loading the database for every input would cost more than the decoding. The
// objects are never destroyed; the process ends with them.
Rig &rig()
{
    static Rig *r = [] {
        static int argc = 1;
        static char name[] = "fuzz_status";
        static char *argv[] = {name, nullptr};
        auto *rig = new Rig;
        rig->app = new QCoreApplication(argc, argv);
        rig->dev = ZDeviceFactory::createTarnVex(QStringLiteral(TARN_DB_PATH),
                                                 [rig](ZAbstractProtocolHendler *h) {
                                                     return rig->conn = new DummyConnection(h);
                                                 }).release();
        rig->handler = static_cast<ZFastProtocolHendler *>(rig->dev->protocol());
        rig->statusNumber = rig->dev->statusRegister()->number().toInt();
        rig->dev->setAskInterval(0);
        rig->dev->start();
        emit rig->conn->running();
        // Running announced, then the first status poll goes out on the timer.
        QElapsedTimer timer;
        timer.start();
        while (rig->conn->requests == 0 && timer.elapsed() < 5000)
            QCoreApplication::processEvents();
        if (rig->conn->requests == 0 || !rig->dev->isStarted())
            die("the device never polled its status");
        return rig;
    }();
    return *r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Rig &r = rig();
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), int(size - 1));

    QByteArray frame;
    if (control & 0x02) {
        frame = rest;
    } else {
        // The reply to a read: sender 00, receiver FF, read command plus one, the register.
        QByteArray body;
        body.append('\x00').append('\xFF').append(char(ZFastProtocolHendler::ReadCommand + 1));
        body.append(char(r.statusNumber & 0xFF)).append(char((r.statusNumber >> 8) & 0xFF));
        body.append(rest);
        const QByteArray stuffed = ZFastProtocolHendler::makeFrame(body);
        frame = stuffed.left(stuffed.size() - 2); // cut as the worker cuts it: no end pair
    }
    r.handler->setLengthCheckOff(control & 0x01);

    // The transaction on the line stays the status poll: only the poll timer replaces it, and
    // nothing here runs timers, only the queued signal is delivered. (Delivering to all
    // receivers lets Qt drop the delivered entries from its queue; a delivery to one receiver
    // leaves them in it, and each input would scan all earlier ones.)
    ZRegister *status = r.dev->statusRegister();
    status->setState(StateNone);
    emit r.conn->received(frame);
    QCoreApplication::sendPostedEvents();

    // Every reply is judged, and a well-formed one of the right length is taken.
    const bool wellFormed = !(control & 0x02) && ((control & 0x01) || rest.size() == status->length());
    if (wellFormed ? status->state() != StateRead
                   : status->state() != StateRead && status->state() != StateFailed)
        die("status reply not taken");
    (void)r.dev->topLine();
    (void)r.dev->bottomLine();
    (void)r.dev->averagePower();
    return 0;
}
