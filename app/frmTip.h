#pragma once
// A small pop-up with a short message next to the window that asked for it. It closes
// itself after the given time or when the message is clicked. There is one pop-up at a
// time: a new message replaces the shown one and restarts its time.
#include <QPointer>
#include <QWidget>
#include <cstdint>

class QLabel;
class QTimer;

class frmTip : public QWidget {
    Q_OBJECT
public:
    // Shows ShowMsg for ShowTime milliseconds, owned by ShowOwner. ShowLeft and ShowTop
    // are accepted for the callers' sake; the pop-up places itself over its owner.
    static void ShowTip(QWidget* ShowOwner, const QString& ShowMsg, int32_t ShowTime, int32_t ShowLeft = 0,
                        int32_t ShowTop = 0);
    // The pop-up while it is shown, else nullptr.
    static frmTip* Current();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    explicit frmTip(QWidget* owner);
    void show(QWidget* owner, const QString& message, int32_t time);

    QLabel* lblMessage_;
    QTimer* Timer1_;
    static QPointer<frmTip> current_;
};
