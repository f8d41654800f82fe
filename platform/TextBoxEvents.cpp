#include "platform/TextBoxEvents.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

class TextBoxFilter : public QObject {
public:
    TextBoxFilter(QLineEdit* box, TextBoxHandlers handlers) : QObject(box), box_(box), h_(std::move(handlers)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_) return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            if (h_.GotFocus) {
                // The box selects its text on a Tab focus by itself; a click would place the
                // caret after the handler ran, so the handler runs once the click is done.
                const auto reason = static_cast<QFocusEvent*>(event)->reason();
                if (reason == Qt::MouseFocusReason)
                    QMetaObject::invokeMethod(box_, [this] { if (box_->hasFocus()) h_.GotFocus(); }, Qt::QueuedConnection);
                else if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                    h_.GotFocus();
            }
            return false;
        case QEvent::FocusOut: {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (!h_.LostFocus || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
            QWidget* now = QApplication::focusWidget();
            if (now && now->window() != box_->window()) return false;
            h_.LostFocus();
            return false;
        }
        case QEvent::KeyPress: return keyPress(static_cast<QKeyEvent*>(event));
        default: return false;
        }
    }

private:
    bool keyPress(QKeyEvent* ev) {
        if (!h_.KeyPress || (ev->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return false;
        int ascii = -1;
        switch (ev->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: ascii = 13; break;
        case Qt::Key_Backspace: ascii = 8; break;
        case Qt::Key_Escape: ascii = 27; break;
        default: {
            const QString t = ev->text();
            if (t.size() == 1 && t.at(0).unicode() >= 32 && t.at(0).unicode() < 256) ascii = t.at(0).unicode();
        }
        }
        if (ascii < 0) return false;  // arrows, Delete, function keys: the box's own
        int key = ascii;
        h_.KeyPress(key);
        if (key == 0) return true;
        if (key == ascii) return false;
        if (key == 8) {
            box_->backspace();
        } else if (key >= 32 && key < 256) {
            box_->insert(QString(QChar(key)));
        }
        return true;
    }

    QLineEdit* box_;
    TextBoxHandlers h_;
};

}  // namespace

void BindTextBox(QLineEdit* box, TextBoxHandlers handlers) {
    box->installEventFilter(new TextBoxFilter(box, std::move(handlers)));
}
