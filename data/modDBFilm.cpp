// Film records and their rows in table Films.
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/RecordColumns.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"

#include <array>
#include <cstring>

namespace modDB {

namespace {

// Read and written in this order ("IntDigits" before "DecDigits", "FULL_SCALE" after
// "Indexer2"); each column holds the field of its own name.
const std::array<RecordColumn<FilmRec>, 42> kFilmColumns{{
    {"Film_Name", &FilmRec::Film_Name},
    {"Units", &FilmRec::Units},
    {"UnitsCal", &FilmRec::UnitsCal},
    {"UnitsOffset", &FilmRec::UnitsOffset},
    {"IntDigits", &FilmRec::IntDigits},
    {"DecDigits", &FilmRec::DecDigits},
    {"Exponent", &FilmRec::Exponent},
    {"Filter", &FilmRec::Filter},
    {"PTerm", &FilmRec::PTerm},
    {"ITerm", &FilmRec::ITerm},
    {"DTerm", &FilmRec::DTerm},
    {"Shutter_Delay", &FilmRec::Shutter_Delay},
    {"Shutter_Capture", &FilmRec::Shutter_Capture},
    {"ERROR_ACTION", &FilmRec::ERROR_ACTION},
    {"CTRLERR_PERCENT", &FilmRec::CTRLERR_PERCENT},
    {"Max_Power", &FilmRec::Max_Power},
    {"SLEW_RATE", &FilmRec::SLEW_RATE},
    {"Ramp1_Power", &FilmRec::Ramp1_Power},
    {"RAMP1_TIME", &FilmRec::RAMP1_TIME},
    {"Soak1_Time", &FilmRec::Soak1_Time},
    {"Ramp2_Power", &FilmRec::Ramp2_Power},
    {"RAMP2_TIME", &FilmRec::RAMP2_TIME},
    {"Soak2_Time", &FilmRec::Soak2_Time},
    {"Feed_Power", &FilmRec::Feed_Power},
    {"FEED_RAMP", &FilmRec::FEED_RAMP},
    {"FEED_TIME", &FilmRec::FEED_TIME},
    {"Idle_Power", &FilmRec::Idle_Power},
    {"IDLE_Ramp", &FilmRec::IDLE_Ramp},
    {"Input_Type", &FilmRec::Input_Type},
    {"Sensor_PMT", &FilmRec::Sensor_PMT},
    {"Indexer1", &FilmRec::Indexer1},
    {"Indexer2", &FilmRec::Indexer2},
    {"FULL_SCALE", &FilmRec::FULL_SCALE},
    {"QCM_DENSITY", &FilmRec::QCM_DENSITY},
    {"QCM_ZFACTOR", &FilmRec::QCM_ZFACTOR},
    {"QCM_TOOLING", &FilmRec::QCM_TOOLING},
    {"QCM_NUMBER", &FilmRec::QCM_NUMBER},
    {"QCM_ACCURACY", &FilmRec::QCM_ACCURACY},
    {"QCM_INTERVAL", &FilmRec::QCM_INTERVAL},
    {"QCM_SAMPLE", &FilmRec::QCM_SAMPLE},
    {"QCM_CALFACTOR", &FilmRec::QCM_CALFACTOR},
    {"QCM_CALZERO", &FilmRec::QCM_CALZERO},
}};

RowKey RowOf(int16_t nFilm) { return {QStringLiteral("Films"), QStringLiteral("Film_Number"), nFilm}; }

QString What(int16_t nFilm) { return QStringLiteral("Film record %1").arg(nFilm); }

QString FilmQuery(int16_t nFilm) {
    return QStringLiteral("SELECT * FROM Films WHERE Film_Number =") + QString::number(nFilm);
}

// A negative measurement code is taken as the emission detector, in memory only; the
// row keeps its value until the film is saved.
void CorrectInputType(FilmRec& f) {
    if (f.Input_Type >= 0) return;
    MsgBox(vb::Trim(f.Film_Name) + QStringLiteral(" InputType = ") + QString::number(f.Input_Type) +
           QStringLiteral("\r\nResetting Input Type to ORUN"));
    f.Input_Type = 0;
}

}  // namespace

void FilmLoad(int16_t nFilm) {
    ORUN_PROC("modDB_FilmLoad");
    const TellUnreadOnce tell;
    // Filled as a copy and stored whole: a load stopped by an error leaves the film as
    // it was (after DBInit, its defaults).
    FilmRec f;
    const RowWorkResult read = RowWork(FileUse::Read, What(nFilm), [&] {
        f = gFilm(nFilm);
        // A new row is named without a blank ("Film3").
        const dao::Recordset rs = OpenRowAdding(FilmQuery(nFilm), {{QStringLiteral("Film_Number"), nFilm},
                                                                   {QStringLiteral("Film_Name"), "Film" + QString::number(nFilm)}});
        ForgetUnreadRow(RowOf(nFilm));
        for (const auto& column : kFilmColumns) {
            ReadColumn(rs, RowOf(nFilm), column, f);
            if (std::strcmp(column.name, "Input_Type") == 0) CorrectInputType(f);
        }
    });
    if (read == RowWorkResult::Whole) gFilm(nFilm) = f;
}

void FilmSave(int16_t nFilm) {
    ORUN_PROC("modDB_FilmSave");
    RowWork(FileUse::Write, What(nFilm), [&] {
        dao::Recordset rs = gDB.OpenRecordset(FilmQuery(nFilm));
        if (rs.RecordCount() == 0) return;  // only the load adds rows
        const FilmRec& f = gFilm(nFilm);
        rs.Edit();
        for (const auto& column : kFilmColumns) WriteColumn(rs, RowOf(nFilm), column, f);
        rs.Update();
    });
}

}  // namespace modDB
