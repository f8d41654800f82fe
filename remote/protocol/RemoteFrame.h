#pragma once
// What the remote-control server and the test client share of the request and reply
// frames: the acknowledgement characters, the checksum and the names of the refusal
// codes. Plain Qt Core, no state: the test client takes it without linking the station.
#include "remote/protocol/NakCode.h"

#include <QString>
#include <cstdint>

namespace RemoteFrame {

// The station's TCP port for remote requests when its configuration names none.
inline constexpr int kDefaultTcpPort = 1001;

// The character after a reply's echo: accepted or refused.
inline constexpr char16_t kAck = 0x06;
inline constexpr char16_t kNak = 0x15;

// Exclusive-or of the 8-bit character codes of the text as two upper-case hexadecimal
// digits ("00" for an empty text). A request's checksum covers it from "@" through the ";"
// before the checksum; a reply's likewise.
inline QString CalcChkSum(const QString& sText) {
    uint8_t sum = 0;
    for (const char byte : sText.toLatin1()) sum ^= static_cast<uint8_t>(byte);
    constexpr char kDigits[] = "0123456789ABCDEF";
    const char digits[] = {kDigits[sum >> 4], kDigits[sum & 0x0F]};
    return QString::fromLatin1(digits, 2);
}

// The name of a refusal code.
inline const char* NakName(NakCode code) {
    switch (code) {
    case NakCode::CMD: return "CMD";
    case NakCode::PRM: return "PRM";
    case NakCode::FMT: return "FMT";
    case NakCode::CHK: return "CHK";
    case NakCode::REQ: return "REQ";
    case NakCode::UNK: return "UNK";
    case NakCode::TMO: return "TMO";
    }
    return "";
}

// The name of a refusal code as it travels after NAK, two digits ("05" is "REQ"); empty
// for any other text.
inline QString NakName(const QString& sCode) {
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    if (sCode.size() != 2 || !digit(sCode[0]) || !digit(sCode[1])) return QString();
    const int code = (sCode[0].unicode() - u'0') * 10 + (sCode[1].unicode() - u'0');
    return QString::fromLatin1(NakName(static_cast<NakCode>(code)));
}

}  // namespace RemoteFrame
