// The layer map of the active process: for every step and channel, the layer record
// that the channel deposits.
#include "app/cApp.h"

#include "app/VBConv.h"
#include "data/ProcessRec.h"
#include "platform/Dialogs.h"

#include <QSet>

namespace {

// One whole number per step and channel: the map is read several times per channel on
// every control tick, so finding an entry must not build a text.
int32_t MapKey(int16_t step, int16_t channel) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(step)) << 16) |
                                static_cast<uint16_t>(channel));
}

void ShowConflict(const ProcessRec& process, int16_t step, const char* what) {
    MsgBox(vb::Trim(process.Process_Name) + QStringLiteral(", Layer ") + vb::CStr(step) +
               QStringLiteral(" has multiple films using the same ") + QLatin1String(what) + QStringLiteral(".\r\n") +
               QStringLiteral("The conflicting films will not be deposited when the process runs.\r\n") +
               QStringLiteral("Use Edit Process to correct the error."),
           vbExclamation + vbOKCancel);
}

}  // namespace

// Walks the chain from First_Layer: a Next_Layer link opens a new step, a CoDep_Layer link
// adds a layer to the step. Within a step the first layer on a channel or an output wins;
// a later one is reported and left out of the map.
int16_t cApp::BuildProcess(int16_t nProcess) {
    try {
        const ProcessRec& process = gProcess(nProcess);
        if (process.Number_Layers <= 0) return 0;
        LayerMap_.clear();
        QSet<int16_t> outputs;
        int16_t step = 0;
        bool coDeposited = false;
        int16_t L = process.First_Layer;
        for (int n = 1; n <= process.Number_Act_Layers; ++n) {
            if (L <= 0) continue;
            if (!coDeposited) ++step;
            const LayerRec& layer = gLayer(L);
            if (layer.Output >= 0 && outputs.contains(layer.Output)) {
                ShowConflict(process, step, "output");
            } else {
                if (layer.Output >= 0) outputs.insert(layer.Output);
                const int32_t key = MapKey(step, layer.Channel);
                if (LayerMap_.contains(key))
                    ShowConflict(process, step, "channel");
                else
                    LayerMap_.insert(key, L);
            }
            if (layer.Next_Layer > 0) {
                L = layer.Next_Layer;
                coDeposited = false;
                outputs.clear();
            } else {
                L = layer.CoDep_Layer;
                coDeposited = true;
            }
        }
        return 0;
    } catch (const RuntimeError& e) {
        return static_cast<int16_t>(e.number);
    }
}

int16_t cApp::ProcLayerIndex(int16_t nLayer, int16_t nChannel) const {
    return LayerMap_.value(MapKey(nLayer, nChannel), 0);
}

int16_t cApp::ProcFilmIndex(int16_t nLayer, int16_t nChannel) const {
    const int16_t L = ProcLayerIndex(nLayer, nChannel);
    return L > 0 ? gLayer(L).Film_Number : 0;
}

int16_t cApp::ChanOutput(int16_t nChan) const {
    const int16_t L = ChanLayer(nChan);
    return L >= 1 ? gLayer(L).Output : -1;
}
