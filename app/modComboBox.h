#pragma once
// List items of a combo box with a number attached to each (kept as the item's data).
#include <QString>
#include <cstdint>

class QComboBox;

namespace modComboBox {

// Adds Item with Data attached and returns its index. A combo box whose insert policy is
// QComboBox::InsertAlphabetically keeps its list sorted (ignoring case); any other adds
// at the end.
int AddItemDataComboBox(QComboBox* combo, const QString& Item, int32_t Data);
// Index of the first item whose number equals Data read as a number; -1 when none does
// or the list is empty. Data that is not a number is reported and gives -1.
int FindItemDataComboBox(QComboBox* combo, const QString& Data);
// Index of the first item equal to Text (Exact) or beginning with it, ignoring case; -1
// when none.
int FindStringComboBox(QComboBox* combo, const QString& Text, bool Exact);

}  // namespace modComboBox
