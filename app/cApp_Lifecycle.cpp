// The start of the program's life and its end, run by the phase setter (STARTUP and 99).
#include "app/cApp.h"

#include "app/Hooks.h"
#include "app/SettingsGlobals.h"
#include "data/modDB.h"

// The start-up sequence proper (configuration, database, unit, quartz facade, main
// window, communications, reopened windows) is not built yet; the phase setter then
// enters STOPPED as after a finished start-up.
void cApp::ApInitialize() {}

// The settings kept in the database and the configuration file are written back, then
// the remote-control server and the unit link are released by their owner. The quartz
// facade lives on.
void cApp::ApTerminate() {
    modDB::ORUNSave();
    modDB::QCMSave();
    IniWriteApp(SetupFile);
    Hooks::Call(Hooks::ReleaseLinks);
}
