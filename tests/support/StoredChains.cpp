#include "support/StoredChains.h"

#include "data/ChainWalk.h"
#include "data/ProcessRec.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <functional>
#include <set>

namespace {

// Runs read on a connection of its own to the file.
void WithFile(const QString& file, const std::function<void(QSqlDatabase&)>& read) {
    static int made = 0;
    const QString name = QStringLiteral("stored-chains-%1").arg(++made);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) read(db);
    }
    QSqlDatabase::removeDatabase(name);
}

// The file's processes and layer records in the record arrays, chain fields only.
void LoadChains(QSqlDatabase& db) {
    for (auto& p : gProcess) p = ProcessRec{};
    for (auto& l : gLayer) {
        l = LayerRec{};
        l.Film_Number = l.Next_Layer = l.CoDep_Layer = -1;
    }
    QSqlQuery q(QStringLiteral("SELECT Process_Number, First_Layer, Number_Layers, Number_Act_Layers FROM Processes"), db);
    while (q.next()) {
        if (!gProcess.inRange(q.value(0).toInt())) continue;
        ProcessRec& p = gProcess(q.value(0).toInt());
        p.First_Layer = int16_t(q.value(1).toInt());
        p.Number_Layers = int16_t(q.value(2).toInt());
        p.Number_Act_Layers = int16_t(q.value(3).toInt());
    }
    QSqlQuery l(QStringLiteral("SELECT Layer_Number, Film_Number, Next_Layer, CoDep_Layer FROM Layers"), db);
    while (l.next()) {
        if (!gLayer.inRange(l.value(0).toInt())) continue;
        LayerRec& r = gLayer(l.value(0).toInt());
        r.Film_Number = int16_t(l.value(1).toInt());
        // A free record's links are not read, as the program's load does.
        r.Next_Layer = r.Film_Number < 1 ? int16_t(-1) : int16_t(l.value(2).toInt());
        r.CoDep_Layer = r.Film_Number < 1 ? int16_t(-1) : int16_t(l.value(3).toInt());
    }
}

}  // namespace

QString StoredChain(const QString& file, int p) {
    QString text;
    WithFile(file, [&](QSqlDatabase& db) {
        const auto processes = gProcess;
        const auto layers = gLayer;
        LoadChains(db);
        const ProcessRec& process = gProcess(p);
        text = QString::number(process.First_Layer);
        for (int l = process.First_Layer, n = 0; gLayer.inRange(l) && n < 260; ++n) {
            const LayerRec& r = gLayer(l);
            l = r.Next_Layer >= 1 ? r.Next_Layer : r.CoDep_Layer;
            if (l >= 1) text += (r.Next_Layer >= 1 ? ">" : "+") + QString::number(l);
        }
        text += QStringLiteral(" %1/%2").arg(process.Number_Layers).arg(process.Number_Act_Layers);
        gProcess = processes;
        gLayer = layers;
    });
    return text;
}

QString UnsoundChains(const QString& file) {
    QStringList wrong{QStringLiteral("cannot read ") + file};
    WithFile(file, [&](QSqlDatabase& db) {
        const auto processes = gProcess;
        const auto layers = gLayer;
        LoadChains(db);
        wrong.clear();
        std::set<int16_t> held;
        const std::vector<modDB::ChainWalk> walks = modDB::WalkChains();
        for (int16_t p = 1; p <= 25; ++p) {
            if (!walks[size_t(p)].damage.isEmpty()) wrong << QStringLiteral("process %1: %2").arg(p).arg(walks[size_t(p)].damage);
            for (const modDB::ChainRecord& r : walks[size_t(p)].records) held.insert(r.layer);
        }
        for (int16_t l = 1; l <= 250; ++l)
            if (gLayer(l).Film_Number != -1 && !held.contains(l)) wrong << QStringLiteral("record %1 in no chain").arg(l);
        gProcess = processes;
        gLayer = layers;
    });
    return wrong.join(QStringLiteral("; "));
}
