#pragma once
// The window routines every window of the main program uses: centring, closing all
// windows, finding an open window by name or caption, and keeping a window's position per
// user under "Form Positions". A window is open ("loaded") while it exists as a top-level
// window, shown or not; its name is its objectName, its caption its window title.
//
// Positions are stored as "L=<left>;T=<top>;W=<width>;H=<height>;S=<state>" in twips of the
// window's outer frame, state 0 normal, 1 minimised, 2 maximised.
#include <QString>

class QWidget;

namespace modFormUtil {

// Moves the window to the middle of the screen.
void CenterFormScreen(QWidget* form);
// Closes every open window other than the given one, then the given one.
void CloseForms(QWidget* form);
// True when an open window has that name (that caption), compared without regard to case.
bool IsFormLoaded(const QString& name);
bool IsFormLoadedByCaption(const QString& caption);
// The open window of that name (that caption); null when there is none.
QWidget* FormByName(const QString& name);
QWidget* FormByCaption(const QString& caption);

// Applies the stored position of the key (the window's name when the key is empty):
// a maximised or minimised window takes that state and is not moved; otherwise the window
// moves to the stored left and top, kept on the screen with keepOnScreen. A window of fixed
// size, or a value without a width or a height, keeps its size. False when nothing is
// stored.
bool RestoreFormPosition(QWidget* form, bool keepOnScreen, const QString& key = QString());
// Stores the window's position under the key (the window's name when empty); a minimised
// window stores nothing.
void SaveFormPosition(QWidget* form, const QString& key = QString());

}  // namespace modFormUtil
