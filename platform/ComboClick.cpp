#include "platform/ComboClick.h"

#include <QComboBox>
#include <QEvent>

namespace {

// A user's pick raises currentIndexChanged (when the entry changes) and then activated.
// The change is remembered until that activated, so the pair runs the handler once; any
// key, wheel or mouse press on the list starts a new pick and forgets a change made by
// the program before it.
class ComboClick : public QObject {
public:
    ComboClick(QComboBox* list, std::function<void()> click) : QObject(list), click_(std::move(click)) {
        connect(list, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (index < 0) return;
            changed_ = true;
            click_();
        });
        connect(list, &QComboBox::activated, this, [this] {
            if (changed_) {
                changed_ = false;
                return;
            }
            click_();
        });
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
        case QEvent::Wheel: changed_ = false; break;
        default: break;
        }
        return false;
    }

private:
    std::function<void()> click_;
    bool changed_ = false;
};

}  // namespace

void BindComboClick(QComboBox* list, std::function<void()> click) { new ComboClick(list, std::move(click)); }
