#pragma once
// The one owner of the program's global objects (app/Globals.h): it makes them in the
// order of the start-up and releases them in the reverse order, and it registers the
// calls that lower modules make into higher ones (app/Hooks.h). The start-up, the
// shutdown and the tests all go through it; nothing else news or deletes these objects.
//
// Order of making: gApp, then gORUN, gQCM, the main window, gComm. Order of release:
// gComm, gORUN (both at phase 99, ReleaseLinks), the graph windows, the main window, gQCM,
// the recipe database, gApp.

class cApp;
class cComm;
class cORUN;
class cQCM;
class frmMain;

namespace ProgramObjects {

// Each makes its object when it does not exist yet, stores it in its global and returns
// it; an existing object is returned as it is. Each also registers the calls
// (RegisterCalls), so whichever object is made first, the lower modules reach it; the main
// window binds itself to gApp's events when it is made.
cApp& CreateApp();
cORUN& CreateUnit();
cQCM& CreateQCM();
frmMain& CreateMainForm();
cComm& CreateComm();

// The remote-control server, then the unit link. The shutdown (phase 99) first lets the
// link pass its last commands on to the unit.
void ReleaseLinks();
// The main window, once the shutdown has closed it.
void ReleaseMainForm();
// The program's end: every object above, in the reverse order of making, and the recipe
// database closed. Safe to call when some or all of them do not exist.
void ReleaseAll();

// Registers every call of a lower module into a higher one: the phase machine's entry
// actions, the release of the links, the relay/input maps, the data log's process time,
// the start-up's objects and windows (StartupCalls), the application state's calls into
// the unit link, the quartz facade, the remote-control server and the exit rule, the exit
// rule's view of the program, the phase machine's tips and editor refresh and the recipe
// database's wait (AppCalls). Idempotent.
void RegisterCalls();

}  // namespace ProgramObjects
