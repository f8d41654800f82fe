#pragma once
// The window routines the windows share: finding an open window by name or caption,
// keeping a window on top, and storing and restoring a window's position per user under
// "Form Positions".
//
// A window counts as loaded (open) from its creation until it unloads: a window that
// accepted its close marks itself unloaded (MarkUnloaded) and no longer counts, though Qt
// deletes it a moment later. A window only hidden stays loaded.
//
// Closes by the program go through Unload, so the window's close handler can tell them
// from the user's close box: UnloadMode is 1 while Unload closes the window, else 0.
#include <QList>
#include <QString>

class QWidget;

namespace modFormUtil {

// True when an open window has that object name (ignoring case).
bool IsFormLoaded(const QString& Name);
// True when an open window has that caption (ignoring case).
bool IsFormLoadedByCaption(const QString& Caption);
// The open window with that name or caption, the first found; nullptr when none. This is
// how one window reaches the public members of another.
QWidget* LoadedForm(const QString& Name);
QWidget* LoadedFormByCaption(const QString& Caption);

// The program's open windows (named "frm..."), the given one excepted.
QList<QWidget*> LoadedForms(const QWidget* Except = nullptr);

// Moves the window to the middle of its screen.
void CenterFormScreen(QWidget* Form);

// Closes the window as the program's unload; true when it closed.
bool Unload(QWidget* Form);
// 1 (the program) while Unload closes the window, else 0 (the user).
int UnloadMode(const QWidget* Form);
// Called by a window that accepted its close.
void MarkUnloaded(QWidget* Form);

// Unloads every open window of the program other than the given one, then the given one.
void CloseForms(QWidget* Form);

// Stores the window's position under KeyName (the window's name when empty) as
// "L=<left>;T=<top>;W=<width>;H=<height>;S=<state>", in twips, state 0 normal,
// 1 minimised, 2 maximised; a minimised window stores nothing.
void SaveFormPosition(QWidget* Form, const QString& KeyName = QString());
// Applies a stored position: a stored minimised or maximised state is set without moving
// the window; otherwise the window moves and takes the stored size (a fixed-size window
// keeps its own, a missing width or height keeps the current one), kept inside the screen
// when KeepOnScreen. False when nothing is stored.
bool RestoreFormPosition(QWidget* Form, bool KeepOnScreen, const QString& KeyName = QString());

// Keeps the window above all other windows (OnTop True) or lets it go back among them,
// without moving or sizing it. A window that was shown stays shown.
void FormOnTop(QWidget* form, bool OnTop);

}  // namespace modFormUtil
