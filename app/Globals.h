#pragma once
// The program's global objects and their checked accessors, in one place.
//
//   gApp       cApp     the application state        RunApp()
//   gORUN      cORUN    the controller-unit link     RunUnit()
//   gQCM       cQCM     the quartz facade            RunQCM()
//   gComm      cComm    the remote-control server    RunComm()
//   gMainForm  frmMain  the main window              RunMainForm()
//
// ProgramObjects (run/ProgramObjects.h) makes and releases them, in order; nothing else
// news or deletes them. The recipe database, modDB::gDB, is an object held by value that
// raises the same error itself when no file is open.
//
// An accessor gives the object, or raises "Object variable or With block variable not
// set" (RuntimeError 91) when the object is not made yet or already released, so a
// routine that runs too early or too late reports an error instead of crashing.
//
// The classes are only declared here: this header sits under every module, windows
// included, and includes nothing of theirs.
#include "platform/RuntimeError.h"

class cApp;
class cORUN;
class cQCM;
class cComm;
class frmMain;

extern cApp* gApp;
extern cORUN* gORUN;
extern cQCM* gQCM;
extern cComm* gComm;
extern frmMain* gMainForm;

namespace globals_detail {
template <typename T>
T& CheckedObject(T* object) {
    if (!object) throw RuntimeError::ObjectNotSet();
    return *object;
}
}  // namespace globals_detail

inline cApp& RunApp() { return globals_detail::CheckedObject(gApp); }
inline cORUN& RunUnit() { return globals_detail::CheckedObject(gORUN); }
inline cQCM& RunQCM() { return globals_detail::CheckedObject(gQCM); }
inline cComm& RunComm() { return globals_detail::CheckedObject(gComm); }
inline frmMain& RunMainForm() { return globals_detail::CheckedObject(gMainForm); }
