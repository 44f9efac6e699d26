#include "scriptedconnection.h"

ScriptedConnection::ScriptedConnection(ZAbstractProtocolHendler *handler)
    : ZAbstractConnection(handler)
{
}

void ScriptedConnection::deliverFinished()
{
    start();
    wait();
}
