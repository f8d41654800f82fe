#pragma once
// File attributes as the original set them (SetAttr). On Linux only read-only has a
// meaning: it takes away every write permission; normal gives the owner write permission
// again. Hidden, system and archive are accepted and have no effect.
#include <QString>

enum VbFileAttribute : int {
    vbNormal = 0,
    vbReadOnly = 1,
    vbHidden = 2,
    vbSystem = 4,
    vbArchive = 32,
};

// Sets the attributes of the file at path (a path as written in settings). RuntimeError
// 53 "File not found" when there is no such file, 75 when the change is refused.
void SetAttr(const QString& path, int attributes);
