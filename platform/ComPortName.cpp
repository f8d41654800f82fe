#include "platform/ComPortName.h"

#include <QRegularExpression>

QString ComPortDevice(const QString& name) {
    static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(name.trimmed());
    if (!m.hasMatch()) return name;
    bool ok = false;
    const int n = m.captured(1).toInt(&ok);
    if (!ok || n < 1) return name;
    const QByteArray var = "ORUN_COM" + QByteArray::number(n);
    const QString fromEnv = qEnvironmentVariable(var.constData());
    if (!fromEnv.isEmpty()) return fromEnv;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}
