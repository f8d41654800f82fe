// The requests built from a choice, as pure functions: what an operator's pick sends,
// including the picks whose parameter the server reads differently from the label, and
// the replies as the window shows them.
#include "remote/protocol/RemoteFrame.h"
#include "testclient/CommandBuilders.h"
#include "testclient/ResponseCollector.h"

#include <functional>
#include <gtest/gtest.h>

using namespace ORUN_Comm;

namespace {

struct BuilderCase {
    const char* pick;
    std::function<void(CommandChoice&)> choose;
    const char* request;
};

CommandChoice Pick(int tab, bool update, const std::function<void(CommandChoice&)>& choose) {
    CommandChoice c;
    c.Tab = tab;
    c.Update = update;
    choose(c);
    return c;
}

}  // namespace

TEST(CommandBuilders, EachPickSendsTheServersParameter) {
    const BuilderCase query[] = {
        {"Process Auto/ManPwr, power list 3", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 41; c.Power = 2; }, "@QP;43"},
        {"Process Auto/ManPwr, All", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 41; c.Power = 8; }, "@QP;49"},
        {"Process Phase", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 5; }, "@QP;05"},
        {"Process DataLog Type", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 38; }, "@QP;038"},
        {"Layer Rate SetPt, layer 0, channel 2", [](auto& c) { c.Tab = tabLayer; c.SelLayer = 3; c.Output = 1; }, "@QL;02;0;1"},
        {"Layer Ramp 2 Start Thickness", [](auto& c) { c.Tab = tabLayer; c.SelLayer = 2; c.Layer = 4; }, "@QL;12;4;0"},
        {"Layer Ramp 2 Ramp Time", [](auto& c) { c.Tab = tabLayer; c.SelLayer = 8; }, "@QL;22;0;0"},
        {"Layer Ramp 2 New Rate", [](auto& c) { c.Tab = tabLayer; c.SelLayer = 10; }, "@QL;32;0;0"},
        {"Layer Ramp 1 Ramp Time", [](auto& c) { c.Tab = tabLayer; c.SelLayer = 21; }, "@QL;21;0;0"},
        {"Layer xChan4 %", [](auto& c) { c.Tab = tabLayer; c.SelLayer = 74; c.Output = 7; }, "@QL;74;0;7"},
        {"Film Aux QCM #", [](auto& c) { c.Tab = tabFilmAux; c.SelFilmAux = 42; c.Layer = 3; c.Output = 5; }, "@QF;42;3;5"},
        {"Film selection on the Aux tab is not the Film tab's", [](auto& c) { c.Tab = tabFilm; c.SelFilmAux = 42; }, ""},
        {"Measure Sensor 2 Emission", [](auto& c) { c.Tab = tabMeasure; c.SelMeasure = 2; }, "@QM;53"},
        {"Measure Sensor 2 Bias Voltage", [](auto& c) { c.Tab = tabMeasure; c.SelMeasure = 2; c.SensorRdg = 5; }, "@QM;77"},
        {"Measure Channel 3 Deviation", [](auto& c) { c.Tab = tabMeasure; c.SelMeasure = 13; c.OutputRdg = 3; }, "@QM;43"},
        {"Measure Gas 1", [](auto& c) { c.Tab = tabMeasure; c.SelMeasure = 3; }, ""},
        {"Sensor Gas 1 On/Off", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 3; }, "@QS;05"},
        {"Sensor Sensor 2 SetPt", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 2; c.Sensor = 1; }, "@QS;13"},
        {"Sensor Gas 1 Max. Leakage", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 3; c.Sensor = 2; }, "@QS;22"},
        {"Sensor Gas 2 Gas Cal.", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 4; c.Sensor = 3; }, "@QS;32"},
        {"Sensor Sensor 1 Gas Cal.", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 1; c.Sensor = 3; }, ""},
        {"Sensor with a channel picked on Measure", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 11; }, ""},
        {"Utility Version", [](auto& c) { c.Tab = tabUtility; c.SelUtility = 11; }, "@QU;011"},
        {"Utility String", [](auto& c) { c.Tab = tabUtility; c.SelUtility = 16; c.FreeText = "@QV;B1"; }, "@QV;B1"},
    };
    for (const auto& k : query) EXPECT_EQ(RequestText(Pick(0, false, k.choose)), k.request) << k.pick;

    const BuilderCase update[] = {
        {"Process Zero Total, channel 1, value 0", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 61; c.UpdateValue = "0"; }, "@UP;61;0"},
        {"Process Start", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 2; c.UpdateValue = "x"; }, "@UP;02;x"},
        {"Process Power Out, All", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 51; c.Power = 8; c.UpdateValue = "50"; }, "@UP;59;50"},
        {"Process DataLog On", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 34; c.UpdateValue = "1"; }, "@UP;35"},
        {"Process DataLog Off", [](auto& c) { c.Tab = tabProcess; c.SelProcess = 34; c.UpdateValue = "1 "; }, "@UP;34"},
        {"Layer Ramp 2 New Rate", [](auto& c) { c.Tab = tabLayer; c.SelLayer = 10; c.Layer = 2; c.UpdateValue = "4.5"; }, "@UL;32;2;0;4.5"},
        {"Film Max Power", [](auto& c) { c.Tab = tabFilmAux; c.SelFilmAux = 26; c.Layer = 1; c.UpdateValue = "80"; }, "@UF;26;1;0;80"},
        {"Utility FP Disable, Exit and Graph Setup", [](auto& c) { c.Tab = tabUtility; c.SelUtility = 6; c.FrontPanel[1] = c.FrontPanel[10] = true; }, "@UU;06;1026"},
        {"Utility Program Visible", [](auto& c) { c.Tab = tabUtility; c.SelUtility = 7; c.UpdateValue = "0"; }, "@UU;07;0"},
        {"Utility String", [](auto& c) { c.Tab = tabUtility; c.SelUtility = 16; c.FreeText = "@QV;B1"; }, ""},
        {"Sensor Gas 1 on", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 3; c.UpdateValue = "1"; }, "@US;06"},
        {"Sensor Gas 1 off", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 3; c.UpdateValue = "0"; }, "@US;05"},
        {"Sensor Sensor 2 SetPt", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 2; c.Sensor = 1; c.UpdateValue = "5"; }, "@US;13;5"},
        {"Sensor Gas Cal.", [](auto& c) { c.Tab = tabSensor; c.SelMeasure = 3; c.Sensor = 3; c.UpdateValue = "5"; }, ""},
        {"Measure has no update", [](auto& c) { c.Tab = tabMeasure; c.SelMeasure = 11; }, ""},
    };
    for (const auto& k : update) EXPECT_EQ(RequestText(Pick(0, true, k.choose)), k.request) << k.pick;
}

TEST(CommandBuilders, RepliesAreShownDecodedOnceWholeAndOnlyFromTheirAt) {
    const QString ack{QChar(RemoteFrame::kAck)};
    const QString nak{QChar(RemoteFrame::kNak)};
    const struct {
        const char* what;
        QString received;
        QString shown;
    } cases[] = {
        {"query answered", "@QP;" + ack + ";4;48\r", "@QP;ACK;4;48"},
        {"update answered", "@UP;" + ack + ";1F\r", "@UP;ACK;1F"},
        {"refused, named code", "@QF;" + nak + ";05;7C\r", "@QF;NAK;REQ;7C"},
        {"refused, code without a name", "@QF;" + nak + ";09;70\r", "@QF;NAK;09;70"},
        {"noise before the @", "xx;\x06;\r@QL;" + ack + ";2.5;49\r", "@QL;ACK;2.5;49"},
        {"no @ at all", "QP;" + ack + ";4;48\r", ""},
        {"noise after a reply", "@QP;" + ack + ";4;48\rjunk\r", "@QP;ACK;4;48"},
        {"short reply", "@\r", "@"},
        {"reply cut short after NAK", "@QP;" + nak + "\r", "@QP;NAK;"},
        {"overlong reply", "@QP;" + QString(ResponseCollector::kMaxLength, u'9') + "\r", ""},
    };
    for (const auto& k : cases) {
        ResponseCollector collector;
        QString shown;
        for (const QChar c : k.received)
            if (collector.Feed(c)) shown = DecodeResponse(collector.Text());
        EXPECT_EQ(shown, k.shown) << k.what;
    }
}
