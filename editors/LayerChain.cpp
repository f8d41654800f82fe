#include "editors/LayerChain.h"

#include "data/modDB.h"
#include "platform/RuntimeError.h"

namespace {

// No sound chain is longer than the layer table.
constexpr int kMaxSteps = 250;

bool Present(int16_t link) { return link >= 1; }

// A walk that went round more often than the table has records: the chain loops.
RuntimeError LoopingChain(int16_t p) {
    return {9, QStringLiteral("Subscript out of range (the layer chain of process %1 loops)").arg(p)};
}

void Free(LayerRec& r) {
    r.Film_Number = -1;
    r.Next_Layer = -1;
    r.CoDep_Layer = -1;
}

}  // namespace

LayerChain::LayerChain() : store_{modDB::LayerSave, modDB::ProcessSave} {}

void LayerChain::SaveLayer(int16_t l) const {
    if (store_.layer) store_.layer(l);
}

void LayerChain::SaveProcess(int16_t p) const {
    if (store_.process) store_.process(p);
}

std::vector<LayerChain::Entry> LayerChain::Walk(int16_t p) const { return modDB::WalkChains()[size_t(p)].records; }

std::vector<LayerRec> LayerChain::Copy(int16_t p) const {
    std::vector<LayerRec> copies;
    for (const Entry& e : Walk(p)) copies.push_back(gLayer(e.layer));
    return copies;
}

int16_t LayerChain::FindPrevLayer(int16_t p, int16_t l) const {
    const int16_t first = gProcess(p).First_Layer;
    if (first == l || first == -1) return -1;
    int16_t c = first;
    for (int step = 0; step < kMaxSteps; ++step) {
        const LayerRec& r = gLayer(c);  // a walk past the chain's end leaves 1..250: error 9
        if (r.Next_Layer == l || r.CoDep_Layer == l) return c;
        c = Present(r.Next_Layer) ? r.Next_Layer : r.CoDep_Layer;
    }
    throw LoopingChain(p);
}

int16_t LayerChain::LastOfStep(int16_t p, int16_t l) const {
    int16_t c = l;
    for (int step = 0; step < kMaxSteps; ++step) {
        const LayerRec& r = gLayer(c);
        if (r.CoDep_Layer < 0) return c;
        c = r.CoDep_Layer;
    }
    throw LoopingChain(p);
}

int16_t LayerChain::LastOfStepBefore(int16_t p, int16_t l) const {
    int16_t q = FindPrevLayer(p, l);
    for (int step = 0; step < kMaxSteps; ++step) {
        if (q == -1 || gLayer(q).CoDep_Layer < 0) return q;
        q = FindPrevLayer(p, q);
    }
    throw LoopingChain(p);
}

void LayerChain::Cut(int16_t p, int16_t l) {
    ProcessRec& process = gProcess(p);
    LayerRec& layer = gLayer(l);
    if (process.Number_Act_Layers <= 1) {
        // The last record: the process is left without a chain.
        process.First_Layer = -1;
        process.Number_Layers = 0;
    } else if (l == process.First_Layer) {
        if (Present(layer.Next_Layer)) {
            process.First_Layer = layer.Next_Layer;
            --process.Number_Layers;
        } else if (Present(layer.CoDep_Layer)) {
            process.First_Layer = layer.CoDep_Layer;  // the step remains
        }
    } else {
        const int16_t q = FindPrevLayer(p, l);
        LayerRec& prev = gLayer(q);
        const bool byNext = Present(prev.Next_Layer);
        if (Present(layer.Next_Layer)) {
            prev.Next_Layer = layer.Next_Layer;
            if (byNext)
                --process.Number_Layers;  // l was a step of its own
            else
                prev.CoDep_Layer = -1;  // prev now ends its step
        } else if (Present(layer.CoDep_Layer)) {
            // l's step goes on with the layer co-deposited with it.
            if (byNext) {
                prev.Next_Layer = layer.CoDep_Layer;
                prev.CoDep_Layer = -1;
            } else {
                prev.Next_Layer = -1;
                prev.CoDep_Layer = layer.CoDep_Layer;
            }
        } else {
            prev.Next_Layer = -1;
            prev.CoDep_Layer = -1;
            if (byNext) --process.Number_Layers;
        }
        SaveLayer(q);
    }
    --process.Number_Act_Layers;
    Free(layer);
    SaveLayer(l);
}

std::vector<LayerRec> LayerChain::Clear(int16_t p) {
    std::vector<LayerRec> copies;
    for (const Entry& e : Walk(p)) {
        LayerRec& r = gLayer(e.layer);
        copies.push_back(r);
        Free(r);
        SaveLayer(e.layer);
    }
    ProcessRec& process = gProcess(p);
    process.Process_Name = QStringLiteral("Process") + QString::number(p);
    process.First_Layer = 0;
    process.Number_Act_Layers = 0;
    process.Number_Layers = 0;
    process.Run_Number = 0;
    return copies;
}

int16_t LayerChain::AddDefault(int16_t p) {
    const int16_t l = modDB::GetFreeLayer();
    if (l >= kNoFreeLayer) return kNoFreeLayer;
    LayerRec& layer = gLayer(l);
    layer.Layer_Number = l;
    layer.CoDep_Layer = -1;
    layer.Next_Layer = -1;
    layer.Film_Number = 1;
    SaveLayer(l);
    ProcessRec& process = gProcess(p);
    process.First_Layer = l;
    process.Number_Act_Layers = 1;
    process.Number_Layers = 1;
    SaveProcess(p);
    return l;
}

int16_t LayerChain::Paste(int16_t p, int16_t l, const LayerRec& layer, int16_t mode) {
    // Where the new record goes is found before a record is taken, so a broken chain
    // leaves no record taken and unlinked.
    int16_t anchor = -1;
    switch (mode) {
    case PasteBelow: anchor = LastOfStep(p, l); break;
    case PasteAbove: anchor = LastOfStepBefore(p, l); break;
    case PasteReplace: anchor = FindPrevLayer(p, l); break;
    default: anchor = l; break;
    }
    const int16_t added = modDB::GetFreeLayer();
    if (added >= kNoFreeLayer) return kNoFreeLayer;
    ProcessRec& process = gProcess(p);
    LayerRec& fresh = gLayer(added);
    fresh = layer;
    fresh.Layer_Number = added;
    fresh.CoDep_Layer = -1;
    fresh.Next_Layer = -1;
    LayerRec& target = gLayer(l);
    switch (mode) {
    case PasteBelow: {
        LayerRec& last = gLayer(anchor);
        fresh.Next_Layer = last.Next_Layer;
        SaveLayer(added);
        last.Next_Layer = added;
        SaveLayer(anchor);
        ++process.Number_Layers;
        ++process.Number_Act_Layers;
        SaveProcess(p);
        break;
    }
    case PasteAbove:
        if (anchor != -1) {
            LayerRec& before = gLayer(anchor);
            fresh.Next_Layer = before.Next_Layer;
            SaveLayer(added);
            before.Next_Layer = added;
            SaveLayer(anchor);
        } else {
            if (process.First_Layer >= 1) fresh.Next_Layer = process.First_Layer;
            process.First_Layer = added;
            SaveLayer(added);
        }
        ++process.Number_Layers;
        ++process.Number_Act_Layers;
        SaveProcess(p);
        break;
    case PasteReplace:
        fresh.Next_Layer = target.Next_Layer;
        fresh.CoDep_Layer = target.CoDep_Layer;
        SaveLayer(added);
        if (anchor != -1) {
            LayerRec& before = gLayer(anchor);
            if (Present(before.Next_Layer)) before.Next_Layer = added;
            if (Present(before.CoDep_Layer)) before.CoDep_Layer = added;
            SaveLayer(anchor);
        } else {
            process.First_Layer = added;
        }
        Free(target);
        SaveLayer(l);
        break;
    default:  // PasteCoDep: the new record joins l's step right after l
        if (Present(target.Next_Layer)) {
            fresh.Next_Layer = target.Next_Layer;  // and now ends the step
            target.Next_Layer = -1;
        } else if (Present(target.CoDep_Layer)) {
            fresh.CoDep_Layer = target.CoDep_Layer;
        }
        SaveLayer(added);
        target.CoDep_Layer = added;
        SaveLayer(l);
        ++process.Number_Act_Layers;
        break;
    }
    return added;
}

void LayerChain::Place(int16_t p, const std::vector<LayerRec>& layers) {
    ProcessRec& process = gProcess(p);
    int16_t placed = 0, steps = 0, last = -1;
    process.First_Layer = -1;
    for (const LayerRec& copy : layers) {
        if (copy.Film_Number == -1) break;  // a free record belongs to no chain
        const int16_t added = modDB::GetFreeLayer();
        if (added >= kNoFreeLayer) break;
        if (last == -1) {
            process.First_Layer = added;
            steps = 1;
        } else {
            // The record before links to the new one as its copy linked to its successor.
            LayerRec& before = gLayer(last);
            if (before.Next_Layer > 0) {
                before.Next_Layer = added;
                before.CoDep_Layer = -1;
                ++steps;
            } else {
                before.Next_Layer = -1;
                before.CoDep_Layer = added;
            }
            SaveLayer(last);
        }
        LayerRec& fresh = gLayer(added);
        fresh = copy;
        fresh.Layer_Number = added;
        last = added;
        ++placed;
    }
    if (last != -1) {
        // The chain ends here, whatever the copy of its last record linked to.
        gLayer(last).Next_Layer = -1;
        gLayer(last).CoDep_Layer = -1;
        SaveLayer(last);
    }
    process.Number_Layers = steps;
    process.Number_Act_Layers = placed;
}
