#pragma once
// The value tables of the quartz card: readings per sensor or output and quantity as the
// card class hands them to its listeners, the maps it sends, and the library's blocks.
#include "platform/BoundedArray.h"
#include "platform/RuntimeError.h"

#include <array>
#include <cstdint>

// Values per row (sensor or output) and quantity, stored with the row varying fastest:
// element (row, quantity) is value number quantity * Rows + row. An index outside the
// table is "Subscript out of range".
template <int Rows, int Quantities>
class TrvTable {
public:
    static constexpr int rows = Rows;
    static constexpr int quantities = Quantities;

    double& operator()(int row, int quantity) { return values_[at(row, quantity)]; }
    const double& operator()(int row, int quantity) const { return values_[at(row, quantity)]; }
    // The values in memory order, for the library's blocks.
    double* data() { return values_.data(); }
    const double* data() const { return values_.data(); }
    void fill(double v) { values_.fill(v); }

private:
    static size_t at(int row, int quantity) {
        if (row < 0 || row >= Rows || quantity < 0 || quantity >= Quantities)
            throw RuntimeError::SubscriptOutOfRange();
        return static_cast<size_t>(quantity * Rows + row);
    }
    std::array<double, static_cast<size_t>(Rows * Quantities)> values_{};
};

// Sensor 0..23 by quantity: 0 rate (A/s, averaged), 1 thickness (A), 2 frequency (Hz),
// 3 rate deviation (%).
using TrvSensorReadings = TrvTable<24, 4>;
// Output 0..13 by quantity: 0 mean rate of its sensors, 1 mean thickness, 2 power (%),
// 3 mean rate deviation (%).
using TrvOutputReadings = TrvTable<14, 4>;
// The four analog inputs (V).
using TrvAnalogReadings = BoundedArray<double, 0, 3>;
// Sensor 0..23 by 0 density, 1 acoustic impedance ratio, 2 tooling factor.
using TrvMaterialTable = TrvTable<24, 3>;
// The five system values: maximum, minimum, initial frequency, period, simulation flag.
using TrvSystemArray = BoundedArray<double, 0, 4>;

// The output each sensor feeds, and each analog input; -1 none.
using TrvSensorMap = BoundedArray<int32_t, 0, 23>;
using TrvAnalogMap = BoundedArray<int32_t, 0, 3>;
