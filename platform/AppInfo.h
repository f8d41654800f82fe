#pragma once
// What the original's App object told about the running program.
#include <QString>

struct AppInfoData {
    QString Title = QStringLiteral("ORUN_411");
    QString CompanyName = QStringLiteral("Arvento");
    QString ProductName = QStringLiteral("ORUN_411");
    QString LegalCopyright;
    int Major = 4;
    int Minor = 1;
    int Revision = 1;
    // The help file, a name in the program folder (set at start-up).
    QString HelpFile;
};

// The one description of the running program; a companion program sets its own at start.
AppInfoData& App();
