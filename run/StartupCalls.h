#pragma once
// The start-up sequence's calls into the owner of the program objects and into the
// windows (app/Hooks.h), registered by ProgramObjects::RegisterCalls.
namespace StartupCalls {

void Register();

}  // namespace StartupCalls
