// "@QP": the process and run state.
#include "remote/cComm.h"

#include "app/VBConv.h"
#include "run/RunObjects.h"

// Of the run state only the run phase (parameter 5) is served so far; other numbers are
// refused as unknown parameters.
QString cComm::MsgQP(const QString& sMsg) {
    QString sValue = QStringLiteral("06");
    switch (ParamNumber(sMsg)) {
    case 5:
        sValue = vb::CStr(RunApp().Phase());
        break;
    default:
        return Nak(NakCode::PRM);
    }
    return Ack(sValue);
}
