#include "windows/StripExtremes.h"

#include <algorithm>
#include <cmath>

namespace {

using Extremes = StripExtremes::Extremes;

// The extremes of n values, or an unusable block when one of them is a hole.
Extremes OfValues(const double* v, int n) {
    Extremes e{v[0], v[0]};
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(v[i])) return {};
        e.low = std::min(e.low, v[i]);
        e.high = std::max(e.high, v[i]);
    }
    return e;
}

Extremes OfBlocks(const Extremes* b, int n) {
    Extremes e = b[0];
    for (int i = 0; i < n; ++i) {
        if (!b[i].Whole()) return {};
        e.low = std::min(e.low, b[i].low);
        e.high = std::max(e.high, b[i].high);
    }
    return e;
}

constexpr int kPerCoarse = StripExtremes::kCoarse / StripExtremes::kFine;

}  // namespace

// What the blocks say stays true of what the slots hold whatever happens to the rows
// around them, so rows of the same size keep their blocks (a start of layer allocates
// nothing).
void StripExtremes::Resize(size_t rows, size_t slots) {
    fine_.resize(rows);
    coarse_.resize(rows);
    for (size_t r = 0; r < rows; ++r) {
        if (fine_[r].size() != slots / kFine) fine_[r].assign(slots / kFine, Extremes{});
        if (coarse_[r].size() != slots / kCoarse) coarse_[r].assign(slots / kCoarse, Extremes{});
    }
}

void StripExtremes::Written(size_t slot, const double* const* rows) {
    const size_t f = slot / kFine, c = slot / kCoarse;
    const bool fineEnds = slot % kFine == kFine - 1, coarseEnds = slot % kCoarse == kCoarse - 1;
    for (size_t r = 0; r < fine_.size(); ++r) {
        std::vector<Extremes>& fine = fine_[r];
        std::vector<Extremes>& coarse = coarse_[r];
        // A block begun again holds old values beside new ones until its last slot.
        if (f < fine.size()) fine[f] = fineEnds ? OfValues(rows[r] + f * kFine, kFine) : Extremes{};
        if (c < coarse.size()) coarse[c] = coarseEnds ? OfBlocks(&fine[c * kPerCoarse], kPerCoarse) : Extremes{};
    }
}

void StripExtremes::Rescan(size_t r, const double* row) {
    std::vector<Extremes>& fine = fine_[r];
    for (size_t f = 0; f < fine.size(); ++f)
        if (fine[f].Whole()) fine[f] = OfValues(row + f * kFine, kFine);
    std::vector<Extremes>& coarse = coarse_[r];
    for (size_t c = 0; c < coarse.size(); ++c)
        if (coarse[c].Whole()) coarse[c] = OfBlocks(&fine[c * kPerCoarse], kPerCoarse);
}
