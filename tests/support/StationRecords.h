#pragma once
// The station records the tests and the benchmarks start from: a step of channels that
// deposit together, and a recipe database holding every row the program reads and writes.
#include "data/ProcessRec.h"
#include "data/RecipeSchema.h"
#include "unit/cORUN.h"

#include <QStringList>
#include <vector>

// Process 1 whose step 1 deposits on the given channels together: channel c runs layer
// c + 1 with film c + 1 through output c. The layers have no cross channel and no ratio
// channel; the films are left as they are.
inline void DepositTogether(const std::vector<int16_t>& channels) {
    ProcessRec& p = gProcess(1);
    p.Number_Layers = 1;
    p.Number_Act_Layers = static_cast<int16_t>(channels.size());
    int16_t previous = 0;
    for (int16_t c : channels) {
        const int16_t L = static_cast<int16_t>(c + 1);
        LayerRec& l = gLayer(L);
        l.Layer_Number = L;
        l.Channel = c;
        l.Output = c;
        l.Film_Number = L;
        l.Next_Layer = -1;
        l.CoDep_Layer = -1;
        l.XCH1 = l.XCH2 = l.XCH3 = l.XCH4 = -1;
        l.RatioChan = -1;
        l.ChanMult = 1.0;
        l.RatioMult = 1.0;
        if (previous == 0) p.First_Layer = L;
        else gLayer(previous).CoDep_Layer = L;
        previous = L;
    }
}

// The detector calibration a sound station holds: what a calibration measures on the
// emulator's converters (20000 counts at the high bias, 39000 at the low), so that each
// channel's reading depends on its detector.
inline void SoundCalibration(cORUN& unit) {
    for (int ch = 0; ch <= 7; ++ch) {
        for (int integ = 0; integ <= 1; ++integ) {
            unit.setCalSlope(ch, integ, -0.1);
            unit.setCalIntercept(ch, integ, 4000.0);
        }
    }
}

// A recipe database file of version 4.11 with a row of every process, layer, film, unit
// channel and sensor, each row taking its columns' defaults.
inline void CreateStationDatabase(const QString& path) {
    dao::Database db = CreateRecipeDatabase(path);
    db.SetUserDefinedProperty(QStringLiteral("ORUN_VER"), QStringLiteral("4.11"));
    // One statement per table.
    const auto rows = [&](const char* table, const char* key, int first, int last) {
        QStringList values;
        for (int n = first; n <= last; ++n) values << QStringLiteral("(%1)").arg(n);
        db.Execute(QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(QLatin1String(table), QLatin1String(key)) +
                   values.join(QLatin1Char(',')));
    };
    rows("Processes", "Process_Number", 1, 25);
    rows("Layers", "Layer_Number", 1, 250);
    rows("Films", "Film_Number", 1, 25);
    rows("ORUN", "Channel", 0, 7);
    rows("Sensors", "Sensor", 0, 3);
    db.Close();
}
