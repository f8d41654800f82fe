#include "editors/FilmPush.h"

#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "qcm/cQCM.h"
#include "unit/cORUN.h"

namespace FilmPush {
namespace {

// Runs push(channel, its output) for each channel 0..7 running the film.
template <typename Push>
void forChannels(int16_t film, Push&& push) {
    cApp& app = RunApp();
    for (int16_t ch = 0; ch <= 7; ++ch)
        if (app.ChanFilm(ch) == film) push(ch, app.ChanOutput(ch));
}

}  // namespace

void MaxPower(int16_t film) {
    bool lowered = false;
    forChannels(film, [&](int16_t, int16_t out) {
        if (out < 0) return;
        cORUN& unit = RunUnit();
        const double most = gFilm(film).Max_Power;
        unit.setMaxPower(out, most);
        // A lower limit holds at once: a power set by hand, held or reached by the loop
        // does not stay above it until the next power is set.
        if (unit.Power(out) <= most) return;
        unit.setPower(out, most);
        lowered = true;
    });
    if (lowered) RunUnit().SendPower();
}

void FullScale(int16_t film) {
    forChannels(film, [&](int16_t, int16_t out) {
        if (out >= 0) RunUnit().setFullScale(out, gFilm(film).FULL_SCALE);
    });
}

void PMTVolts(int16_t film) {
    forChannels(film, [&](int16_t ch, int16_t) { RunUnit().setPMTVolts(ch, vb::CLng(gFilm(film).Sensor_PMT)); });
}

void FilterSize(int16_t film) {
    forChannels(film, [&](int16_t ch, int16_t) {
        const int32_t size = gFilm(film).Filter;
        gChanRateFilter(ch).setSize(size);
        gChanUserFilter(ch).setSize(size);
        gChanPowerFilter(ch).setSize(size);
    });
}

void Material(int16_t film) {
    forChannels(film, [&](int16_t, int16_t) {
        const FilmRec& f = gFilm(film);
        if (InputType::IsQuartz(f.Input_Type))
            RunQCM().Material(InputType::QuartzMonitor(f.Input_Type), f.QCM_DENSITY, f.QCM_ZFACTOR, f.QCM_TOOLING);
        else if (InputType::IsEmission(f.Input_Type) && f.QCM_NUMBER >= 0)
            RunQCM().Material(vb::CLng(f.QCM_NUMBER), f.QCM_DENSITY, f.QCM_ZFACTOR, f.QCM_TOOLING);
    });
}

void All(int16_t film) {
    MaxPower(film);
    FullScale(film);
    PMTVolts(film);
    FilterSize(film);
    Material(film);
}

}  // namespace FilmPush
