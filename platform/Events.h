#pragma once
// Lets pending window, timer, serial and network events run (the original's DoEvents).
void DoEvents();
