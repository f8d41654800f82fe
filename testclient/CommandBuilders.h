#pragma once
// The requests the test client can send, built from what its window has chosen: one
// builder per tab and mode, each a pure function of the choice. A builder gives the
// request without checksum field and CR, or an empty text when the choice makes no
// request.
#include <QString>
#include <array>

namespace ORUN_Comm {

// The tabs of the window, in their order.
enum CommandTab : int {
    tabProcess = 0,
    tabMeasure = 1,
    tabLayer = 2,
    tabFilm = 3,
    tabFilmAux = 4,
    tabSensor = 5,
    tabUtility = 6,
};

// Number of front-panel lock boxes (bits 0..10 of the front-panel word).
inline constexpr int kFrontPanelBits = 11;

// Everything a request is made of. A selection is the index + 1 of the option button of
// its group that was clicked last; a list position is the selected index from 0.
struct CommandChoice {
    int Tab = tabProcess;
    bool Update = false;  // Update mode, else Query

    int SelProcess = 0;  // Process tab, query and update buttons together
    int SelMeasure = 0;  // Measure and Sensor tabs together: 1..4 the sensors, 11..18 the channels
    int SelLayer = 0;
    int SelFilm = 0;     // Film tab
    int SelFilmAux = 0;  // Film Aux tab
    int SelUtility = 0;

    int Power = 0;      // "1".."8", "All" (0..8)
    int Layer = 0;      // layer number 0..99; 0 is the layer the run is on
    int Output = 0;     // channel 0..7
    int Sensor = 0;     // "Emis. On/Off", "Emis. SetPt", "Max. Leakage", "Gas Cal."
    int SensorRdg = 0;  // "Emission", "Leakage", "Power", "Fail", "Fil. Current", "Bias Voltage"
    int OutputRdg = 0;  // "Power", "Rate ", "Thickness ", "Deviation"

    QString UpdateValue;  // the value of an update
    QString FreeText;     // the request typed for the "String" option, sent as it is
    std::array<bool, kFrontPanelBits> FrontPanel{};  // the lock boxes, by bit
};

QString QueryProcessCmd(const CommandChoice& choice);
QString UpdateProcessCmd(const CommandChoice& choice);
QString QueryMeasureCmd(const CommandChoice& choice);
QString QueryLayerCmd(const CommandChoice& choice);
QString UpdateLayerCmd(const CommandChoice& choice);
QString QueryFilmCmd(const CommandChoice& choice);
QString UpdateFilmCmd(const CommandChoice& choice);
QString QuerySensorCmd(const CommandChoice& choice);
QString UpdateSensorCmd(const CommandChoice& choice);
QString QueryUtilityCmd(const CommandChoice& choice);
QString UpdateUtilityCmd(const CommandChoice& choice);

// The request of the choice's tab and mode, as Send takes it.
QString RequestText(const CommandChoice& choice);

}  // namespace ORUN_Comm
