// Every test executable runs inside a QApplication (offscreen), so widgets, timers and
// sockets work the way they do in the program. A message or input box that no responder
// answers (no DialogRecorder in scope) fails the test that showed it, with the box's text,
// and is answered as if closed, so no test waits for a dialog that nobody sees.
#include "platform/Dialogs.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

DialogAnswer FailUnansweredBox(const DialogRequest& box) {
    ADD_FAILURE() << (box.kind == DialogRequest::Input ? "input box" : "message box")
                  << " with nothing to answer it: \"" << box.prompt.toStdString() << "\"";
    if (box.kind == DialogRequest::Input) return {vbCancel, {}};
    return {ClosedBoxResult(box.buttons), {}};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    SetDialogResponder(&FailUnansweredBox);
    return RUN_ALL_TESTS();
}
