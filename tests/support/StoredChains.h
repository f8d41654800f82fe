#pragma once
// The layer chains a recipe database file holds, read through a connection of the test's
// own (opening it rolls back what a killed writer left in the file's journal).
#include <QString>

// Process p's chain as its links give it, then its counts: "20>21+22 2/3" is First_Layer
// 20, 20 -Next-> 21 -CoDep-> 22, 2 steps and 3 records counted.
QString StoredChain(const QString& file, int p);
// What is wrong with the file's chains: each damaged chain, and each record in use that
// no chain holds; empty when every chain walks soundly. The records in memory stay as
// they are.
QString UnsoundChains(const QString& file);
