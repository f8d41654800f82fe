// The tabs, the hint over the tab headers and the window's keys.
#include "editors/frmLayerFilm.h"

#include "app/VBConv.h"
#include "app/SettingsGlobals.h"
#include "platform/AppInfo.h"
#include "platform/HtmlHelp.h"
#include "platform/SSTab.h"
#include "run/frmMain.h"


void frmLayerFilm::tabForm_Click(int /*PreviousTab*/) { SelectTab(); }

// Only the current tab's frame is enabled, and its first control in the focus order takes
// the focus.
void frmLayerFilm::SelectTab() {
    const int current = tabForm->Tab();
    for (int k = 0; k < tabForm->Tabs(); ++k) fraTab[k]->setEnabled(k == current);
    if (current < 0) return;
    QWidget* frame = fraTab[current];
    for (QWidget* w = frame->nextInFocusChain(); w && w != frame; w = w->nextInFocusChain()) {
        if (!frame->isAncestorOf(w)) continue;
        if (w->focusProxy() || !(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(this)) continue;
        w->setFocus(Qt::OtherFocusReason);
        return;
    }
}

// X is the pointer's position over the strip, compared, as the window always did, with the
// strip's left edge in the window and with the quarters of its width.
void frmLayerFilm::tabForm_MouseMove(int /*Button*/, int /*Shift*/, float X, float /*Y*/) {
    const double L = tabForm->Left();
    const int W = vb::CLng(tabForm->Width());
    const int quarter = W / 4, half = W / 2, threeQuarters = (3 * W) / 4;
    int column = 3;
    if (X >= L && X <= quarter) column = 0;
    else if (X >= quarter && X <= half) column = 1;
    else if (X >= half && X <= threeQuarters) column = 2;
    if (mLayer >= 1) {
        static const char* const hints[] = {
            "Setpoint parameters for the layer.", "Channel cross talk parameters for the layer.",
            "Parameters for the film assigned to this layer.", "Calibration parameters for film assigned to this layer."};
        tabForm->setToolTipText(QLatin1String(hints[column]));
    } else if (column <= 1) {
        tabForm->setToolTipText(column == 0 ? QStringLiteral("Setpoint parameters for this film.")
                                            : QStringLiteral("Calibration parameters for this film."));
    }
}

// F1: help on the current tab. Ctrl+R: the main window's next view.
void frmLayerFilm::Form_KeyDown(int& KeyCode, int Shift) {
    if (KeyCode == Qt::Key_F1) {
        KeyCode = 0;
        static const int topics[] = {60, 70, 80, 90};
        const int tab = tabForm->Tab();
        if (tab >= 0 && tab <= 3) HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, topics[tab]);
    } else if (KeyCode == Qt::Key_R && (Shift & 2) && gMainForm) {
        switch (ShowReadings) {
        case 0: gMainForm->mnuViewRatio_Click(); break;
        case 1: gMainForm->mnuViewRaw_Click(); break;
        case 2: gMainForm->mnuViewProcess_Click(); break;
        default: break;
        }
    }
}
