#include "app/PhaseCode.h"

namespace PhaseCode {

QString PhaseName(int code) {
    switch (code) {
    case 0: return QStringLiteral("STARTUP");
    case 1: return QStringLiteral("INIT RUN");
    case 4: return QStringLiteral("STOPPED");
    case 5: return QStringLiteral("RAMP 1");
    case 6: return QStringLiteral("SOAK 1");
    case 7: return QStringLiteral("RAMP 2");
    case 8: return QStringLiteral("SOAK 2");
    case 9: return QStringLiteral("SHTR DLY");
    case 10: return QStringLiteral("DEPOSIT");
    case 11: return QStringLiteral("QCM CAL.");
    case 16: return QStringLiteral("IDLE RAMP");
    case 17: return QStringLiteral("IDLE");
    case 18: return QStringLiteral("STOP LAYER");
    case 19: return QStringLiteral("START LAYER");
    case 20: return QStringLiteral("INDEX");
    case 30: return QStringLiteral("MAN POWER");
    case 31: return QStringLiteral("MAN RAMP");
    case 32: return QStringLiteral("CONSTANT");
    case 40: return QStringLiteral("HOLD POWER");
    case 98: return QStringLiteral("COMM ERROR");
    default: return QString();
    }
}

}  // namespace PhaseCode
