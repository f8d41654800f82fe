// The conditioning grid: the film's two preconditioning ramps and soaks and its idle power.
// The run phases read these fields from the film at each tick; nothing is pushed.
#include "editors/frmLayerFilm.h"

#include "app/VBConv.h"
#include "editors/GridCycle.h"

void frmLayerFilm::SetupGridPrePost() {
    const std::function<FilmRec&()> film = [this]() -> FilmRec& { return Film(); };
    // A power from 0 to the film's power limit, shown and re-shown as stored.
    const auto power = [&](const char* caption, const char* hint, double FilmRec::* member) {
        GridRow r = NumberRow(caption, "%", hint, FieldGet(film, member), FieldSet(film, member), {}, 0, 0, {});
        r.accepts = [this](double v) { return v >= 0 && v <= Film().Max_Power; };
        r.message = [this] {
            return QStringLiteral("Valid Power values are 0 to ") + vb::Format(Film().Max_Power, QStringLiteral("0.0")) +
                   QStringLiteral("%.");
        };
        r.reshow = [this, member] { return vb::CStr(Film().*member); };
        return r;
    };
    const auto time = [&](const char* caption, const char* hint, int32_t FilmRec::* member) {
        return TimeRow(caption, "h:m:s", hint, FieldGet(film, member), FieldSet(film, member));
    };
    std::vector<GridRow>& rows = cycPrePost->rows;
    rows.push_back(power("Ramp1 Power", "Power level for first preconditioning.", &FilmRec::Ramp1_Power));
    rows.push_back(time("Ramp1 Time", "Time to ramp to Ramp1 Power.", &FilmRec::RAMP1_TIME));
    rows.push_back(time("Soak1 Time", "Time to hold Ramp1 Power.", &FilmRec::Soak1_Time));
    rows.push_back(power("Ramp2 Power", "Power level for second preconditioning.", &FilmRec::Ramp2_Power));
    rows.push_back(time("Ramp2 Time", "Time to ramp to Ramp2 Power.", &FilmRec::RAMP2_TIME));
    rows.push_back(time("Soak2 Time", "Time to hold Ramp2 Power.", &FilmRec::Soak2_Time));
    rows.push_back(power("Idle Power", "Power level for idle phase.", &FilmRec::Idle_Power));
    rows.push_back(time("Idle Ramp", "Time to ramp to Idle Power.", &FilmRec::IDLE_Ramp));
    cycPrePost->Setup("CONDITION");
}

void frmLayerFilm::LoadGridPrePost() { cycPrePost->Load(); }
