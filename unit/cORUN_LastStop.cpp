// The stop's commands, shared by the shutdown's exchange and the unit's last stop, and what
// the last stop is given to write when the program ends in a way it did not choose.
#include "unit/cORUN.h"

#include "app/Hooks.h"
#include "app/VBConv.h"
#include "platform/LastStop.h"
#include "platform/SPort.h"
#include "platform/Winsock.h"

QStringList cORUN::StopCommands(int32_t relayWord, bool handControl) {
    const QString zero = vb::CStr(static_cast<int>(OutputCode::ZeroVolts));
    QStringList stop;
    stop << QStringLiteral("K") + QStringList(6, zero).join(QLatin1Char(','))
         << QStringLiteral("W") + zero + QLatin1Char(',') + zero;
    if (relayWord >= 0) {
        QString n = QStringLiteral("N");
        for (int i = 0; i <= 11; ++i) n += (i > 0 ? QStringLiteral(",") : QString()) + ((relayWord >> i) & 1 ? u'1' : u'0');
        stop << n;
    }
    for (int s = 1; s <= 4; ++s) stop << QStringLiteral("S%1;0").arg(s);
    // The unit's hand control is taken back from the output it drives (or was about to):
    // a program that is gone must leave no output to it.
    if (handControl) stop << QStringLiteral("U0,") + zero;
    return stop;
}

void cORUN::KeepLastStop(bool frames) {
    if (frames) {
        // The relay word as the exit would leave it; without the phase machine (a link on
        // its own) the relays are left as they are.
        const int32_t word = Hooks::ExitRelayWord ? Hooks::ExitRelayWord(RelayReg_) : -1;
        QList<QByteArray> bytes;
        for (const QString& c : StopCommands(word, true)) bytes << OrunFrame::BuildFrame(c.toLatin1());
        LastStop::SetFrames(bytes);
    }
    int fd = -1;
    if (CommPort_ >= 1 && CommPort_ <= 9) fd = Port_->Handle();
    else if (CommPort_ == 10 && !Socket_.isNull() && Socket_->State() == Winsock::sckConnected)
        fd = static_cast<int>(Socket_->SocketHandle());
    // Given again with every command: a connection made again may have the number of the
    // one before.
    LastStop::SetLink(fd);
    LastStopFd_ = fd;
}
