#pragma once
// The traffic monitor window: the commands and replies of the controller-unit link or of
// the remote-control link. One instance, reached through ShowCommForm().
//
// So far it holds only its mode, which shows the window; the traffic itself comes with
// the window.
#include <QWidget>
#include <cstdint>

class frmShowComm : public QWidget {
    Q_OBJECT
public:
    explicit frmShowComm(QWidget* parent = nullptr);

    // 0: the controller-unit link, 1: the remote-control link. Setting it shows the window.
    int16_t Mode() const { return Mode_; }
    void setMode(int16_t nMode);

private:
    int16_t Mode_ = 0;
};

// The open traffic monitor, or a new one when none is open.
frmShowComm* ShowCommForm();
