// tarn-emulator: the receiver on a pseudo-terminal, for running the program without hardware.

#include "zdeviceemulator.h"
#include "zsignalwatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fprintf(stdout, "tarn-emulator: %s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void complain(const QString &line)
{
    std::fprintf(stderr, "tarn-emulator: %s\n", line.toLocal8Bit().constData());
}

bool intOption(const QCommandLineParser &parser, const QString &name, int *value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    *value = parser.value(name).toInt(&ok);
    if (!ok)
        complain(QStringLiteral("--%1 wants a number, not \"%2\"").arg(name, parser.value(name)));
    return ok;
}

QString registerSummary(const QMap<int, quint64> &counts)
{
    QStringList parts;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        parts << QStringLiteral("%1:%2").arg(it.key()).arg(it.value());
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QLatin1Char(' '));
}

} // namespace

int main(int argc, char *argv[])
{
    // A SIGINT or SIGTERM that comes before the watcher below waits for it: the emulator then
    // always ends through its event loop and removes its link.
    ZSignalWatcher::blockTerminationSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarn-emulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves the receiver's side of the fast protocol on a pseudo-terminal until SIGINT or SIGTERM."));
    parser.addHelpOption();
    const QString defaultDb = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tarn_vex.ddb"));
    parser.addOptions({
        {QStringLiteral("db"), QStringLiteral("Register database (default: %1).").arg(defaultDb), QStringLiteral("PATH"), defaultDb},
        {QStringLiteral("link"), QStringLiteral("Symbolic link to the pty slave to offer as the port."), QStringLiteral("PATH")},
        {QStringLiteral("delay"), QStringLiteral("Wait before every reply."), QStringLiteral("MS")},
        {QStringLiteral("pace"), QStringLiteral("Give every byte its wire time at 115200 baud, 8N2.")},
        {QStringLiteral("baud"), QStringLiteral("Pace the line at this rate, 8N2 (implies --pace)."), QStringLiteral("N")},
        {QStringLiteral("chunk"), QStringLiteral("Hand paced replies over in pieces of N bytes, as a USB adapter does (implies --pace)."), QStringLiteral("N")},
        {QStringLiteral("split"), QStringLiteral("Send every reply in two bursts with this gap."), QStringLiteral("MS")},
        {QStringLiteral("noise"), QStringLiteral("Bytes sent before every reply, in hexadecimal."), QStringLiteral("HEX")},
        {QStringLiteral("bad-crc"), QStringLiteral("The first N replies carry a wrong CRC (-1: all)."), QStringLiteral("N")},
        {QStringLiteral("drop"), QStringLiteral("The first N requests get no reply (-1: all)."), QStringLiteral("N")},
        {QStringLiteral("error-code"), QStringLiteral("Answer requests with an error response with this code."), QStringLiteral("C")},
        {QStringLiteral("error-count"), QStringLiteral("How many requests get the error response (default -1: all)."), QStringLiteral("N")},
        {QStringLiteral("deterministic"), QStringLiteral("No random noise on power, voltage and spectrum.")},
        {QStringLiteral("power"), QStringLiteral("Signal power (default -62)."), QStringLiteral("DBM")},
        {QStringLiteral("no-lock"), QStringLiteral("Report the receiver out of lock.")},
        {QStringLiteral("status"), QStringLiteral("Status byte: bits 0-6 alarms, bit 7 attenuator (e.g. 0x81)."), QStringLiteral("BYTE")},
        {QStringLiteral("wander"), QStringLiteral("Let power and voltage drift slowly around their values.")},
        {QStringLiteral("alarm-cycle"), QStringLiteral("Raise the general alarm and the overload alarm for S seconds, clear them for S seconds, and so on."), QStringLiteral("S")},
        {QStringLiteral("quiet"), QStringLiteral("No periodic activity lines.")},
    });
    parser.process(app);

    // From here on SIGINT and SIGTERM end the program through its event loop, so that the link
    // it is about to create is removed again whenever the signal comes.
    ZSignalWatcher signalWatcher;
    if (!signalWatcher.isActive()) {
        complain(QStringLiteral("cannot watch for SIGINT and SIGTERM"));
        return 1;
    }

    ZDeviceEmulator emulator(parser.value(QStringLiteral("db")));

    int alarmCycle = 0;
    int delay = 0, baud = 115200, chunk = 1, split = -1, badCrc = 0, drop = 0, errorCode = -1, errorCount = -1;
    if (!intOption(parser, QStringLiteral("delay"), &delay) || !intOption(parser, QStringLiteral("baud"), &baud)
            || !intOption(parser, QStringLiteral("chunk"), &chunk)
            || !intOption(parser, QStringLiteral("split"), &split) || !intOption(parser, QStringLiteral("bad-crc"), &badCrc)
            || !intOption(parser, QStringLiteral("drop"), &drop) || !intOption(parser, QStringLiteral("error-code"), &errorCode)
            || !intOption(parser, QStringLiteral("error-count"), &errorCount)
            || !intOption(parser, QStringLiteral("alarm-cycle"), &alarmCycle))
        return 1;
    if (alarmCycle < 0) {
        complain(QStringLiteral("--alarm-cycle wants a number of seconds from 1"));
        return 1;
    }
    if (parser.isSet(QStringLiteral("error-count")) && errorCode < 0) {
        complain(QStringLiteral("--error-count needs --error-code"));
        return 1;
    }
    QByteArray noise;
    if (parser.isSet(QStringLiteral("noise"))) {
        const QString hex = parser.value(QStringLiteral("noise")).remove(QLatin1Char(' '));
        noise = QByteArray::fromHex(hex.toLatin1());
        if (noise.isEmpty() || noise.size() * 2 != hex.size()) {
            complain(QStringLiteral("--noise wants hexadecimal bytes, not \"%1\"").arg(hex));
            return 1;
        }
    }

    emulator.setReplyDelay(delay);
    if (parser.isSet(QStringLiteral("pace")) || parser.isSet(QStringLiteral("baud"))
            || parser.isSet(QStringLiteral("chunk")))
        emulator.setPacing(true, baud);
    if (chunk < 1) {
        complain(QStringLiteral("--chunk wants a number of bytes from 1"));
        return 1;
    }
    emulator.setChunk(chunk);
    if (split >= 0)
        emulator.setSplitReply(true, split);
    emulator.setNoise(noise);
    emulator.setCorruptCrc(badCrc);
    emulator.setDropReplies(drop);
    if (errorCode >= 0)
        emulator.setErrorReply(errorCount, errorCode);
    emulator.setDeterministic(parser.isSet(QStringLiteral("deterministic")));
    emulator.setWander(parser.isSet(QStringLiteral("wander")));
    emulator.setLock(!parser.isSet(QStringLiteral("no-lock")));
    if (parser.isSet(QStringLiteral("power"))) {
        bool ok = false;
        const double power = parser.value(QStringLiteral("power")).toDouble(&ok);
        if (!ok) {
            complain(QStringLiteral("--power wants a number in dBm"));
            return 1;
        }
        emulator.setSignalPower(power);
    }
    quint8 statusByte = 0;
    if (parser.isSet(QStringLiteral("status"))) {
        bool ok = false;
        const uint bits = parser.value(QStringLiteral("status")).toUInt(&ok, 0);
        if (!ok || bits > 0xFF) {
            complain(QStringLiteral("--status wants a byte, e.g. 0x81"));
            return 1;
        }
        statusByte = quint8(bits);
        emulator.setStatusByte(statusByte);
    }

    if (!emulator.start(parser.value(QStringLiteral("link")))) {
        complain(QStringLiteral("cannot start: %1").arg(emulator.errorString()));
        return 1;
    }
    say(QStringLiteral("serving on %1").arg(emulator.portPath()));

    // Proof of life for whoever watches the console: one line every few seconds while the
    // program is polling.
    QTimer activity;
    quint64 lastServed = 0;
    if (!parser.isSet(QStringLiteral("quiet"))) {
        QObject::connect(&activity, &QTimer::timeout, &app, [&emulator, &lastServed] {
            const quint64 served = emulator.requestsServed();
            if (served == lastServed)
                return;
            lastServed = served;
            say(QStringLiteral("served %1 requests (%2 status polls), last frequency %3 kHz, line set to %4 baud")
                    .arg(served).arg(emulator.statusPolls()).arg(emulator.frequency())
                    .arg(emulator.lineBaudRate()));
        });
        activity.start(5000);
    }

    // An alarm that comes and goes: bit 0 (the general alarm) and bit 5 (signal overload) on top
    // of the --status bits, half of every cycle.
    QTimer alarmTimer;
    bool alarmRaised = false;
    if (alarmCycle > 0) {
        QObject::connect(&alarmTimer, &QTimer::timeout, &app, [&emulator, &alarmRaised, statusByte] {
            alarmRaised = !alarmRaised;
            emulator.setStatusByte(alarmRaised ? quint8(statusByte | 0x21) : statusByte);
        });
        alarmTimer.start(alarmCycle * 1000);
    }

    const int code = app.exec();
    alarmTimer.stop();
    activity.stop();
    const quint64 received = emulator.requestsReceived();
    const quint64 served = emulator.requestsServed();
    const quint64 polls = emulator.statusPolls();
    const QMap<int, quint64> byRegister = emulator.requestsByRegister();
    emulator.stop();
    say(QStringLiteral("received %1 requests, sent %2 replies, %3 status polls; requests by register: %4")
            .arg(received).arg(served).arg(polls).arg(registerSummary(byRegister)));
    return code;
}
