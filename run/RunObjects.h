#pragma once
// The program's state, unit and quartz objects as the run-control code reaches them: an
// object that is not made yet raises "Object variable not set" instead of a crash.
#include "app/cApp.h"
#include "platform/RuntimeError.h"
#include "qcm/cQCM.h"
#include "unit/cORUN.h"

inline cApp& RunApp() {
    if (!gApp) throw RuntimeError::ObjectNotSet();
    return *gApp;
}

inline cORUN& RunUnit() {
    if (!gORUN) throw RuntimeError::ObjectNotSet();
    return *gORUN;
}

inline cQCM& RunQCM() {
    if (!gQCM) throw RuntimeError::ObjectNotSet();
    return *gQCM;
}
