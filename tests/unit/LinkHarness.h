#pragma once
// Drives a cORUN without a transport (port 0 writes nothing): the test plays the unit by
// feeding reply frames byte by byte, and records what the link does, in order.
#include "unit/OrunFrame.h"
#include "unit/cORUN.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

// Feeds the frame of an acknowledged reply ("A" + text) into the link.
inline void Reply(cORUN& link, const QString& text) {
    for (char c : OrunFrame::BuildFrame(QByteArray("A") + text.toLatin1()))
        link.ParseResponse(static_cast<uint8_t>(c));
}

// Feeds raw bytes into the link.
inline void Feed(cORUN& link, const QByteArray& bytes) {
    for (char c : bytes) link.ParseResponse(static_cast<uint8_t>(c));
}

// Every event of the link as one line: "cmd F", "rsp F1", "err 0,1".
struct LinkLog {
    QStringList lines;
    explicit LinkLog(cORUN& link) {
        QObject::connect(&link, &cORUN::ORUNCommand, [this](const QString& c) { lines << "cmd " + c; });
        QObject::connect(&link, &cORUN::ORUNResponse, [this](const QString& r) { lines << "rsp " + r; });
        QObject::connect(&link, &cORUN::ORUNError,
                         [this](int t, int n) { lines << QStringLiteral("err %1,%2").arg(t).arg(n); });
    }
    // The events joined by " | ", for comparisons that print readably.
    std::string text() const { return lines.join(QStringLiteral(" | ")).toStdString(); }
    std::string commandText() const { return commands().join(QStringLiteral(" | ")).toStdString(); }
    QStringList commands() const {
        QStringList out;
        for (const QString& l : lines)
            if (l.startsWith("cmd ")) out << l.mid(4);
        return out;
    }
    QStringList errors() const {
        QStringList out;
        for (const QString& l : lines)
            if (l.startsWith("err ")) out << l.mid(4);
        return out;
    }
    void clear() { lines.clear(); }
};

// Answers each command in flight with its own letter until the link is idle.
inline void AnswerAll(cORUN& link) {
    for (int guard = 0; link.CommStatus() == 1 && guard < 50; ++guard) Reply(link, link.Command().left(1));
}

// A link enabled on no transport, identified as the given firmware, its start-up traffic
// answered and forgotten (the channel request with a reply that names no channel).
inline void Identify(cORUN& link, const QString& firmware = QStringLiteral("4.11")) {
    link.CommInit(0, 0, QString());
    link.SendGetVersion();
    Reply(link, "ORUN " + firmware);
    AnswerAll(link);
}

// Lets events run until the condition holds or the time is up; true when it holds.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}
