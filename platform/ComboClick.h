#pragma once
// The Click event of the original's list boxes, for a QComboBox: raised when the program
// selects another entry and for every entry the user picks, also the one already selected;
// never when the list is emptied. (Qt tells the program's changes and the user's picks
// apart and says nothing for a pick of the selected entry.)
#include <functional>

class QComboBox;

// Binds the handler to the list for its whole life.
void BindComboClick(QComboBox* list, std::function<void()> click);
