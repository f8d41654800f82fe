#include "support/DialogRecorder.h"

#include <QEventLoop>
#include <QTimer>

DialogRecorder::DialogRecorder()
    : previous_(SetDialogResponder([this](const DialogRequest& r) { return respond(r); })) {}

DialogRecorder::~DialogRecorder() { SetDialogResponder(std::move(previous_)); }

void DialogRecorder::answer(int result, const QString& text) { answers_.push_back({result, text}); }

QStringList DialogRecorder::prompts() const {
    QStringList l;
    for (const auto& b : boxes_) l << b.prompt;
    return l;
}

DialogAnswer DialogRecorder::respond(const DialogRequest& req) {
    boxes_.push_back(req);
    if (openMs_ > 0) {
        QEventLoop open;
        QTimer::singleShot(openMs_, &open, &QEventLoop::quit);
        open.exec();
    }
    if (!answers_.empty()) {
        DialogAnswer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    if (req.kind == DialogRequest::Input) return {vbOK, req.defaultText};
    switch (req.buttonSet()) {
    case vbYesNo:
    case vbYesNoCancel: return {vbYes, {}};
    // Trying again is asked for by queuing it: a failure that stays would ask for ever.
    case vbRetryCancel: return {vbCancel, {}};
    case vbAbortRetryIgnore: return {vbAbort, {}};
    default: return {vbOK, {}};
    }
}
