#pragma once
// A free TCP port for the station's remote-control listener, whose setting is a 16-bit
// number: the first port from base (spread by the process id, so test programs running
// side by side start apart) up to 32767 that can be listened on now; 0 when none.
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>

inline quint16 FreeRemotePort(quint16 base) {
    for (auto port = static_cast<quint16>(base + QCoreApplication::applicationPid() % 9000); port < 32768; ++port) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port)) return port;
    }
    return 0;
}
