#pragma once
// Answers every message and input box for the length of a test and records what was
// asked, so a test checks the exact texts and never blocks on a modal dialog. The responder
// it replaces is back when it goes.
#include "platform/Dialogs.h"

#include <QStringList>
#include <deque>
#include <vector>

class DialogRecorder {
public:
    DialogRecorder();
    ~DialogRecorder();
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    // Queues the answer for the next box; without a queued answer a box gets OK (Yes for
    // a Yes/No box, Cancel for a Retry/Cancel box) and an input box the default text.
    void answer(int result, const QString& text = QString());

    // Each box stays open this long while the program's events run, as a modal box does
    // while the operator reads it; 0 (the default) answers at once.
    void keepOpen(int ms) { openMs_ = ms; }

    const std::vector<DialogRequest>& boxes() const { return boxes_; }
    QStringList prompts() const;
    int count() const { return static_cast<int>(boxes_.size()); }
    const DialogRequest& last() const { return boxes_.back(); }
    void clear() { boxes_.clear(); }

private:
    DialogAnswer respond(const DialogRequest& req);
    std::vector<DialogRequest> boxes_;
    std::deque<DialogAnswer> answers_;
    DialogResponder previous_;
    int openMs_ = 0;
};
