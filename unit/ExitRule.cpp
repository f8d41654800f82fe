#include "unit/ExitRule.h"


namespace ExitRule {

bool Allows(Act, bool terminating) { return !terminating; }

bool (*ProgramTerminating)() = nullptr;

// Before anything is registered the program has made none of its objects: nothing reaches
// the unit, and nothing is ending.
bool Allows(Act act) { return Allows(act, ProgramTerminating && ProgramTerminating()); }

}  // namespace ExitRule
