#pragma once
// While a remote update presses the main window's buttons on a client's behalf, the
// Ctrl-key setting and the front-panel locks are lifted, so that its presses are neither
// refused nor answered with the Ctrl-key tip; every exit of the update, refusals and
// failures included, puts both back exactly as they were.
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"

#include <cstdint>

class PanelLocksLifted {
public:
    PanelLocksLifted() : ctrlKey_(CtrlKey), systemFlags_(SystemFlags) {
        CtrlKey = false;
        SystemFlags = 0;
    }
    ~PanelLocksLifted() {
        CtrlKey = ctrlKey_;
        SystemFlags = systemFlags_;
    }
    PanelLocksLifted(const PanelLocksLifted&) = delete;
    PanelLocksLifted& operator=(const PanelLocksLifted&) = delete;

private:
    bool ctrlKey_;
    int16_t systemFlags_;
};
