#pragma once
// What a piece of work that waits while events run (for the recipe database another
// program holds, for the operator's answer to a box) checked before it began: the run's
// phase, the active process and step, the stops asked for, the confirmed exit and a
// detector calibration. Events run during the wait, and any of them may have moved on
// when it ends; the work takes them again at that moment and is refused whole, with
// nothing of it done, when one no longer holds. Stops, interlocks and the exit are never
// held back for a waiting piece of work: it is the work that gives way.
#include <QString>
#include <cstdint>

class RunConditions {
public:
    // The conditions as they stand now.
    RunConditions();
    // What no longer holds, in a few words ("a stop was asked for"); empty when all still
    // holds.
    QString Changed() const;

private:
    int16_t phase_;
    int16_t process_;
    int16_t step_;
    int stops_;
    bool exiting_;
    bool calibrating_;
};

// A detector calibration is under way (from its start, its settling wait included, to its
// end): nothing starts a phase of a run meanwhile.
bool DetectorCalibrating();
