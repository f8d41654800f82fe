#include "support/TempProgramFolder.h"

#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"

#include <QFile>

TempProgramFolder::TempProgramFolder() {
    SetProgramFolder(dir_.path());
    SettingsStore::SetLocation(settings_.path());
}

TempProgramFolder::~TempProgramFolder() {
    SetProgramFolder(QString());
    SettingsStore::SetLocation(QString());
}

void TempProgramFolder::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray TempProgramFolder::read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
