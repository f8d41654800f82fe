#pragma once
// The display texts of the relay-output and digital-input function codes 0..60: entry c
// names the function of code c, an entry without a function is empty. The setup window
// fills them when it loads; they stay filled for the program's life.
#include "platform/BoundedArray.h"

#include <QString>

extern BoundedArray<QString, 0, 60> OutputFunctionName;
extern BoundedArray<QString, 0, 60> InputFunctionName;
