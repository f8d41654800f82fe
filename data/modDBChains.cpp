// The walk of every process's layer chain, the damage it finds, its message at load and
// the repair that stores a damaged chain as walked.
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "data/ChainWalk.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"

#include <QFileInfo>
#include <QStringList>
#include <array>

namespace modDB {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool Linked(int16_t link) { return link >= 1; }

QString Name(int16_t p) { return vb::Trim(gProcess(p).Process_Name); }

QString Records(int n) { return n == 1 ? QStringLiteral("1 layer record") : QStringLiteral("%1 layer records").arg(n); }

QString Steps(int n) { return n == 1 ? QStringLiteral("1 step") : QStringLiteral("%1 steps").arg(n); }

const QString kRemedy =
    QStringLiteral("Open Edit Process, check the process and press OK to store its chain as the tree shows it.");

}  // namespace

std::vector<ChainWalk> WalkChains() {
    std::vector<ChainWalk> walks(size_t(gProcess.upper) + 1);
    // The process whose chain holds each record so far; 0 for none.
    std::array<int16_t, 251> owner{};
    for (int16_t p = gProcess.lower; p <= gProcess.upper; ++p) {
        const ProcessRec& process = gProcess(p);
        ChainWalk& walk = walks[size_t(p)];
        if (process.Number_Layers <= 0 && process.Number_Act_Layers <= 0) continue;  // empty
        int16_t l = process.First_Layer;
        bool coDep = false;
        while (Linked(l)) {
            if (l > gLayer.upper) {
                walk.damage = QStringLiteral("its chain names layer record %1, which does not exist").arg(l);
            } else if (gLayer(l).Film_Number == -1) {
                walk.damage = QStringLiteral("its chain names layer record %1, which is free").arg(l);
            } else if (owner[size_t(l)] == p) {
                walk.damage = QStringLiteral("its chain returns to layer record %1").arg(l);
            } else if (owner[size_t(l)] != 0) {
                walk.damage = QStringLiteral("its layer record %1 belongs to %2 as well").arg(l).arg(Name(owner[size_t(l)]));
            }
            if (!walk.damage.isEmpty()) {
                walk.badLink = true;
                break;
            }
            owner[size_t(l)] = p;
            walk.records.push_back({l, coDep});
            if (!coDep) ++walk.steps;
            const LayerRec& r = gLayer(l);
            coDep = !Linked(r.Next_Layer);
            l = coDep ? r.CoDep_Layer : r.Next_Layer;
        }
        const int held = int(walk.records.size());
        if (walk.damage.isEmpty() && (held != process.Number_Act_Layers || walk.steps != process.Number_Layers)) {
            walk.damage = QStringLiteral("it counts %1 in %2, its chain holds %3 in %4")
                              .arg(Records(process.Number_Act_Layers), Steps(process.Number_Layers), Records(held),
                                   Steps(walk.steps));
        }
    }
    return walks;
}

std::vector<int16_t> StepPartners(int16_t l) {
    for (const ChainWalk& walk : WalkChains()) {
        const std::vector<ChainRecord>& r = walk.records;
        for (size_t i = 0; i < r.size(); ++i) {
            if (r[i].layer != l) continue;
            // The step runs from the record that opened it to the last co-deposited one.
            size_t first = i;
            while (first > 0 && r[first].coDep) --first;
            std::vector<int16_t> partners;
            for (size_t k = first; k < r.size() && (k == first || r[k].coDep); ++k)
                if (r[k].layer != l) partners.push_back(r[k].layer);
            return partners;
        }
    }
    return {};
}

QString ChainDamage(int16_t p) { return gProcess.inRange(p) ? WalkChains()[size_t(p)].damage : QString(); }

QString RunRefusal(int16_t p) {
    const QString damage = ChainDamage(p);
    if (damage.isEmpty()) return QString();
    return Name(p) + QStringLiteral(" cannot run: ") + damage + '.' + kCrLf + kRemedy;
}

void ReportDamagedChains() {
    const std::vector<ChainWalk> walks = WalkChains();
    QStringList lines;
    for (int16_t p = gProcess.lower; p <= gProcess.upper; ++p)
        if (!walks[size_t(p)].damage.isEmpty()) lines << Name(p) + QStringLiteral(": ") + walks[size_t(p)].damage + '.';
    if (lines.isEmpty()) return;
    const QString file = QFileInfo(DBFile).fileName();
    MsgBox(QStringLiteral("The layer chains of these processes in %1 are damaged; they will not run:").arg(file) + kCrLf +
               lines.join(kCrLf) + kCrLf + kCrLf + kRemedy,
           vbExclamation);
}

bool RepairChain(int16_t p, const ChainWalk& walk, std::vector<int16_t>& changedLayers) {
    if (walk.damage.isEmpty()) return false;
    ProcessRec& process = gProcess(p);
    if (walk.badLink && !walk.records.empty()) {
        // The link that led off the chain is cut: the last record walked ends it.
        const int16_t last = walk.records.back().layer;
        LayerRec& r = gLayer(last);
        if (Linked(r.Next_Layer))
            r.Next_Layer = -1;
        else
            r.CoDep_Layer = -1;
        changedLayers.push_back(last);
    }
    process.First_Layer = walk.records.empty() ? int16_t(-1) : walk.records.front().layer;
    process.Number_Act_Layers = int16_t(walk.records.size());
    process.Number_Layers = walk.steps;
    return true;
}

}  // namespace modDB
