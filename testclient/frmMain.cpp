#include "testclient/frmMain.h"

#include "app/VBConv.h"
#include "platform/AppInfo.h"
#include "platform/Brevox.h"
#include "platform/MSComm.h"
#include "platform/SSTab.h"
#include "platform/SettingsStore.h"
#include "platform/Winsock.h"
#include "remote/protocol/RemoteFrame.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ORUN_Comm {
namespace {

const QString kSection = QStringLiteral("Comm Settings");

QString ReadSetting(const QString& key, const QString& fallback) {
    return GetSetting(App().Title, kSection, key, fallback);
}

void StoreSetting(const QString& key, const QString& value) { SaveSetting(App().Title, kSection, key, value); }

template <size_t N>
int CheckedIndex(const std::array<QRadioButton*, N>& options) {
    for (size_t i = 0; i < N; ++i)
        if (options[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

QLineEdit* MakeBox(QWidget* parent, const char* name, const QString& tip = QString()) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    return box;
}

}  // namespace

void SetProgramInfo() {
    AppInfoData& app = App();
    app.Title = QStringLiteral("ORUN_Comm");
    app.ProductName = QStringLiteral("ORUN_Comm");
}

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    MSComm1 = new MSComm(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    tcpMain = new Winsock(this);
    tcpMain->setObjectName(QStringLiteral("tcpMain"));
    connect(MSComm1, &MSComm::OnComm, this, &frmMain::onSerialEvent);
    connect(tcpMain, &Winsock::DataArrival, this, &frmMain::onSocketData);
    buildControls();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildLinkRow());

    // The tab strip, and beside it what every request shares: mode, value, layer and
    // channel, and Send.
    auto* middle = new QHBoxLayout;
    buildTabs();
    middle->addWidget(tabMain, 1);

    auto* side = new QVBoxLayout;
    auto* modeBox = new QGroupBox(this);
    auto* modeLayout = new QVBoxLayout(modeBox);
    auto* modeGroup = new QButtonGroup(this);
    const char* const modes[] = {"Query", "Update"};
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(QLatin1String(modes[i]), modeBox);
        option->setObjectName(QStringLiteral("optMode(%1)").arg(i));
        modeGroup->addButton(option);
        modeLayout->addWidget(option);
        connect(option, &QRadioButton::clicked, this, [this, i] { optMode_Click(i); });
        optMode[static_cast<size_t>(i)] = option;
    }
    side->addWidget(modeBox);
    lblUpdate = new QLabel(QStringLiteral("Update Value"), this);
    lblUpdate->setObjectName(QStringLiteral("lblUpdate"));
    txtUpdate = MakeBox(this, "txtUpdate");
    side->addWidget(lblUpdate);
    side->addWidget(txtUpdate);

    auto* recordForm = new QFormLayout;
    cboLayer = new QComboBox(this);
    cboLayer->setObjectName(QStringLiteral("cboLayer"));
    cboLayer->setToolTip(QStringLiteral("Layer number; 0 is the layer the run is on."));
    cboOutput = new QComboBox(this);
    cboOutput->setObjectName(QStringLiteral("cboOutput"));
    recordForm->addRow(QStringLiteral("Layer"), cboLayer);
    recordForm->addRow(QStringLiteral("Channel"), cboOutput);
    side->addLayout(recordForm);
    side->addStretch(1);
    cmdSend = new QPushButton(QStringLiteral("Send"), this);
    cmdSend->setObjectName(QStringLiteral("cmdSend"));
    cmdSend->setDefault(true);
    connect(cmdSend, &QPushButton::clicked, this, [this] { cmdSend_Click(); });
    side->addWidget(cmdSend);
    middle->addLayout(side);
    layout->addLayout(middle, 1);

    auto* result = new QFormLayout;
    txtSent = MakeBox(this, "txtSent");
    txtSent->setReadOnly(true);
    txtResponse = MakeBox(this, "txtResponse");
    txtResponse->setReadOnly(true);
    result->addRow(QStringLiteral("Sent"), txtSent);
    result->addRow(QStringLiteral("Response"), txtResponse);
    layout->addLayout(result);
}

QWidget* frmMain::buildLinkRow() {
    auto* row = new QWidget(this);
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* linkLine = new QHBoxLayout;
    auto* linkBox = new QGroupBox(row);
    auto* linkLayout = new QHBoxLayout(linkBox);
    auto* linkGroup = new QButtonGroup(this);
    const char* const links[] = {"COM1", "COM2", "Ethernet", "Active X"};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(QLatin1String(links[i]), linkBox);
        option->setObjectName(QStringLiteral("optComm(%1)").arg(i));
        linkGroup->addButton(option);
        linkLayout->addWidget(option);
        connect(option, &QRadioButton::clicked, this, [this, i] { optComm_Click(i); });
        optComm[static_cast<size_t>(i)] = option;
    }
    linkLine->addWidget(linkBox, 1);
    chkChecksum = new QCheckBox(QStringLiteral("Checksum"), row);
    chkChecksum->setObjectName(QStringLiteral("chkChecksum"));
    linkLine->addWidget(chkChecksum);
    layout->addLayout(linkLine);

    // The serial rate or the network target, whichever the link uses.
    FraBaud = new QGroupBox(QStringLiteral("Baud Rate"), row);
    FraBaud->setObjectName(QStringLiteral("FraBaud"));
    auto* baudLayout = new QHBoxLayout(FraBaud);
    auto* baudGroup = new QButtonGroup(this);
    const char* const rates[] = {"4800", "9600", "19200", "38400"};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(QLatin1String(rates[i]), FraBaud);
        option->setObjectName(QStringLiteral("optBaud(%1)").arg(i));
        baudGroup->addButton(option);
        baudLayout->addWidget(option);
        connect(option, &QRadioButton::clicked, this, [this, i] { optBaud_Click(i); });
        optBaud[static_cast<size_t>(i)] = option;
    }
    layout->addWidget(FraBaud);

    fraServer = new QGroupBox(QStringLiteral("Server"), row);
    fraServer->setObjectName(QStringLiteral("fraServer"));
    auto* serverLayout = new QHBoxLayout(fraServer);
    txtServer = MakeBox(fraServer, "txtServer", QStringLiteral("Network Name or IP Address of KDU-600"));
    txtPort = MakeBox(fraServer, "txtPort", QStringLiteral("Ethernet Port of KDU-600"));
    txtPort->setText(QString::number(RemoteFrame::kDefaultTcpPort));
    txtPort->setMaximumWidth(txtPort->fontMetrics().horizontalAdvance(QStringLiteral("000000000")));
    serverLayout->addWidget(new QLabel(QStringLiteral("Name/IP"), fraServer));
    serverLayout->addWidget(txtServer, 1);
    serverLayout->addWidget(new QLabel(QStringLiteral("Port"), fraServer));
    serverLayout->addWidget(txtPort);
    layout->addWidget(fraServer);
    return row;
}

// Nothing that fails here stops the start: a missing relay or port leaves the window
// usable.
void frmMain::Form_Load() {
    try {
        CommEvent = Brevox::Create();
        if (CommEvent)
            connect(CommEvent.get(), &BrevoxComm::ResponseEvent, this, [this](const QString& text) {
                for (const QChar c : text) CheckResponse(c);
            });
    } catch (...) {
        CommEvent.reset();
    }
    // Without a relay the "Active X" link can deliver nothing; it says so.
    if (!CommEvent) optComm[linkActiveX]->setToolTip(QStringLiteral("No outside communication server is installed."));

    const AppInfoData& app = App();
    setWindowTitle(QStringLiteral("ORUN Comm - %1.%2.%3").arg(app.Major).arg(app.Minor).arg(app.Revision));

    for (int n = 0; n <= 99; ++n) cboLayer->addItem(QString::number(n));
    cboOutput->clear();
    cboPower->clear();
    for (int n = 1; n <= 8; ++n) {
        cboOutput->addItem(QString::number(n));
        cboPower->addItem(QString::number(n));
    }
    cboPower->addItem(QStringLiteral("All"));
    for (QComboBox* list : {cboOutput, cboPower, cboLayer, cboSensor, cboOutputRdg, cboSensorRdg})
        list->setCurrentIndex(0);

    selectOption(optMode[0]);
    selectOption(optQueryProcess.value(0));
    selectOption(optMeasure.value(10));
    selectOption(OptLayer.value(0));
    selectOption(optFilm.value(0));
    selectOption(optFilm.value(30));
    selectOption(optSensor.value(0));
    tabMain->setTab(tabProcess);

    // Without a stored choice the client starts on the station of this computer: Ethernet
    // to the loopback address and the station's default remote port.
    try {
        const int link = vb::CInt(ReadSetting(QStringLiteral("Comm Select"), QString::number(linkEthernet)));
        if (link >= 0 && link < static_cast<int>(optComm.size())) selectOption(optComm[static_cast<size_t>(link)]);
    } catch (...) {
    }
    try {
        const int rate = vb::CInt(ReadSetting(QStringLiteral("Baud Rate"), QStringLiteral("0")));
        if (rate >= 0 && rate < static_cast<int>(optBaud.size())) selectOption(optBaud[static_cast<size_t>(rate)]);
    } catch (...) {
    }
    txtServer->setText(ReadSetting(QStringLiteral("Ethernet Server"), QStringLiteral("127.0.0.1")));
    txtPort->setText(ReadSetting(QStringLiteral("Ethernet Port"), QString::number(RemoteFrame::kDefaultTcpPort)));
}

void frmMain::Form_QueryUnload() {
    StoreSetting(QStringLiteral("Comm Select"), QString::number(CheckedIndex(optComm)));
    StoreSetting(QStringLiteral("Baud Rate"), QString::number(CheckedIndex(optBaud)));
    StoreSetting(QStringLiteral("Ethernet Server"), txtServer->text());
    StoreSetting(QStringLiteral("Ethernet Port"), txtPort->text());
    if (tcpMain->State() == Winsock::sckConnected) tcpMain->Close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

}  // namespace ORUN_Comm
