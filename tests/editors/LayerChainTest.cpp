// The chain rules on their own: cuts, pastes, whole processes and damaged chains, with the
// database file checked to hold every layer record that an operation changed.
#include "editors/ChainFixture.h"

#include <functional>

namespace {

// Frees every record in use, in memory and in the file, so each case starts alike.
void FreeAll() {
    for (int16_t l = 1; l <= 250; ++l)
        if (gLayer(l).Film_Number != -1) {
            gLayer(l).Film_Number = gLayer(l).Next_Layer = gLayer(l).CoDep_Layer = -1;
            modDB::LayerSave(l);
        }
}

int ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number;
    }
    return 0;
}

}  // namespace

TEST_F(ChainFixture, CutRelinksTheNeighboursAndWritesEveryChangedRecord) {
    const struct {
        const char* chain;
        int16_t cut;
        const char* after;
    } cases[] = {
        {"5>9>7", 9, "5>7 2/2"},  {"5+9>7", 9, "5>7 2/2"}, {"5>9+2", 9, "5>2 2/2"},
        {"5+9+2", 9, "5+2 1/2"},  {"5>9", 9, "5 1/1"},     {"5+9", 9, "5 1/1"},
        {"5>9", 5, "9 1/1"},      {"5+9>7", 5, "9>7 2/2"}, {"5", 5, "-1 0/0"},  // the only one
    };
    LayerChain chain;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chain);
        FreeAll();
        Link(1, c.chain);
        chain.Cut(1, c.cut);
        EXPECT_EQ(Chain(1), c.after);
        EXPECT_EQ(gLayer(c.cut).Film_Number, -1);
        EXPECT_EQ(gLayer(c.cut).Next_Layer, -1);
        EXPECT_EQ(StoredLayersDiffering(), "");
    }
}

TEST_F(ChainFixture, PastePlacesACopyOfTheLayerWhereTheModeSays) {
    const struct {
        const char* chain;
        int16_t at;
        int16_t mode;
        const char* after;  // the new record is 1, the first free one
    } cases[] = {
        {"5>9+2>7", 2, PasteBelow, "5>9+2>1>7 4/5"}, {"5>9+2>7", 2, PasteAbove, "5>1>9+2>7 4/5"},
        {"5>9+2>7", 2, PasteReplace, "5>9+1>7 3/4"}, {"5>9+2>7", 2, PasteCoDep, "5>9+2+1>7 3/5"},
        {"5", 5, PasteBelow, "5>1 2/2"},             {"5>9", 9, PasteCoDep, "5>9+1 2/3"},
        {"5>9", 5, PasteReplace, "1>9 2/2"},         {"5+9>7", 9, PasteAbove, "1>5+9>7 3/4"},
    };
    LayerRec clip;
    clip.Film_Number = 3;
    clip.Rate = 7.5;
    clip.Next_Layer = 44;  // the paste links the copy itself
    clip.CoDep_Layer = 45;
    LayerChain chain;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.chain) + " mode " + std::to_string(c.mode));
        FreeAll();
        Link(2, c.chain);
        ASSERT_EQ(chain.Paste(2, c.at, clip, c.mode), 1);
        EXPECT_EQ(Chain(2), c.after);
        EXPECT_EQ(gLayer(1).Layer_Number, 1);
        EXPECT_EQ(gLayer(1).Rate, 7.5);
        EXPECT_EQ(gLayer(c.at).Film_Number, c.mode == PasteReplace ? -1 : c.at % 3 + 1);
        EXPECT_EQ(StoredLayersDiffering(), "");
        if (c.mode == PasteBelow || c.mode == PasteAbove) {
            EXPECT_EQ(StoredProcess(2), ProcessText(2));
        }
    }
}

TEST_F(ChainFixture, AProcessGoesToFreshRecordsAsFarAsFreeRecordsLast) {
    Link(2, "5>9+2>7");
    gProcess(2).Run_Number = 12;
    LayerChain chain;
    const std::vector<LayerRec> copies = chain.Clear(2);
    ASSERT_EQ(copies.size(), 4u);
    EXPECT_EQ(copies[1].CoDep_Layer, 2);
    EXPECT_EQ(ProcessText(2) + QString::number(gProcess(2).Run_Number), "Process2|0 0/00");
    EXPECT_EQ(StoredLayersDiffering(), "");
    // Only records 100 and 101 free: the chain ends at the second copy, counted as placed.
    for (auto& r : gLayer) r.Film_Number = r.Film_Number == -1 ? 1 : r.Film_Number;
    gLayer(100).Film_Number = gLayer(101).Film_Number = -1;
    chain.Place(4, copies);
    EXPECT_EQ(Chain(4), "100>101 2/2");
    EXPECT_EQ(gLayer(101).Film_Number, copies[1].Film_Number);
    const QStringList differing = StoredLayersDiffering().split(',');
    EXPECT_FALSE(differing.contains("100") || differing.contains("101"));
}

TEST_F(ChainFixture, AFullTableOrADamagedChainChangesNothingAndNeverHangs) {
    LayerChain chain;
    LayerRec clip;
    clip.Film_Number = 1;
    Link(1, "5>9");
    for (auto& r : gLayer) r.Film_Number = r.Film_Number == -1 ? 2 : r.Film_Number;
    EXPECT_EQ(chain.Paste(1, 9, clip, PasteBelow), LayerChain::kNoFreeLayer);
    EXPECT_EQ(Chain(1), "5>9 2/2");
    for (auto& r : gLayer) r.Film_Number = r.Film_Number == 2 ? -1 : r.Film_Number;

    Link(1, "5>9>7");  // looping back through Next, with more records counted than held
    gLayer(7).Next_Layer = 5;
    gProcess(1).Number_Act_Layers = 40;
    EXPECT_EQ(chain.Walk(1).size(), 3u);
    EXPECT_EQ(ErrorOf([&] { chain.FindPrevLayer(1, 12); }), 9);
    EXPECT_EQ(ErrorOf([&] { chain.Paste(1, 12, clip, PasteAbove); }), 9);
    Link(1, "5+9+7");  // looping inside one step
    gLayer(7).CoDep_Layer = 5;
    EXPECT_EQ(ErrorOf([&] { chain.Paste(1, 9, clip, PasteBelow); }), 9);
    EXPECT_EQ(gLayer(1).Film_Number, -1) << "no record taken by a paste that failed";
    gLayer(9).CoDep_Layer = 300;  // beyond the table: the walk ends before it
    EXPECT_EQ(chain.Walk(1).size(), 2u);
}
