#pragma once
// The About box of the main program's Help menu: the program's title, version with the
// date of the program file, its legal notice and the maker's contact lines, a button for
// the system's information program, and F1 for its help topic.
#include <QWidget>

class QLabel;
class QPushButton;

class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Starts the system's information program, or says it is not to be had.
    void StartSysInfo();
};
