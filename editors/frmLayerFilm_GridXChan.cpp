// The "X Chan." tab: the layer's cross-channel subtraction (grdXChan) and its ratio display
// (grdRatio). The channel calculations read these layer fields; only the ratio filter's
// size is pushed to the channels running the layer.
#include "editors/frmLayerFilm.h"

#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "editors/GridCycle.h"
#include "platform/TarselGrid.h"

namespace {

const QStringList kChannels = {"None", "1", "2", "3", "4", "5", "6", "7", "8"};

// A channel field shown 1-based, "None" for no channel.
std::function<std::optional<QString>()> ChannelText(std::function<double()> get) {
    return [get]() -> std::optional<QString> {
        const double ch = get();
        return ch < 0 ? QStringLiteral("None") : vb::CStr(ch + 1);
    };
}

// A multiplier: every number is stored, negative ones included; a text that is none is
// refused and the cell shows the stored multiplier as the grid shows it.
GridRow MultiplierRow(const QString& caption, const QString& hint, std::function<double()> get,
                      std::function<void(double)> set) {
    GridRow r = NumberRow(caption, {}, hint, std::move(get), std::move(set), "0.00", 0, 0, {});
    r.accepts = nullptr;
    r.reshow = [show = r.show] { return show().value_or(QString()); };
    return r;
}

}  // namespace

void frmLayerFilm::SetupGridXChan() {
    const std::function<LayerRec&()> layer = [this]() -> LayerRec& { return Layer(); };
    const QString channelHint = QStringLiteral("ORUN detector channel to be subtracted from this channel.");
    const QString ordinal[] = {"1st", "2nd", "3rd", "4th"};
    int16_t LayerRec::* const channels[] = {&LayerRec::XCH1, &LayerRec::XCH2, &LayerRec::XCH3, &LayerRec::XCH4};
    double LayerRec::* const percents[] = {&LayerRec::XCh1Percent, &LayerRec::XCh2Percent, &LayerRec::XCh3Percent,
                                           &LayerRec::XCh4Percent};
    std::vector<GridRow>& rows = cycXChan->rows;
    for (int k = 0; k < 4; ++k) {
        const auto get = FieldGet(layer, channels[k]);
        rows.push_back(ChoiceRow(ordinal[k] + " xChan #", channelHint, kChannels, -1, get,
                                 FieldSet(layer, channels[k]), ChannelText(get)));
        rows.push_back(NumberRow(ordinal[k] + " xChan %", "%",
                                 QStringLiteral("Percentage of XCH%1 readings subtracted from this channel.").arg(k + 1),
                                 FieldGet(layer, percents[k]), FieldSet(layer, percents[k]), "0.00", 0, 1000,
                                 "Valid Percent values are 0 to 1000%."));
    }
    rows.push_back(ChoiceRow("XChan Subtract", "Subtract rates, or subtract currents then calculate rate.",
                             {"Current", "Rate"}, 0, FieldGet(layer, &LayerRec::XChMode),
                             FieldSet(layer, &LayerRec::XChMode), [this]() -> std::optional<QString> {
                                 return Layer().XChMode == 0 ? QStringLiteral("Current") : QStringLiteral("Rate");
                             }));
    cycXChan->Setup("X Chan");
}

void frmLayerFilm::SetupGridRatio() {
    const std::function<LayerRec&()> layer = [this]() -> LayerRec& { return Layer(); };
    std::vector<GridRow>& rows = cycRatio->rows;
    rows.push_back(MultiplierRow("Channel Multiplier", "Multiplies main channel rate reading by this amount.",
                                 FieldGet(layer, &LayerRec::ChanMult), FieldSet(layer, &LayerRec::ChanMult)));
    const auto ratioChan = FieldGet(layer, &LayerRec::RatioChan);
    rows.push_back(ChoiceRow("Ratio Channel #", "Channel used for (denominator of) ratio calculation.", kChannels, -1,
                             ratioChan, FieldSet(layer, &LayerRec::RatioChan), ChannelText(ratioChan)));
    rows.push_back(MultiplierRow("Ratio Channel Multiplier", "Multiplies ratio channel rate reading by this amount.",
                                 FieldGet(layer, &LayerRec::RatioMult), FieldSet(layer, &LayerRec::RatioMult)));

    // A whole number of readings: a reading of 0 is refused like any number out of range,
    // an accepted one is rounded and shown rounded. Accepted or refused, the ratio filters
    // of the channels running the layer take the layer's size.
    GridRow filter = NumberRow("Ratio Filter", {}, "Number of readings averaged for ratio display.",
                               FieldGet(layer, &LayerRec::RatioFilter),
                               [this](double v) { Layer().RatioFilter = vb::CLng(v); }, {}, 1, 100,
                               "Valid Filter values are 1 to 100.");
    filter.zeroText.clear();
    filter.reshow = [this] { return vb::CStr(Layer().RatioFilter); };
    filter.commit = [this](int row) {
        if (cycRatio->CommitNumber(row)) grdRatio->setCellText(row, 0, vb::CStr(Layer().RatioFilter));
        cApp& app = RunApp();
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (app.ChanLayer(ch) == mLayer) gChanRatioFilter(ch).setSize(vb::CLng(Layer().RatioFilter));
    };
    rows.push_back(filter);
    cycRatio->Setup("Ratio Display", 70, 30, -1);
}

void frmLayerFilm::LoadGridXChan() { cycXChan->Load(); }
void frmLayerFilm::LoadGridRatio() { cycRatio->Load(); }
