#pragma once
// The test client's one window: the choice of link and its settings, a tab strip on which
// one request is chosen, Send, and the request sent and the reply received. Its members
// live in files by concern: frmMain.cpp (controls, start and end, stored settings),
// frmMain_Link.cpp (links, sending, receiving, the wait) and frmMain_Commands.cpp (tabs,
// mode, selections and the rules that enable the options).
//
// Everything runs on the user-interface thread; the wait for a new TCP connection keeps
// the window's events running, and a Send pressed meanwhile is turned away.
#include "testclient/CommandBuilders.h"
#include "testclient/ResponseCollector.h"

#include <QMap>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>

class BrevoxComm;
class MSComm;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SSTab;
class Winsock;

namespace ORUN_Comm {

// Names the running program ORUN_Comm: its title (under which its settings are kept).
void SetProgramInfo();

// The links, by the index of their option button.
enum CommLink : int { linkCOM1 = 0, linkCOM2 = 1, linkEthernet = 2, linkActiveX = 3 };

// An array of option buttons whose indexes have gaps, as the window numbers them.
using OptionArray = QMap<int, QRadioButton*>;

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- Link controls ----
    std::array<QRadioButton*, 4> optComm{};
    QGroupBox* FraBaud = nullptr;
    std::array<QRadioButton*, 4> optBaud{};
    QGroupBox* fraServer = nullptr;
    QLineEdit* txtServer = nullptr;
    QLineEdit* txtPort = nullptr;
    QCheckBox* chkChecksum = nullptr;
    QPushButton* cmdSend = nullptr;
    QLineEdit* txtSent = nullptr;
    QLineEdit* txtResponse = nullptr;
    MSComm* MSComm1 = nullptr;
    Winsock* tcpMain = nullptr;
    // The outside relay's communication object; null where no relay is installed.
    std::unique_ptr<BrevoxComm> CommEvent;

    // ---- Request controls ----
    SSTab* tabMain = nullptr;
    std::array<QRadioButton*, 2> optMode{};
    QLabel* lblUpdate = nullptr;
    QLineEdit* txtUpdate = nullptr;
    QComboBox* cboLayer = nullptr;
    QComboBox* cboOutput = nullptr;
    QComboBox* cboPower = nullptr;
    QComboBox* cboSensor = nullptr;
    QComboBox* cboSensorRdg = nullptr;
    QComboBox* cboOutputRdg = nullptr;
    QGroupBox* fraMeasure = nullptr;
    OptionArray optQueryProcess;
    OptionArray optUpdateProcess;
    OptionArray optMeasure;
    OptionArray optSensor;
    OptionArray OptLayer;
    OptionArray optFilm;
    OptionArray optUtility;
    std::array<QCheckBox*, kFrontPanelBits> chkFP{};
    QLineEdit* txtString = nullptr;

    // ---- Selections: index + 1 of the option clicked last in each group ----
    int SelProcess = 0;
    int SelMeasure = 0;
    int SelLayer = 0;
    int SelFilm = 0;
    int SelFilmAux = 0;
    int SelUtility = 0;

    // ---- Start, end and link (frmMain.cpp, frmMain_Link.cpp) ----
    void Form_Load();
    // Stores the link settings and closes the TCP connection.
    void Form_QueryUnload();
    void optComm_Click(int index);
    void optBaud_Click(int index);
    void cmdSend_Click();
    // One received character of a reply, from any link.
    void CheckResponse(QChar c);
    // Waits the seconds while the window's events keep running.
    void TimeWait(int seconds);
    // The link chosen (CommLink), -1 when none is.
    int SelectedLink() const;

    // ---- Tabs, mode and selections (frmMain_Commands.cpp) ----
    void tabMain_Click(int previousTab);
    void optMode_Click(int index);
    // The request's makings as the window shows them now. A selection whose option cannot
    // be chosen in the present mode counts as none.
    CommandChoice Choice() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // frmMain.cpp
    void buildControls();
    QWidget* buildLinkRow();
    // frmMain_Commands.cpp
    void buildTabs();
    void buildProcessTab(QWidget* page);
    void buildMeasureTab(QWidget* page);
    void buildLayerTab(QWidget* page);
    void buildFilmTabs(QWidget* film, QWidget* aux);
    void buildSensorTab(QWidget* page);
    void buildUtilityTab(QWidget* page);
    // Makes option button `index` of an array; clicking it stores index + 1 in `selection`
    // and remembers the button as the one that chose it.
    QRadioButton* addOption(OptionArray& array, const char* arrayName, int index, const QString& caption,
                            QButtonGroup* group, int* selection);
    // Clicks an option from the program, as a user would.
    void selectOption(QRadioButton* option);
    // The selection, or 0 when the option that set it is on the tab shown and disabled
    // now. An option of another tab (the Measure and Sensor tabs share one selection) is
    // disabled for its own tab's requests only, so its selection stands.
    int usable(const int& selection) const;
    // Frame, link: frmMain_Link.cpp
    void sendFrame(const QByteArray& frame);
    void onSerialEvent();
    void onSocketData();

    ResponseCollector RespBuffer_;
    // The option button that set each selection last, by the selection's address.
    QMap<const int*, QAbstractButton*> chosenBy_;
    bool sending_ = false;
};

}  // namespace ORUN_Comm
