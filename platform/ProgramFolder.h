#pragma once
// The program folder (the original's App.Path) and the path rules for names kept in
// settings: "\" is a separator, a drive prefix such as "C:\" names the program folder, and
// a bare name lies in the program folder.
#include <QString>

// $ORUN_HOME when set, else the folder of the executable. No trailing separator.
QString ProgramFolder();
// Overrides the program folder (tests, companion programs); empty returns to the default.
void SetProgramFolder(const QString& folder);

// A path as written in settings, made a native path: backslashes become "/", a drive
// prefix ("C:\", "c:") is replaced by the program folder, and a name without a folder
// part is placed in the program folder. Absolute Linux paths stay as they are.
QString ResolvePath(const QString& path);

// The folder of the running executable, whatever $ORUN_HOME says: where the files that
// ship with the program lie. No trailing separator.
QString ExecutableFolder();

// The folder the program loads its shared libraries from (the card library): "lib" beside
// the executable's folder (build/lib next to build/bin, an installation's lib next to its
// bin), whatever $ORUN_HOME says, since the libraries belong to the installation and the
// program folder to the station. No trailing separator.
QString LibraryFolder();
// Overrides the library folder (tests); empty returns to the default.
void SetLibraryFolder(const QString& folder);

// The program folder joined with a name by "\" as the original did, then resolved.
QString InProgramFolder(const QString& name);
