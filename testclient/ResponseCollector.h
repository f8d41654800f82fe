#pragma once
// The reply side of the test client: characters from any link collected into one reply
// at a time, and the reply decoded for the operator (ACK and NAK spelled out, the refusal
// code named).
#include <QString>

namespace ORUN_Comm {

class ResponseCollector {
public:
    // The longest reply kept; a longer one is dropped and the next "@" starts afresh.
    static constexpr int kMaxLength = 4096;

    // Takes one received character: "@" starts a reply, CR ends it, anything else is added
    // to the reply being collected (characters before the first "@" are ignored). True
    // when a CR ended a reply; Text() then holds it, without its CR, until the next one.
    bool Feed(QChar c);
    const QString& Text() const { return done_; }

private:
    QString buffer_;
    QString done_;
};

// The reply as the operator reads it: "@QP;" ACK ";4;48" as "@QP;ACK;4;48", "@QF;" NAK
// ";05;7C" as "@QF;NAK;REQ;7C" (a code without a name keeps its number); any other reply
// unchanged.
QString DecodeResponse(const QString& reply);

}  // namespace ORUN_Comm
