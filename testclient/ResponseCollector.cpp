#include "testclient/ResponseCollector.h"

#include "remote/protocol/RemoteFrame.h"

namespace ORUN_Comm {

bool ResponseCollector::Feed(QChar c) {
    if (c == u'@') {
        buffer_ = QStringLiteral("@");
        return false;
    }
    if (c == u'\r') {
        if (buffer_.isEmpty()) return false;
        // Once shown, a reply is done: what follows before the next "@" belongs to none.
        done_ = buffer_;
        buffer_.clear();
        return true;
    }
    if (buffer_.isEmpty()) return false;
    if (buffer_.size() >= kMaxLength) buffer_.clear();
    else buffer_ += c;
    return false;
}

QString DecodeResponse(const QString& reply) {
    const QString echo = reply.left(4);
    if (reply.size() >= 5 && reply[4] == QChar(RemoteFrame::kAck))
        return echo + QStringLiteral("ACK") + reply.mid(5);
    if (reply.size() >= 5 && reply[4] == QChar(RemoteFrame::kNak)) {
        const QString code = reply.mid(6, 2);
        const QString name = RemoteFrame::NakName(code);
        return echo + QStringLiteral("NAK;") + (name.isEmpty() ? code : name) + reply.mid(8);
    }
    return reply;
}

}  // namespace ORUN_Comm
