#include "unit/ExitRule.h"

#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/cApp.h"
#include "unit/cORUN.h"

namespace ExitRule {

bool Allows(Act, bool terminating) { return !terminating; }

bool Allows(Act act) {
    if (gORUN) return Allows(act, gORUN->Terminating());
    // Without a link nothing reaches the unit; after the shutdown released it nothing starts.
    return Allows(act, gApp && gApp->Phase() == PhaseCode::Shutdown);
}

}  // namespace ExitRule
