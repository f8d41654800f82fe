// The layer map: steps numbered along the chain, co-deposited layers in one step, the
// first layer on a channel or an output kept, and the readers' answers for a channel
// without a layer.
#include "app/cApp.h"
#include "data/ProcessRec.h"
#include "support/DialogRecorder.h"

#include <gtest/gtest.h>

namespace {

void Layer(int L, int16_t channel, int16_t output, int16_t film, int16_t next, int16_t coDep) {
    LayerRec& l = gLayer(L);
    l = LayerRec{};
    l.Channel = channel;
    l.Output = output;
    l.Film_Number = film;
    l.Next_Layer = next;
    l.CoDep_Layer = coDep;
}

TEST(LayerMap, StepsFollowTheChainAndTheFirstLayerOfAChannelWins) {
    DialogRecorder boxes;
    ProcessRec& p = gProcess(4);
    p = ProcessRec{};
    p.Process_Name = QStringLiteral("Stack");
    p.First_Layer = 10;
    p.Number_Layers = 2;
    p.Number_Act_Layers = 4;
    Layer(10, 0, 0, 1, -1, 11);   // step 1: channels 0 and 2
    Layer(11, 2, -1, 2, 12, -1);
    Layer(12, 3, 1, 3, -1, 13);   // step 2: channel 3 twice
    Layer(13, 3, 2, 4, -1, -1);

    cApp app;
    EXPECT_EQ(app.BuildProcess(4), 0);
    EXPECT_EQ(app.ProcLayerIndex(1, 0), 10);
    EXPECT_EQ(app.ProcFilmIndex(1, 2), 2);
    EXPECT_EQ(app.ProcLayerIndex(2, 3), 12);
    EXPECT_EQ(app.ProcFilmIndex(2, 3), 3);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt.toStdString(),
              "Stack, Layer 2 has multiple films using the same channel.\r\n"
              "The conflicting films will not be deposited when the process runs.\r\n"
              "Use Edit Process to correct the error.");

    app.setProcLayer(1);
    EXPECT_EQ(app.ChanLayer(2), 11);
    EXPECT_EQ(app.ChanOutput(0), 0);
    EXPECT_EQ(app.ChanOutput(2), -1);  // the layer drives no output
    EXPECT_EQ(app.ChanLayer(5), 0);    // no layer on the channel
    EXPECT_EQ(app.ChanFilm(5), 0);
    EXPECT_EQ(app.ChanOutput(5), -1);
}

TEST(LayerMap, ASharedOutputLeavesTheSecondLayerOut) {
    DialogRecorder boxes;
    ProcessRec& p = gProcess(5);
    p = ProcessRec{};
    p.First_Layer = 20;
    p.Number_Layers = 1;
    p.Number_Act_Layers = 2;
    Layer(20, 1, 2, 1, -1, 21);
    Layer(21, 4, 2, 1, -1, -1);
    cApp app;
    EXPECT_EQ(app.BuildProcess(5), 0);
    EXPECT_EQ(app.ProcLayerIndex(1, 1), 20);
    EXPECT_EQ(app.ProcLayerIndex(1, 4), 0);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().prompt.contains("the same output."));

    // A link past the records ends the build with its error number.
    p.Number_Act_Layers = 3;
    gLayer(21).CoDep_Layer = 300;
    EXPECT_EQ(app.BuildProcess(5), 9);
}

}  // namespace
