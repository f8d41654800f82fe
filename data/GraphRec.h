#pragma once
// The strip-chart settings of one graph window of the active process. gGraph(g) holds
// graph g + 1; table Graphs keeps one row per process.
#include "platform/BoundedArray.h"

#include <QString>
#include <cstdint>

struct GraphRec {
    QString Caption;
    int32_t Data = 0;       // the quantity drawn (GraphDataKind)
    int32_t Advanced = 0;   // non-zero: advanced chart options
    int16_t OnTop = 0;      // non-zero: window kept on top
    int16_t Channels = 0;   // bit c: channel c is drawn
    int16_t ChanAxis = 0;   // bit c: channel c is drawn against the right Y axis
    // The X axis: one set per process, stored from graph 1 and loaded into all four.
    int32_t XPoints = 0;    // data points kept
    int32_t XScroll = 0;    // list index of the scroll choice
    int32_t XWidth = 0;     // axis range in XUnits
    int32_t XUnits = 0;     // 0 seconds, 1 minutes, 2 hours
    // Axis limits are kept as the text the user typed, number or not.
    QString Y1Min;
    QString Y1Max;
    QString Y1Units;
    int32_t Y1Log = 0;      // non-zero: logarithmic
    int32_t Y1Exp = 0;      // label format: 9 scientific, 1 plain
    QString Y2Min;
    QString Y2Max;
    QString Y2Units;
    int32_t Y2Log = 0;
    int32_t Y2Exp = 0;
};

extern BoundedArray<GraphRec, 0, 3> gGraph;

// The quantity a graph draws (GraphRec::Data). Sensor draws 16 values: each channel's
// flux on the left axis and its gas signal on the right.
namespace GraphDataKind {
constexpr int32_t Rate = 0;
constexpr int32_t Dev = 1;
constexpr int32_t Power = 2;
constexpr int32_t Total = 3;
constexpr int32_t Sensor = 4;
constexpr int32_t FilteredRate = 5;
constexpr int32_t RateRatio = 6;
}  // namespace GraphDataKind
