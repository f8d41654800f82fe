#pragma once
// The outside communication server through which another program on the same computer
// passes whole remote-control requests to the program and takes back its replies. No
// such server exists on this platform: Create gives no relay and the remote-control server
// works without one. Tests put an in-process relay in its place through SetFactory.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// The relay's communication object, as its application object hands it out. The server
// takes requests from it (CommandEvent) and answers through Reply; a client sends through
// Send and takes the answers from ResponseEvent.
class BrevoxComm : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The server's reply frame to the request of the last CommandEvent; the relay passes
    // it on to the program that sent the request.
    virtual void Reply(const QString& sText) = 0;
    // A client's whole request frame, ending with CR, for the program behind the relay;
    // a relay that serves only the server side takes nothing.
    virtual void Send(const QString& sText) { Q_UNUSED(sText); }

signals:
    // One whole request from a relay client, ending with CR.
    void CommandEvent(const QString& sText);
    // The reply to a request this client sent.
    void ResponseEvent(const QString& sText);
};

namespace Brevox {

using Factory = std::function<std::unique_ptr<BrevoxComm>()>;

// The communication object of a newly created relay application object; null when no
// relay is installed, which on this platform is always the case.
std::unique_ptr<BrevoxComm> Create();

// Puts a relay in place of the absent one (for tests); an empty factory restores the
// absent relay.
void SetFactory(Factory factory);

}  // namespace Brevox
