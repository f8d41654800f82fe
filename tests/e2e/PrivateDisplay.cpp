#include "e2e/PrivateDisplay.h"

#include "e2e/StationFolder.h"

#include <QStandardPaths>

PrivateDisplay::PrivateDisplay() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty()) {
        why_ = QStringLiteral("Xvfb is not installed (Debian package xvfb)");
        return;
    }
    installed_ = true;
    // The server picks a free display number and writes it to its standard output.
    server_.setProgram(program);
    server_.setArguments({"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"});
    server_.setProcessChannelMode(QProcess::SeparateChannels);
    server_.start();
    if (!server_.waitForStarted(10000)) {
        why_ = QStringLiteral("Xvfb did not start: ") + server_.errorString();
        return;
    }
    QByteArray number;
    WaitFor([&] {
        number += server_.readAllStandardOutput();
        return number.contains('\n') || server_.state() == QProcess::NotRunning;
    }, 20000);
    bool ok = false;
    const int n = number.trimmed().toInt(&ok);
    if (!ok) {
        why_ = QStringLiteral("Xvfb gave no display number: ") + QString::fromLocal8Bit(server_.readAllStandardError());
        return;
    }
    name_ = QStringLiteral(":%1").arg(n);
}

PrivateDisplay::~PrivateDisplay() { Kill(); }

void PrivateDisplay::Kill() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.kill();
    server_.waitForFinished(10000);
}
