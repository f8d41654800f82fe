#pragma once
// What the channel calculations share among their files.
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/RuntimeError.h"
#include "run/RunObjects.h"

#include <cmath>
#include <cstdint>

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

}  // namespace modCalculations::detail
