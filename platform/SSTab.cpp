#include "platform/SSTab.h"

#include "platform/RuntimeError.h"
#include "platform/Twips.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

// The original's mouse button and shift-key masks.
int buttonMask(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}

int shiftMask(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

}  // namespace

SSTab::SSTab(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bar_ = new QTabBar(this);
    bar_->setExpanding(true);
    bar_->setDrawBase(true);
    bar_->setUsesScrollButtons(false);
    bar_->setElideMode(Qt::ElideRight);
    bar_->setMouseTracking(true);
    bar_->installEventFilter(this);
    pages_ = new QStackedWidget(this);
    pages_->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(bar_);
    layout->addWidget(pages_, 1);

    connect(bar_, &QTabBar::currentChanged, this, [this](int now) {
        if (now >= 0 && !bar_->isTabVisible(now) && shown_ >= 0 && shown_ < Tabs() && bar_->isTabVisible(shown_)) {
            // The tab row's own keys can land on a hidden tab: go back, nothing was shown.
            bar_->setCurrentIndex(shown_);
            return;
        }
        const int previous = shown_;
        shown_ = now;
        if (now >= 0) pages_->setCurrentIndex(now);
        if (now != previous && !building_) emit Click(previous);
    });
}

void SSTab::checkTab(int tab) const {
    if (tab < 0 || tab >= Tabs()) throw RuntimeError(380, QStringLiteral("Invalid property value"));
}

int SSTab::Tabs() const { return bar_->count(); }

void SSTab::setTabs(int count) {
    if (count < 1) throw RuntimeError(380, QStringLiteral("Invalid property value"));
    building_ = true;
    while (Tabs() < count) {
        const int k = Tabs();
        auto* frame = new QWidget(pages_);
        frame->installEventFilter(this);
        frame->setMouseTracking(true);
        frames_.push_back(frame);
        pages_->addWidget(frame);
        bar_->addTab(QStringLiteral("Tab %1").arg(k));
    }
    while (Tabs() > count) {
        const int k = Tabs() - 1;
        bar_->removeTab(k);
        pages_->removeWidget(frames_.back());
        delete frames_.back();
        frames_.pop_back();
    }
    building_ = false;
}

QString SSTab::TabCaption(int tab) const {
    checkTab(tab);
    return bar_->tabText(tab);
}

void SSTab::setTabCaption(int tab, const QString& caption) {
    checkTab(tab);
    bar_->setTabText(tab, caption);
}

int SSTab::Tab() const { return shown_; }

void SSTab::setTab(int tab) {
    checkTab(tab);
    if (!bar_->isTabVisible(tab)) return;
    bar_->setCurrentIndex(tab);
}

bool SSTab::TabVisible(int tab) const {
    checkTab(tab);
    return bar_->isTabVisible(tab);
}

void SSTab::setTabVisible(int tab, bool visible) {
    checkTab(tab);
    bar_->setTabVisible(tab, visible);
    if (!visible && bar_->currentIndex() == tab) {
        // Show the next visible tab (or the one before), as the tab shown must be visible.
        for (int k = 1; k < Tabs(); ++k) {
            const int next = (tab + k) % Tabs();
            if (bar_->isTabVisible(next)) {
                bar_->setCurrentIndex(next);
                break;
            }
        }
    }
}

QWidget* SSTab::TabFrame(int tab) const {
    checkTab(tab);
    return frames_[size_t(tab)];
}

void SSTab::setToolTipText(const QString& text) { toolTip_ = text; }

double SSTab::Left() const { return PixelsToTwipsX(x()); }
double SSTab::Top() const { return PixelsToTwipsY(y()); }
double SSTab::Width() const { return PixelsToTwipsX(width()); }
double SSTab::Height() const { return PixelsToTwipsY(height()); }
void SSTab::setHeight(double twips) { setFixedHeight(std::max(0, TwipsToPixelsY(twips))); }

bool SSTab::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    if (event->type() == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint p = w->mapTo(this, me->position().toPoint());
        emit MouseMove(buttonMask(me->buttons()), shiftMask(me->modifiers()), float(PixelsToTwipsX(p.x())),
                       float(PixelsToTwipsY(p.y())));
        return false;
    }
    if (event->type() == QEvent::ToolTip && watched == bar_) {
        auto* he = static_cast<QHelpEvent*>(event);
        if (toolTip_.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(he->globalPos(), toolTip_, bar_);
        return true;
    }
    return false;
}
