#include "app/frmTip.h"

#include "app/F1Key.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

QPointer<frmTip> frmTip::current_;

namespace {
constexpr Qt::WindowFlags kTipFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
}

frmTip::frmTip(QWidget* owner)
    : QWidget(owner, kTipFlags), lblMessage_(new QLabel(this)), Timer1_(new QTimer(this)) {
    setObjectName(QStringLiteral("frmTip"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setFrameShape(QFrame::Box);
    lblMessage_->setMargin(4);
    lblMessage_->installEventFilter(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setSingleShot(true);
    connect(Timer1_, &QTimer::timeout, this, &QWidget::close);
}

void frmTip::ShowTip(QWidget* ShowOwner, const QString& ShowMsg, int32_t ShowTime, int32_t, int32_t) {
    if (!current_) current_ = new frmTip(ShowOwner);
    current_->show(ShowOwner, ShowMsg, ShowTime);
}

frmTip* frmTip::Current() { return current_.data(); }

void frmTip::show(QWidget* owner, const QString& message, int32_t time) {
    lblMessage_->setText(message);
    lblMessage_->adjustSize();
    lblMessage_->move(0, 0);
    setFixedSize(lblMessage_->size());

    Timer1_->stop();
    Timer1_->setInterval(time);
    Timer1_->start();

    if (parentWidget() != owner) setParent(owner, kTipFlags);
    const QRect area =
        owner ? owner->frameGeometry()
              : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                  : QRect(0, 0, 640, 480));
    move(area.center() - rect().center());
    QWidget::show();
    raise();
}

void frmTip::closeEvent(QCloseEvent* e) {
    // Closed is gone for the callers, even before the window object is deleted.
    if (current_ == this) current_.clear();
    QWidget::closeEvent(e);
}

bool frmTip::event(QEvent* e) { return SwallowF1(e) || QWidget::event(e); }

bool frmTip::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lblMessage_ && e->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}
