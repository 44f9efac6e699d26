#ifndef ZNETWORKLINE_H
#define ZNETWORKLINE_H

#include <QCoreApplication>

#include <array>

#include "zlinkline.h"

struct gensio;
struct gensio_os_funcs;
struct sergensio;

// A receiver behind a serial device server: raw bytes over TCP, or Telnet with the COM-port
// control option, which also sets the server's line to the operator's settings. The library
// does the networking and the Telnet; this class drives it from the worker thread alone, with
// an event loop of its own that runs only while the worker waits here. Bytes arrive in pieces
// whose gaps follow the network, so an answer ends at its first whole frame.
class ZNetworkLine : public ZLinkLine
{
    Q_DECLARE_TR_FUNCTIONS(ZNetworkLine)

public:
    explicit ZNetworkLine(StopCheck stopRequested);
    ~ZNetworkLine() override;

    ZNetworkLine(const ZNetworkLine &) = delete;
    ZNetworkLine &operator=(const ZNetworkLine &) = delete;

    // `props.name` must be a network port name that parses.
    bool open(const ZSerialPortProps &props, ZSerialPortProps *applied, QString *failure) override;
    void close() override;
    bool isOpen() const override { return m_io != nullptr; }
    bool isLost() const override { return m_lostError != 0; }
    QString lossReason() const override;
    void discardInput() override;
    bool write(const QByteArray &bytes, int timeoutMs) override;
    bool readPiece(QByteArray &piece, const QElapsedTimer &timer, int readTimeout, int waitMs,
                           bool gather) override;
    bool endsAtFrame() const override { return true; }

private:
    // One line setting sent to the server and its answer.
    struct Answer
    {
        bool done = false;
        int error = 0;
        unsigned value = 0;
    };

    static int onEvent(gensio *io, void *self, int event, int err, unsigned char *buf,
                       unsigned long *buflen, const char *const *auxdata);
    static void onOpened(gensio *io, int err, void *self);
    static void onClosed(gensio *io, void *self);
    static void onSettingDone(sergensio *sio, int err, unsigned value, void *answer);

    // Runs the library's events until `done` holds or `ms` have passed (or, when `stoppable`,
    // a stop is requested); whether `done` holds.
    template <typename Done>
    bool serviceUntil(Done done, int ms, bool stoppable = true);
    // Sends the operator's line settings and reads back what the server set.
    bool applyLineSettings(const ZSerialPortProps &props, ZSerialPortProps *applied, QString *failure);
    // Closes and frees the connection, if any.
    void release();

    StopCheck m_stopRequested;
    gensio_os_funcs *m_os = nullptr;
    gensio *m_io = nullptr;
    QString m_endpoint;
    QByteArray m_in;
    bool m_openDone = false;
    int m_openError = 0;
    bool m_closeDone = false;
    bool m_writeReady = false;
    int m_lostError = 0;
    std::array<Answer, 5> m_answers{};
};

#endif // ZNETWORKLINE_H
