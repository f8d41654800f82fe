#pragma once
// The lowest and highest value of each aligned block of slots of the strip chart's rows,
// at two sizes (8 and 64 slots), kept up to date as readings are written. A chart drawn
// whole takes a block that falls in one pixel column as one piece instead of visiting its
// points, so its cost follows the plot's width more than the number of points.
//
// A block counts only when every one of its slots was written after the last time it was
// begun, and none of them holds a hole (NaN); otherwise its low is NaN. Writes go from
// slot to slot (wrapping round), so each block is summed up once, as its last slot is
// written.
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

class StripExtremes {
public:
    static constexpr int kFine = 8;
    static constexpr int kCoarse = 64;

    struct Extremes {
        double low = std::numeric_limits<double>::quiet_NaN();
        double high = std::numeric_limits<double>::quiet_NaN();
        bool Whole() const { return low == low; }
    };

    // Rows of the given number of slots (their values kept where they were); blocks that
    // come new are unusable.
    void Resize(size_t rows, size_t slots);
    // Slot was just written in every row (rows[r] is row r's first slot).
    void Written(size_t slot, const double* const* rows);
    // Row r was rewritten in place (its values converted): its usable blocks are summed up
    // again from what they hold now.
    void Rescan(size_t r, const double* row);

    // Row r's blocks of kFine and of kCoarse slots: block b covers slots b * size up to
    // (b + 1) * size - 1. A last part of the rows too short for a block has none.
    const std::vector<Extremes>& Fine(size_t r) const { return fine_[r]; }
    const std::vector<Extremes>& Coarse(size_t r) const { return coarse_[r]; }

private:
    std::vector<std::vector<Extremes>> fine_, coarse_;
};
