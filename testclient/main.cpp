// ORUN_Comm: sends single remote-control requests to the station program by hand, over a
// serial port, TCP or the outside relay, and shows the decoded reply.
#include "platform/AppInfo.h"
#include "testclient/frmMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ORUN_Comm::SetProgramInfo();
    QCoreApplication::setApplicationName(App().Title);
    ORUN_Comm::frmMain window;
    window.show();
    return app.exec();
}
