#pragma once
// The events of a text box as the windows handle them: GotFocus, LostFocus and KeyPress.
//
// LostFocus is raised only when the focus moves to another control of the same window: a
// message box, a list's popup or another window taking the focus is no LostFocus, so a
// refusal box shown from a LostFocus handler does not raise it again.
// KeyPress sees the character keys (Enter as 13, Backspace as 8, typed characters by their
// code) before the box; a handler that sets KeyAscii to 0 drops the key. Keys with Ctrl or
// Alt held, and keys that type nothing (arrows, Delete), pass without a KeyPress.
#include <QObject>
#include <cstdint>
#include <functional>

class QLineEdit;

class TextBoxEvents : public QObject {
    Q_OBJECT
public:
    // The events of the box; the object lives as the box's child.
    static TextBoxEvents* Of(QLineEdit* box);

    std::function<void()> GotFocus;
    std::function<void()> LostFocus;
    std::function<void(int16_t& KeyAscii)> KeyPress;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TextBoxEvents(QLineEdit* box);
    QLineEdit* box_;
};
