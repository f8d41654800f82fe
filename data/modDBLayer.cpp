// Layer records and their rows in table Layers.
#include "app/SettingsGlobals.h"
#include "app/cErrHandler.h"
#include "data/ProcessRec.h"
#include "data/RecordColumns.h"
#include "data/modDB.h"

#include <QStringList>
#include <array>

namespace modDB {

namespace {

// The columns of a used layer after "Film_Number", read and written in this order.
// The second ramp's columns are crossed: "Ramp2Thick" holds the ramp's rate and
// "Ramp2Rate" its start thickness, as the files in use are written.
const std::array<RecordColumn<LayerRec>, 29> kLayerColumns{{
    {"Next_Layer", &LayerRec::Next_Layer},
    {"CoDep_Layer", &LayerRec::CoDep_Layer},
    {"Channel", &LayerRec::Channel},
    {"Output", &LayerRec::Output},
    {"Rate", &LayerRec::Rate},
    {"Thick", &LayerRec::Thick},
    {"ThickSetPt", &LayerRec::ThickSetPt},
    {"TimeSetPt", &LayerRec::TimeSetPt},
    {"XChMode", &LayerRec::XChMode},
    {"XCH1", &LayerRec::XCH1},
    {"XCh1Percent", &LayerRec::XCh1Percent},
    {"XCH2", &LayerRec::XCH2},
    {"XCh2Percent", &LayerRec::XCh2Percent},
    {"XCH3", &LayerRec::XCH3},
    {"XCh3Percent", &LayerRec::XCh3Percent},
    {"XCH4", &LayerRec::XCH4},
    {"XCh4Percent", &LayerRec::XCh4Percent},
    {"ChanMult", &LayerRec::ChanMult},
    {"RatioChan", &LayerRec::RatioChan},
    {"RatioMult", &LayerRec::RatioMult},
    {"RatioFilter", &LayerRec::RatioFilter},
    {"StartMode", &LayerRec::StartMode},
    {"Prompt", &LayerRec::Prompt},  // no value (Null) reads as the empty text
    {"Ramp1Thick", &LayerRec::Ramp1Thick},
    {"Ramp1Rate", &LayerRec::Ramp1Rate},
    {"Ramp1Time", &LayerRec::Ramp1Time},
    {"Ramp2Thick", &LayerRec::Ramp2Rate},
    {"Ramp2Rate", &LayerRec::Ramp2Thick},
    {"Ramp2Time", &LayerRec::Ramp2Time},
}};

const RecordColumn<LayerRec> kFilmNumber{"Film_Number", &LayerRec::Film_Number};

RowKey RowOf(int16_t nLayer) { return {QStringLiteral("Layers"), QStringLiteral("Layer_Number"), nLayer}; }

QString What(int16_t nLayer) { return QStringLiteral("Layer record %1").arg(nLayer); }

QString LayerQuery(int16_t nLayer) {
    return QStringLiteral("SELECT * FROM Layers WHERE Layer_Number =") + QString::number(nLayer);
}

}  // namespace

void LayerLoad(int16_t nLayer) {
    ORUN_PROC("modDB_LayerLoad");
    const TellUnreadOnce tell;
    // Filled as a copy and stored whole: a load stopped by an error leaves the record as
    // it was (after DBInit, a free record).
    LayerRec l;
    const RowWorkResult read = RowWork(FileUse::Read, What(nLayer), [&] {
        l = gLayer(nLayer);
        const dao::Recordset rs = OpenRowAdding(LayerQuery(nLayer), {{QStringLiteral("Layer_Number"), nLayer}});
        const RowKey row = RowOf(nLayer);
        ForgetUnreadRow(row);
        ReadColumn(rs, row, kFilmNumber, l);
        // A film number that cannot be read makes the record free, yet its other columns are
        // read: the save then writes back what the file holds, not what memory held before.
        if (l.Film_Number < 1 && !IsUnread(row, QString::fromLatin1(kFilmNumber.name))) {
            // Not in use: only the links are reset; Film_Number keeps the value read.
            l.Next_Layer = -1;
            l.CoDep_Layer = -1;
        } else {
            for (const auto& column : kLayerColumns) ReadColumn(rs, row, column, l);
            l.RemoteValue1 = 1000000.0;
            l.RemoteValue2 = 0.0;
        }
    });
    if (read == RowWorkResult::Whole) gLayer(nLayer) = l;
}

void LayerSave(int16_t nLayer) {
    ORUN_PROC("modDB_LayerSave");
    RowWork(FileUse::Write, What(nLayer), [&] {
        dao::Recordset rs = gDB.OpenRecordset(LayerQuery(nLayer));
        if (rs.RecordCount() == 0) return;  // only the load adds rows
        const LayerRec& l = gLayer(nLayer);
        rs.Edit();
        // Every column is written, whether or not the record is in use.
        WriteColumn(rs, RowOf(nLayer), kFilmNumber, l);
        for (const auto& column : kLayerColumns) WriteColumn(rs, RowOf(nLayer), column, l);
        rs.Update();
    });
}

void SaveLayerAndFilm(int16_t nLayer, int16_t nFilm) {
    ORUN_PROC("modDB_SaveLayerAndFilm");
    QStringList what;
    if (nLayer >= 1) what << QStringLiteral("Layer record %1").arg(nLayer);
    if (nFilm >= 1) what << QStringLiteral("film record %1").arg(nFilm);
    if (what.isEmpty()) return;
    try {
        const OneSave once;
        WithFile(FileUse::Write, what.join(QStringLiteral(" and ")), [&] {
            if (nLayer >= 1) LayerSave(nLayer);
            if (nFilm >= 1) FilmSave(nFilm);
        });
    } catch (const FileRefused& refusal) {
        TellRefusal(refusal);
    } catch (...) {
        gErr.HandleError(NotSaved(cErrHandler::CurrentError(), DBFile));
    }
}

}  // namespace modDB
