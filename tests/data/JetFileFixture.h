#pragma once
// A program folder with the upgrade template (DbFileTest) and the Access (Jet) recipe
// databases of tests/data/jet, each with its SQLite twin.
#include "DbFileFixture.h"
#include "app/cErrHandler.h"

#include <QFile>

class JetFileTest : public DbFileTest {
protected:
    void TearDown() override {
        dao::SetJetReader(QString(), 0);
        DbFileTest::TearDown();
    }
    // The bytes of a file of tests/data/jet.
    static QByteArray Fixture(const QString& name) {
        QFile f(QStringLiteral(ORUN_TEST_DATA_DIR "/jet/") + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The file's bytes, or the failure of reading it.
    QByteArray Bytes(const QString& name) const { return folder.read(name); }
};
