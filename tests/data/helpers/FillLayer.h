#pragma once
// The layer record of one round of the save loop: every stored field tells the round.
#include "data/ProcessRec.h"

inline void FillLayer(LayerRec& l, int round) {
    l.Film_Number = static_cast<int16_t>(1 + round % 25);
    l.Next_Layer = static_cast<int16_t>(round % 250);
    l.Rate = round + 0.5;
    l.Thick = round * 2.0;
    l.TimeSetPt = round;
    l.Prompt = QStringLiteral("round %1").arg(round);
    l.RatioFilter = round + 0.25;
    l.Ramp2Thick = round + 0.75;
    l.Ramp2Time = round;
}
