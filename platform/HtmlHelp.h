#pragma once
// Context help: a window asks for one topic of the program's help file. The help file is
// opened with the desktop's viewer when it is in the program folder; otherwise a message
// says that it is not installed. Tests install a responder that records each request.
#include <QString>
#include <functional>

enum HtmlHelpCommand : int { HH_DISPLAY_TOPIC = 0, HH_HELP_CONTEXT = 15 };

struct HelpRequest {
    QString file;     // the help file as named (a name in the program folder)
    int command = HH_HELP_CONTEXT;
    int context = 0;  // the topic's context number
};

using HelpResponder = std::function<void(const HelpRequest&)>;

void HtmlHelp(const QString& file, int command, int context);

// Installs a responder in place of the viewer; an empty one restores it.
void SetHelpResponder(HelpResponder responder);
