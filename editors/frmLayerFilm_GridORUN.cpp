// The emission calibration grid: the input that measures the film, the detector voltage,
// the gain and zero of the emission reading, the display units and digits, and the
// display filter. A new detector voltage goes to the unit and a new filter size to the
// channels' moving averages; a new input shows the calibration rows it uses.
#include "editors/frmLayerFilm.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "editors/FilmPush.h"
#include "editors/GridCycle.h"
#include "platform/Dialogs.h"
#include "platform/TarselGrid.h"
#include "platform/Twips.h"

namespace {

const QStringList kInputs = {"ORUN", "QCM1", "QCM2", "QCM3", "QCM4", "Vesk1", "Vesk2", "Vesk3", "Vesk4"};
const QStringList kDigits = {"0", "1", "2", "3", "4"};

QStringList Exponents() {
    QStringList items;
    for (int e = -12; e <= 12; ++e) items << QString::number(e);
    return items;
}

// A number with no range: every number is stored; a text that is none is refused and
// the cell shows the stored value as the grid shows it.
GridRow FactorRow(const QString& caption, const QString& hint, std::function<double()> get,
                  std::function<void(double)> set, const QString& format) {
    GridRow r = NumberRow(caption, {}, hint, std::move(get), std::move(set), format, 0, 0, {});
    r.accepts = nullptr;
    r.reshow = [show = r.show] { return show().value_or(QString()); };
    return r;
}

// A grid's height for the given number of rows shown, the heading included.
void FitRows(TarselGrid* g, int rows) { g->setHeight(g->RowHeight(0) * rows * TwipsPerPixelY()); }

}  // namespace

void frmLayerFilm::SetupGridORUN() {
    const std::function<FilmRec&()> film = [this]() -> FilmRec& { return Film(); };
    std::vector<GridRow>& rows = cycORUN->rows;

    // The pick is stored as it is made (grdORUN_TextChange); a stored code beyond the list
    // opens the list on its first item.
    GridRow input = ChoiceRow(
        "Input", "Input used to measure this film.", kInputs, 0,
        [this] { return Film().Input_Type > kInputs.size() - 1 ? 0.0 : double(Film().Input_Type); }, nullptr,
        [this]() -> std::optional<QString> {
            const int32_t type = Film().Input_Type;
            if (type <= 0) return QStringLiteral("ORUN");
            if (type <= 4) return QStringLiteral("QCM") + vb::CStr(type);
            if (type <= 8) return QStringLiteral("Vesk") + vb::CStr(type - 4);
            return std::nullopt;
        });
    input.commit = [](int) {};
    rows.push_back(input);

    // A new voltage on a calibrated film alters its gain: the user confirms it once per
    // showing of the grid. An unchanged voltage is no change.
    GridRow pmt = NumberRow("PMT Volts", "Volts", "Photomultiplier voltage setting.", FieldGet(film, &FilmRec::Sensor_PMT),
                            FieldSet(film, &FilmRec::Sensor_PMT), {}, 0, 1250, "Valid PMT Voltage values are 0 to 1250.");
    pmt.reshow = [this] { return vb::CStr(Film().Sensor_PMT); };
    pmt.commit = [this](int row) {
        const std::optional<double> typed = cycORUN->TypedNumber(row);
        if (!typed) return;
        const double volts = *typed;
        if (volts == 0) grdORUN->setCellText(row, 0, QStringLiteral("0.0"));
        const int16_t film = mFilm;
        FilmRec& f = gFilm(film);
        if (volts < 0 || volts > 1250) {
            cycORUN->Refuse(row, QStringLiteral("Valid PMT Voltage values are 0 to 1250."), vb::CStr(f.Sensor_PMT));
            return;
        }
        if (volts == f.Sensor_PMT) return;
        if (f.QCM_CALFACTOR != 1.0 && !mPMTConfirmed) {
            if (MsgBox(QStringLiteral("Changing the PMT voltage will alter the Calibration Gain.\r\nContinue?"),
                       vbYesNo | vbExclamation) != vbYes) {
                grdORUN->setCellText(row, 0, vb::CStr(f.Sensor_PMT));
                return;
            }
            mPMTConfirmed = true;
        }
        f.Sensor_PMT = volts;
        FilmPush::PMTVolts(film);
    };
    rows.push_back(pmt);

    rows.push_back(FactorRow("Cal. Gain", "Converts ORUN current reading to A/s.", FieldGet(film, &FilmRec::QCM_CALFACTOR),
                             FieldSet(film, &FilmRec::QCM_CALFACTOR), "0.0000"));
    rows.push_back(FactorRow("Cal. Zero", "ORUN current reading with no deposition.", FieldGet(film, &FilmRec::QCM_CALZERO),
                             FieldSet(film, &FilmRec::QCM_CALZERO), "0.0000"));
    rows.push_back(FactorRow("User Mulitplier", "Mutliplier to convert A/s to displayed units.",
                             FieldGet(film, &FilmRec::UnitsCal), FieldSet(film, &FilmRec::UnitsCal), "0.000000"));
    rows.push_back(FactorRow("User Offset", "Offset to convert A/s to displayed units.", FieldGet(film, &FilmRec::UnitsOffset),
                             FieldSet(film, &FilmRec::UnitsOffset), "0.000000"));

    // Eight characters at most; the layer grid shows the new units beside its set points.
    rows.push_back(TextRow("User Units", "Units displayed for this film.", [this] { return vb::Trim(Film().Units); },
                           [this](const QString& text) { Film().Units = text; }));
    rows.back().stored = [this] { ShowLayerUnits(); };

    const auto whole = [](std::function<double()> get) {
        return [get]() -> std::optional<QString> { return vb::CStr(get()); };
    };
    const auto intDigits = FieldGet(film, &FilmRec::IntDigits);
    rows.push_back(ChoiceRow("Integer Digits", "Digits displayed left of decimal point.", kDigits, 0, intDigits,
                             FieldSet(film, &FilmRec::IntDigits), whole(intDigits)));
    const auto decDigits = FieldGet(film, &FilmRec::DecDigits);
    rows.push_back(ChoiceRow("Decimal Digits", "Digits displayed right of decimal point.", kDigits, 0, decDigits,
                             FieldSet(film, &FilmRec::DecDigits), whole(decDigits)));
    const auto exponent = FieldGet(film, &FilmRec::Exponent);
    rows.push_back(ChoiceRow("Exponent", "Exponent of display units.", Exponents(), -12, exponent,
                             FieldSet(film, &FilmRec::Exponent), whole(exponent)));

    // A whole number of readings, shown rounded; no zero text, so a reading of 0 is refused.
    GridRow filter = NumberRow("Filter", "Rdgs.", "Number of readings averaged for display.", FieldGet(film, &FilmRec::Filter),
                               FieldSet(film, &FilmRec::Filter), {}, 1, 100, "Valid Filter values are 1 to 100.");
    filter.zeroText.clear();
    filter.reshow = [this] { return vb::CStr(Film().Filter); };
    filter.stored = [this] {
        grdORUN->setCellText(10, 0, vb::CStr(Film().Filter));
        FilmPush::FilterSize(mFilm);
    };
    rows.push_back(filter);
    cycORUN->Setup("CALIBRATION");
}

void frmLayerFilm::LoadGridORUN() {
    cycORUN->Load();
    mPMTConfirmed = false;
}

// Only a pick that the user made in the Input row's own list stores the input; the
// program's writes into the grid raise no TextChange.
void frmLayerFilm::grdORUN_TextChange(int Row, int /*Col*/) {
    ORUN_PROC("frmLayerFilm_grdORUN_TextChange");
    try {
        if (Row != 0 || cycORUN->ListRow() != 0 || grdORUN->ListIndex() < 0) return;
        Film().Input_Type = grdORUN->ListIndex();
        InitGridRows();
        if (frmLayerFilm* other = OtherEditor()) other->InitGridRows();
    } catch (...) {
        gErr.HandleError();
    }
}

// The PMT, gain and zero rows serve the emission detector only; the quartz grid serves the
// emission detector (calibration against a monitor) and a quartz monitor (its material).
void frmLayerFilm::InitGridRows() {
    ORUN_PROC("frmLayerFilm_InitGridRows");
    try {
        const int32_t type = Film().Input_Type;
        if (type < 0 || type > 8) return;
        for (int row = 1; row <= 3; ++row) type == 0 ? grdORUN->ShowRow(row) : grdORUN->HideRow(row);
        FitRows(grdORUN, type == 0 ? grdORUN->Rows() + 1 : grdORUN->Rows() - 2);
        if (type >= 5) {
            grdQCM->setVisible(false);
            return;
        }
        grdQCM->setVisible(true);
        for (int row = 0; row < grdQCM->Rows(); ++row)
            type == 0 || (row >= 1 && row <= 3) ? grdQCM->ShowRow(row) : grdQCM->HideRow(row);
        FitRows(grdQCM, type == 0 ? grdQCM->Rows() + 1 : grdQCM->Rows() - 4);
    } catch (...) {
        gErr.HandleError();
    }
}
