#pragma once
// The splash window shown while the program starts: title and version, a status text and
// a progress bar. It stays above every other window.
#include <QWidget>

class QLabel;
class QProgressBar;

class frmStartup : public QWidget {
    Q_OBJECT
public:
    explicit frmStartup(QWidget* parent = nullptr);

    // Shows dValue on the bar when 0 <= dValue <= 100; other values are ignored.
    void setProgressPercent(double dValue);
    // Shows sValue without its leading and trailing blanks.
    void setProgressText(const QString& sValue);

protected:
    bool event(QEvent* e) override;

private:
    QLabel* imgLogo_;
    QLabel* lblVersion_;
    QLabel* lblStatus_;
    QProgressBar* prgPercent_;
};
