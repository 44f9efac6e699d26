#ifndef SCRIPTEDCONNECTION_H
#define SCRIPTEDCONNECTION_H

#include <QByteArrayList>
#include <QVariant>

#include "zabstractconnection.h"

// A connection without a port: it records every request the device hands over and lets the test
// play the worker's part, one outcome at a time. The device listens through queued connections,
// so the test has to process events after each deliver call. Needs no Qt Test: the fuzz build
// uses it too.
class ScriptedConnection : public ZAbstractConnection
{
    Q_OBJECT
public:
    explicit ScriptedConnection(ZAbstractProtocolHendler *handler = nullptr);

    void setDetails(const QVariant &details) override { m_details = details; }
    QVariant details() const override { return m_details; }
    void send(const QByteArray &request) override
    {
        requests.append(request);
        emit requested();
    }
    void stopConnection() override { ++stopCalls; }
    void openConnection() override {}
    void closeConnection() override {}
    int type() const override { return 1; }

    void deliverRunning() { emit running(); }
    void deliverReceived(const QByteArray &frame) { emit received(frame); }
    void deliverTimeout() { emit timeout(); }
    void deliverWriteFail() { emit writeFail(); }
    void deliverError(const QString &text) { emit error(text); }
    void deliverCritical(const QString &text) { emit critical(text); }
    // QThread::finished cannot be emitted by hand; a thread that returns at once emits it.
    void deliverFinished();

    QByteArrayList requests;
    int stopCalls = 0;

signals:
    // A request was handed over (it is in `requests`), so a test can wait for the next one.
    void requested();

protected:
    void run() override {}

private:
    QVariant m_details;
};

#endif // SCRIPTEDCONNECTION_H
