#include "serialfixture.h"

#include <QtTest>

#include "testbytes.h"

bool SerialFixture::open(const QString &linkPath)
{
    if (!peer.open(linkPath))
        return false;
    connection.setPortName(peer.path());
    return true;
}

bool SerialFixture::exchange(const QByteArray &request, const QByteArray &reply)
{
    const int before = log.count("received");
    connection.send(request);
    const QByteArray got = peer.readRequest(3000);
    if (got != request) {
        QTest::qFail(qPrintable("peer got " + TestBytes::hex(got)), __FILE__, __LINE__);
        return false;
    }
    peer.write(reply);
    if (!log.waitFor("received", before + 1)) {
        QTest::qFail("no received", __FILE__, __LINE__);
        return false;
    }
    return true;
}
