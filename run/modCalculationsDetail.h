#pragma once
// What the channel calculations share among their files.
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/RuntimeError.h"

#include <cmath>
#include <cstdint>
#include <optional>

namespace modCalculations::detail {

// A value the calculations hand on must be a number: what the original met as an
// arithmetic overflow shows here as an infinite or undefined double.
inline double Checked(double value) {
    if (!std::isfinite(value)) throw RuntimeError::Overflow();
    return value;
}

using InputType::IsAnalog;
using InputType::IsEmission;
using InputType::IsMeasured;
using InputType::IsQuartz;

// Calibration of an emission-detector value with the film's zero and factor.
inline double Calibrated(double value, const FilmRec& film) {
    return (value - film.QCM_CALZERO) * film.QCM_CALFACTOR;
}

// A value as the named procedure gives it: an error is reported through the handler and
// the result is 0.
template <typename Value>
double Reported(const char* procedure, Value value) {
    const ProcTrace trace(gErr, QLatin1String(procedure));
    try {
        return value();
    } catch (...) {
        gErr.HandleError();
    }
    return 0.0;
}

// A value that is no number (an overflow, a division by 0) gives none, with nothing
// reported; any other error goes on to the caller.
template <typename Value>
std::optional<double> Quiet(Value value) {
    try {
        return value();
    } catch (const RuntimeError& e) {
        if (e.number == RuntimeError::Overflow().number || e.number == RuntimeError::DivisionByZero().number)
            return std::nullopt;
        throw;
    }
}

}  // namespace modCalculations::detail
