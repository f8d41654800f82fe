#pragma once
// The splash window shown while the program starts: title and version, a status text and
// a progress bar. It stays above every other window.
#include <QWidget>
#include <functional>

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

    // Tells observer of every percentage shown, with the status text then shown (tests
    // and unattended runs follow the start-up through it); an empty one stops telling.
    using ProgressObserver = std::function<void(const QString& text, int percent)>;
    static void SetProgressObserver(ProgressObserver observer);

protected:
    bool event(QEvent* e) override;

private:
    QLabel* imgLogo_;
    QLabel* lblVersion_;
    QLabel* lblStatus_;
    QProgressBar* prgPercent_;
};
