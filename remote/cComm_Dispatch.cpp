// The request dispatcher: refusals in their fixed order, the checksum, the command table
// and the reply bodies shared by the handlers.
#include "remote/cComm.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modStrings.h"
#include "remote/protocol/RemoteFrame.h"
#include "run/PhaseCode.h"
#include "run/RunObjects.h"


namespace {
constexpr QChar kAck(RemoteFrame::kAck);
constexpr QChar kNak(RemoteFrame::kNak);
}  // namespace

// The command table. A command family plugs in with one row here and its handler's
// declaration in cComm.h. "@QR" and "@UR" are no commands of this server.
cComm::Handler cComm::FindHandler(const QString& sCommand) {
    static const struct {
        const char* name;
        Handler handler;
    } kCommands[] = {
        {"@QP", &cComm::MsgQP}, {"@UP", &cComm::MsgUP}, {"@QS", &cComm::MsgQS}, {"@US", &cComm::MsgUS},
        {"@QU", &cComm::MsgQU}, {"@UU", &cComm::MsgUU},
        {"@QL", &cComm::MsgQL}, {"@UL", &cComm::MsgUL}, {"@QF", &cComm::MsgQF}, {"@UF", &cComm::MsgUF},
        {"@QV", &cComm::MsgQV}, {"@UV", &cComm::MsgUV}, {"@QM", &cComm::MsgQM},
    };
    for (const auto& command : kCommands)
        if (sCommand == QLatin1String(command.name)) return command.handler;
    return nullptr;
}

// A failure of the dispatcher itself is reported and answered with an empty body; a
// failure inside a handler is answered with NAK 06 and not reported.
QString cComm::MsgResponse([[maybe_unused]] int16_t nSource, const QString& sMsg) {
    ORUN_PROC("cComm_MsgResponse");
    try {
        if (RunApp().Phase() == PhaseCode::Shutdown) return Nak(NakCode::TMO);
        const int length = vb::Len(sMsg);
        if (length <= 6) return Nak(NakCode::FMT);
        // "00" means the client did not compute a checksum; any other value must match
        // exactly (lower-case digits do not).
        const QString checksum = vb::Right(sMsg, 2);
        if (checksum != QLatin1String("00") && checksum != CalcChkSum(vb::Left(sMsg, length - 2)))
            return Nak(NakCode::CHK);
        const QString request = vb::Left(sMsg, length - 3);
        const Handler handler = FindHandler(vb::Left(request, 3));
        if (!handler) return Nak(NakCode::CMD);
        try {
            return (this->*handler)(request);
        } catch (...) {
            return Nak(NakCode::UNK);
        }
    } catch (...) {
        gErr.HandleError();
    }
    return QString();
}

QString cComm::CalcChkSum(const QString& sText) { return RemoteFrame::CalcChkSum(sText); }

QString cComm::Ack() { return QString(kAck); }

QString cComm::Ack(const QString& sValue) { return QString(kAck) + u';' + sValue; }

QString cComm::Nak(NakCode code) {
    return kNak + QStringLiteral(";%1").arg(static_cast<int>(code), 2, 10, QLatin1Char('0'));
}

QString cComm::Field(const QString& sMsg, int n) { return modStrings::GetSubString(sMsg, n, QStringLiteral(";")); }

int16_t cComm::ParamNumber(const QString& sMsg) { return vb::CInt(vb::Val(Field(sMsg, 2))); }
