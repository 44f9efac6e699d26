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

#include "scriptedconnection.h"
#include "testbytes.h"
#include "zdevicefactory.h"
#include "zfastprotocolhendler.h"
#include "zregister.h"
#include "ztarnvex.h"

namespace {

struct Rig
{
    QCoreApplication *app = nullptr;
    ScriptedConnection *conn = nullptr;
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
                                                     return rig->conn = new ScriptedConnection(h);
                                                 }).release();
        rig->handler = static_cast<ZFastProtocolHendler *>(rig->dev->protocol());
        rig->statusNumber = rig->dev->statusRegister()->number().toInt();
        rig->dev->setAskInterval(0);
        rig->dev->start();
        rig->conn->deliverRunning();
        // Running announced, then the first status poll goes out on the timer, after the empty
        // request that starts the worker. (This build has no Qt Test to wait with.)
        auto polled = [rig] { return !rig->conn->requests.value(rig->conn->requests.size() - 1).isEmpty(); };
        QElapsedTimer timer;
        timer.start();
        while (!polled() && timer.elapsed() < 5000)
            QCoreApplication::processEvents();
        if (!polled() || !rig->dev->isStarted())
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

    const QByteArray frame = control & 0x02 ? rest : TestBytes::response(r.statusNumber, rest);
    r.handler->setLengthCheckOff(control & 0x01);

    // The transaction on the line stays the status poll: only the poll timer replaces it, and
    // nothing here runs timers, only the queued signal is delivered. (Delivering to all
    // receivers lets Qt drop the delivered entries from its queue; a delivery to one receiver
    // leaves them in it, and each input would scan all earlier ones.)
    ZRegister *status = r.dev->statusRegister();
    status->setState(StateNone);
    r.conn->requests.clear(); // kept by nobody here, and a run is long
    r.conn->deliverReceived(frame);
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
