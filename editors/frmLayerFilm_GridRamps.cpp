// The rate ramps grid: where each of the layer's two rate ramps starts, the rate it goes
// to and the time it takes. Stored values stay in the layer record; nothing is pushed.
#include "editors/frmLayerFilm.h"

#include "editors/GridCycle.h"

void frmLayerFilm::SetupGridRamps() {
    const std::function<LayerRec&()> layer = [this]() -> LayerRec& { return Layer(); };
    const QString thickness = QStringLiteral("Valid Thickness values are  0.0 to 999.9.");
    const QString rate = QStringLiteral("Valid Rate values are  0.0 to 999.9.");
    std::vector<GridRow>& rows = cycRamps->rows;
    rows.push_back(NumberRow("Ramp1 Start", "kA", "Layer thickness to start first rate ramp.",
                             FieldGet(layer, &LayerRec::Ramp1Thick), FieldSet(layer, &LayerRec::Ramp1Thick), "0.000",
                             0.0, 999.9, thickness));
    rows.push_back(NumberRow("Ramp1 Rate", "A/s", "The new rate setpoint for first rate ramp.",
                             FieldGet(layer, &LayerRec::Ramp1Rate), FieldSet(layer, &LayerRec::Ramp1Rate), "0.00", 0.0,
                             999.9, rate));
    rows.push_back(TimeRow("Ramp1 Time", "h:m:s", "Time to ramp to the new rate.", FieldGet(layer, &LayerRec::Ramp1Time),
                           FieldSet(layer, &LayerRec::Ramp1Time)));
    rows.push_back(NumberRow("Ramp2 Start", "kA", "Layer thickness to start second rate ramp.",
                             FieldGet(layer, &LayerRec::Ramp2Thick), FieldSet(layer, &LayerRec::Ramp2Thick), "0.000",
                             0.0, 999.9, thickness));
    rows.push_back(NumberRow("Ramp2 Rate", "A/s", "The new rate setpoint for second rate ramp.",
                             FieldGet(layer, &LayerRec::Ramp2Rate), FieldSet(layer, &LayerRec::Ramp2Rate), "0.00", 0.0,
                             999.9, rate));
    rows.push_back(TimeRow("Ramp2 Time", "h:m:s", "Time to ramp to the new rate.", FieldGet(layer, &LayerRec::Ramp2Time),
                           FieldSet(layer, &LayerRec::Ramp2Time)));
    cycRamps->Setup("RATE RAMPS");
}

void frmLayerFilm::LoadGridRamps() { cycRamps->Load(); }
