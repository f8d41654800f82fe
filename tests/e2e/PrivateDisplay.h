#pragma once
// A display of the test's own: an Xvfb server on a free display number, reachable only
// through its local socket, that the test can take away as a dying X server or an ending
// graphical session does. Needs Debian's xvfb package.
#include <QProcess>
#include <QString>

class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // The server program is on this machine; Up: it runs. why() says what went wrong.
    bool Installed() const { return installed_; }
    bool Up() const { return !name_.isEmpty(); }
    QString why() const { return why_; }
    // ":n", for DISPLAY.
    QString name() const { return name_; }
    // The server dies at once (SIGKILL), and with it every client's connection.
    void Kill();

private:
    QProcess server_;
    QString name_;
    QString why_;
    bool installed_ = false;
};
