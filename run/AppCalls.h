#pragma once
// The calls that the application state, the phase machine and the recipe database's wait
// make into the modules above them (app/Hooks.h, unit/ExitRule.h): the unit link, the
// quartz facade, the remote-control server, the exit rule and the windows. Registered by
// ProgramObjects::RegisterCalls.
namespace AppCalls {

void Register();

}  // namespace AppCalls
