// The deposit control grid: the film's control loop, shutter delay and capture, error
// action, allowed control error, power limit, slew rate and output full scale. A new power
// limit or full scale goes at once to the outputs of the channels running the film.
#include "editors/frmLayerFilm.h"

#include "app/VBConv.h"
#include "editors/FilmPush.h"
#include "editors/GridCycle.h"
#include "platform/TarselGrid.h"

namespace {

// The full scale that stands for the "1-5" output mode.
constexpr double kOneToFive = 50.0;
const QString kOneToFiveText = QStringLiteral("1-5");

}  // namespace

void frmLayerFilm::SetupGridDeposit() {
    const std::function<FilmRec&()> film = [this]() -> FilmRec& { return Film(); };
    std::vector<GridRow>& rows = cycDeposit->rows;
    rows.push_back(NumberRow("P Term", {}, "Proportional gain of control loop.", FieldGet(film, &FilmRec::PTerm),
                             FieldSet(film, &FilmRec::PTerm), {}, 0, 10000, "Valid PTerm values are 0to 10000."));
    rows.push_back(NumberRow("I Term", "1/sec.", "Integral time constant of control loop.", FieldGet(film, &FilmRec::ITerm),
                             FieldSet(film, &FilmRec::ITerm), {}, 0, 1000, "Valid iterm values are 0to 1000."));
    rows.push_back(NumberRow("D Term", "sec.", "Derivative time constant of control loop.",
                             FieldGet(film, &FilmRec::DTerm), FieldSet(film, &FilmRec::DTerm), {}, 0, 1000,
                             "Valid DTerm values are 0 to 1000."));

    // Always a time of day: a number of seconds without ":" is refused. The cell keeps
    // the typed text.
    GridRow delay = TimeRow("Shutter Delay", "h:m:s", "Time allowed to achieve capture accuracy (0 to disable).",
                            FieldGet(film, &FilmRec::Shutter_Delay), FieldSet(film, &FilmRec::Shutter_Delay));
    delay.commit = [this](int row) {
        try {
            Film().Shutter_Delay = vb::CLng(vb::TimeValue(grdDeposit->CellText(row, 0)) * 86400.0);
        } catch (...) {
            cycDeposit->Refuse(row, kTimeMessage, SecondsText(Film().Shutter_Delay));
        }
    };
    rows.push_back(delay);

    rows.push_back(NumberRow("Shutter Capture", "%", "Control accuracy to open the source shutter.",
                             FieldGet(film, &FilmRec::Shutter_Capture), FieldSet(film, &FilmRec::Shutter_Capture), {},
                             1, 100, "Valid Shutter Capture values are 1 to 100%"));
    rows.push_back(ChoiceRow("Error Action", "Action taken when channel error occurs.", {"Ignore", "Stop", "Hold"}, 0,
                             FieldGet(film, &FilmRec::ERROR_ACTION), FieldSet(film, &FilmRec::ERROR_ACTION),
                             [this]() -> std::optional<QString> {
                                 const int32_t action = Film().ERROR_ACTION;
                                 if (action <= 0) return QStringLiteral("Ignore");
                                 if (action == 1) return QStringLiteral("Stop");
                                 if (action == 2) return QStringLiteral("Hold");
                                 return std::nullopt;
                             }));
    rows.push_back(NumberRow("Control Error", "%", "Allowable deviation from loop setpoint.",
                             FieldGet(film, &FilmRec::CTRLERR_PERCENT), FieldSet(film, &FilmRec::CTRLERR_PERCENT), {}, 0,
                             100, "Valid Control Percent values are 0 to 100%"));
    rows.push_back(NumberRow("Max. Power", "%", "Maximum source power allowed for film.",
                             FieldGet(film, &FilmRec::Max_Power), FieldSet(film, &FilmRec::Max_Power), {}, 0, 100,
                             "Valid Max. Power values are 0 to 100%"));
    rows.back().stored = [this] { FilmPush::MaxPower(mFilm); };
    rows.push_back(NumberRow("Slew Rate", "%/sec.", "Maximum source slew rate in % per second.",
                             FieldGet(film, &FilmRec::SLEW_RATE), FieldSet(film, &FilmRec::SLEW_RATE), {}, 0, 100,
                             "Valid Slew rate values are 0 to 100%"));

    // Exactly "1-5" is the 1 to 5 V output mode; anything else is a number of volts, shown
    // as stored.
    GridRow fullScale = NumberRow("Full Scale", "Volts", "Output voltage at 100% source output.",
                                  FieldGet(film, &FilmRec::FULL_SCALE), FieldSet(film, &FilmRec::FULL_SCALE), {}, -10,
                                  10, "Valid Full Scale values are -10 to 10 volts.");
    const auto fullScaleText = [this] {
        return Film().FULL_SCALE == kOneToFive ? kOneToFiveText : vb::Format(Film().FULL_SCALE, QStringLiteral("0.0"));
    };
    fullScale.show = [this]() -> std::optional<QString> {
        return Film().FULL_SCALE == kOneToFive ? kOneToFiveText : vb::CStr(Film().FULL_SCALE);
    };
    fullScale.reshow = fullScaleText;
    fullScale.commit = [this](int row) {
        if (grdDeposit->CellText(row, 0) == kOneToFiveText) {
            Film().FULL_SCALE = kOneToFive;
        } else {
            if (!cycDeposit->CommitNumber(row)) return;
            grdDeposit->setCellText(row, 0, vb::CStr(Film().FULL_SCALE));
        }
        FilmPush::FullScale(mFilm);
    };
    rows.push_back(fullScale);
    cycDeposit->Setup("DEPOSIT");
}

void frmLayerFilm::LoadGridDeposit() { cycDeposit->Load(); }
