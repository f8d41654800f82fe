#pragma once
// The upgrade template: an empty recipe database of this program's table design and
// version, shipped beside the program as <major><minor><revision>_ORUN.MDB
// (411_ORUN.MDB for 4.11). An older database is upgraded by copying its rows into a copy
// of it; a failed upgrade falls back to a copy of it.
#include <QString>

// The program's version as a database stores it: major "." minor revision ("4.11").
QString ProgramVersionText();
// The template's file name ("411_ORUN.MDB").
QString TemplateFileName();
// Where the template is: beside the executable, where it ships, when it is there (a
// station's own folder, $ORUN_HOME, may lie elsewhere); else in the program folder.
QString TemplatePath();
// Creates the template at path (an existing file there is replaced): every table of the
// design, no rows, and the version property ORUN_VER = ProgramVersionText().
void CreateUpgradeTemplate(const QString& path);
