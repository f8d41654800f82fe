// The window's controls: six tab frames laid out with Qt layouts, every control named as
// the handlers and the other windows know it, and the handlers connected.
#include "windows/frmSystem.h"

#include "app/cColorDialog.h"
#include "app/modTextBox.h"
#include "platform/ComboClick.h"
#include "platform/SSTab.h"
#include "platform/TarselGrid.h"
#include "platform/TextBoxEvents.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

frmSystem* gSystemForm = nullptr;

frmSystem* SystemForm() { return gSystemForm ? gSystemForm : new frmSystem; }

namespace {

template <class W>
W* Named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QLabel* Caption(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

// A frame without a border that only groups controls (the Ethernet frames).
QWidget* Plain(const QString& name, QWidget* parent) { return Named(new QWidget(parent), name); }

}  // namespace

frmSystem::frmSystem(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSystem"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Edit System"));
    gSystemForm = this;
    CreateControls();
    ConnectHandlers();
    Form_Load();
}

frmSystem::~frmSystem() {
    if (gSystemForm == this) gSystemForm = nullptr;
}

void frmSystem::CreateControls() {
    tabForm = Named(new SSTab(this), QStringLiteral("tabForm"));
    tabForm->setTabs(6);
    const char* const captions[] = {"Channel", "Sensor", "QCM", "I/O", "Comm", "Display"};
    QWidget* (frmSystem::*const builders[])() = {&frmSystem::CreateChannelTab, &frmSystem::CreateSensorTab,
                                                  &frmSystem::CreateQCMTab,     &frmSystem::CreateIOTab,
                                                  &frmSystem::CreateCommTab,    &frmSystem::CreateDisplayTab};
    for (int k = 0; k <= 5; ++k) {
        tabForm->setTabCaption(k, QLatin1String(captions[k]));
        auto* page = new QVBoxLayout(tabForm->TabFrame(k));
        page->setContentsMargins(6, 6, 6, 6);
        fraTab(k) = (this->*builders[k])();
        fraTab(k)->setObjectName(QStringLiteral("fraTab(%1)").arg(k));
        fraTab(k)->setParent(tabForm->TabFrame(k));
        page->addWidget(fraTab(k));
    }
    cmdClose = Named(new QPushButton(QStringLiteral("&Close"), this), QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabForm);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

QWidget* frmSystem::CreateChannelTab() {
    auto* frame = new QWidget;
    grdChan = Named(new TarselGrid(frame), QStringLiteral("grdChan"));
    grdChan->setMinimumWidth(260);
    fraCalibrate = Named(new QGroupBox(QStringLiteral("Calibrate"), frame), QStringLiteral("fraCalibrate"));
    cboCal = Named(new QComboBox(fraCalibrate), QStringLiteral("cboCal"));
    for (int c = 1; c <= 8; ++c) cboCal->addItem(QString::number(c));
    cmdCalibrate = Named(new QPushButton(QStringLiteral("Start"), fraCalibrate), QStringLiteral("cmdCalibrate"));
    cmdCalibrate->setToolTip(QStringLiteral("Calibrate detector electronics (with zero emission)."));
    cmdCalibrate->setAutoDefault(false);
    prgCalibrate = Named(new QProgressBar(fraCalibrate), QStringLiteral("prgCalibrate"));
    prgCalibrate->setRange(0, 100);
    prgCalibrate->setTextVisible(false);
    prgCalibrate->setVisible(false);
    lblCal = Named(new QLabel(fraCalibrate), QStringLiteral("lblCal"));
    lblCal->setMinimumWidth(120);
    auto* cal = new QGridLayout(fraCalibrate);
    cal->addWidget(Caption(QStringLiteral("Channel"), fraCalibrate), 0, 0);
    cal->addWidget(cboCal, 0, 1);
    cal->addWidget(cmdCalibrate, 1, 0, 1, 2);
    cal->addWidget(prgCalibrate, 2, 0, 1, 2);
    cal->addWidget(lblCal, 3, 0, 1, 2);
    const char* const valueCaptions[] = {"Slope", "Intrcpt", "HiBias", "LoBias"};
    for (int i = 0; i <= 3; ++i) {
        lblDebug(i) = Named(new QLabel(QLatin1String(valueCaptions[i]), fraCalibrate), QStringLiteral("lblDebug(%1)").arg(i));
        lblCalA(i) = Named(new QLabel(fraCalibrate), QStringLiteral("lblCalA(%1)").arg(i));
        cal->addWidget(lblDebug(i), 4 + i, 0);
        cal->addWidget(lblCalA(i), 4 + i, 1);
    }
    cal->setRowStretch(8, 1);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grdChan, 1, Qt::AlignTop);
    layout->addWidget(fraCalibrate, 0, Qt::AlignTop);
    return frame;
}

QWidget* frmSystem::CreateSensorTab() {
    auto* frame = new QWidget;
    chkGas = Named(new QCheckBox(QStringLiteral("Enable Gas Sensors"), frame), QStringLiteral("chkGas"));
    grdSensor = Named(new TarselGrid(frame), QStringLiteral("grdSensor"));
    grdSensor->setMinimumWidth(360);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chkGas);
    layout->addWidget(grdSensor);
    layout->addStretch(1);
    return frame;
}

QWidget* frmSystem::CreateQCMTab() {
    auto* frame = new QWidget;
    fraQCMType = Named(new QGroupBox(QStringLiteral("Type"), frame), QStringLiteral("fraQCMType"));
    auto* types = new QVBoxLayout(fraQCMType);
    const char* const sources[] = {"None", "TRV-600", "Mirel"};
    const char* const sourceHints[] = {"", "Use TRV-600 PCI card fro QCM measurements.", "Use Mirel for QCM measurements."};
    for (int i = 0; i <= 2; ++i) {
        optQCM(i) = Named(new QRadioButton(QLatin1String(sources[i]), fraQCMType), QStringLiteral("optQCM(%1)").arg(i));
        optQCM(i)->setToolTip(QLatin1String(sourceHints[i]));
        types->addWidget(optQCM(i));
    }

    fraQCMSetup = Named(new QGroupBox(QStringLiteral("Setup"), frame), QStringLiteral("fraQCMSetup"));
    auto* setup = new QGridLayout(fraQCMSetup);
    setup->addWidget(Caption(QStringLiteral("Frequency (MHz)"), fraQCMSetup), 0, 0, 1, 3);
    const char* const freqCaptions[] = {"Max.", "Init.", "Min."};
    const char* const freqHints[] = {"Maximum crystal frequency (typically 6.1MHz).",
                                     "Initial crystal frequency (typically 6.0MHz).",
                                     "Minimum crystal frequency (typically 5.0MHz)."};
    for (int i = 0; i <= 2; ++i) {
        txtQCMFreq(i) = Named(new QLineEdit(fraQCMSetup), QStringLiteral("txtQCMFreq(%1)").arg(i));
        txtQCMFreq(i)->setToolTip(QLatin1String(freqHints[i]));
        txtQCMFreq(i)->setMaximumWidth(80);
        setup->addWidget(Caption(QLatin1String(freqCaptions[i]), fraQCMSetup), 1 + i, 0);
        setup->addWidget(txtQCMFreq(i), 1 + i, 1);
    }
    txtQCMPeriod = Named(new QLineEdit(fraQCMSetup), QStringLiteral("txtQCMPeriod"));
    txtQCMPeriod->setToolTip(QStringLiteral("QCM measurement period."));
    txtQCMPeriod->setMaximumWidth(80);
    setup->addWidget(Caption(QStringLiteral("Period"), fraQCMSetup), 4, 0);
    setup->addWidget(txtQCMPeriod, 4, 1);
    setup->addWidget(Caption(QStringLiteral("Sec."), fraQCMSetup), 4, 2);
    setup->setColumnStretch(3, 1);

    fra600 = Named(new QGroupBox(frame), QStringLiteral("fra600"));
    auto* revisions = new QGridLayout(fra600);
    const char* const revCaptions[] = {"DLL:", "TRV:", "Vesk:"};
    const char* const revHints[] = {"Dll return code (OK=0.00)", "Firmware revision of TRV-600 card (>2.00 is OK).",
                                    "Firmware revision of Vesk-600 card (>2.00 is OK)."};
    QLabel** revLabels[] = {&lblRevDll, &lblRevCard, &lblRevAnalog};
    const char* const revNames[] = {"lblRevDll", "lblRevCard", "lblRevAnalog"};
    for (int i = 0; i <= 2; ++i) {
        *revLabels[i] = Named(new QLabel(fra600), QLatin1String(revNames[i]));
        (*revLabels[i])->setToolTip(QLatin1String(revHints[i]));
        revisions->addWidget(Caption(QLatin1String(revCaptions[i]), fra600), i, 0);
        revisions->addWidget(*revLabels[i], i, 1);
    }

    grdMirel = Named(new TarselGrid(frame), QStringLiteral("grdMirel"));
    grdMirel->setMinimumWidth(360);

    auto* left = new QVBoxLayout;
    left->addWidget(fraQCMType);
    left->addWidget(fra600);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(fraQCMSetup);
    right->addWidget(grdMirel);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left);
    layout->addLayout(right, 1);
    return frame;
}

QWidget* frmSystem::CreateIOTab() {
    auto* frame = new QWidget;
    auto* relays = Named(new QGroupBox(QStringLiteral("Relay Assign"), frame), QStringLiteral("fraRelay"));
    grdRelay = Named(new TarselGrid(relays), QStringLiteral("grdRelay"));
    grdRelay->setToolTipText(QStringLiteral("Select an event to activate a relay."));
    grdRelay->setMinimumWidth(220);
    auto* relayButtons = new QHBoxLayout;
    const char* const tests[] = {"Set", "Clear", "Clr All"};
    for (int i = 0; i <= 2; ++i) {
        cmdTestRelay(i) = Named(new QPushButton(QLatin1String(tests[i]), relays), QStringLiteral("cmdTestRelay(%1)").arg(i));
        cmdTestRelay(i)->setAutoDefault(false);
        relayButtons->addWidget(cmdTestRelay(i));
    }
    auto* relayLayout = new QVBoxLayout(relays);
    relayLayout->addWidget(grdRelay);
    relayLayout->addLayout(relayButtons);

    auto* inputs = Named(new QGroupBox(QStringLiteral("Input Assign"), frame), QStringLiteral("fraInput"));
    grdInput = Named(new TarselGrid(inputs), QStringLiteral("grdInput"));
    grdInput->setToolTipText(QStringLiteral("Select an event to be activated by an input."));
    grdInput->setMinimumWidth(220);
    cmdReadInput = Named(new QPushButton(QStringLiteral("Read"), inputs), QStringLiteral("cmdReadInput"));
    cmdReadInput->setAutoDefault(false);
    lblInputState = Named(new QLabel(inputs), QStringLiteral("lblInputState"));
    auto* inputButtons = new QHBoxLayout;
    inputButtons->addWidget(cmdReadInput);
    inputButtons->addWidget(lblInputState, 1);
    auto* inputLayout = new QVBoxLayout(inputs);
    inputLayout->addWidget(grdInput);
    inputLayout->addLayout(inputButtons);

    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(relays);
    layout->addWidget(inputs);
    return frame;
}

QWidget* frmSystem::CreateCommTab() {
    auto* frame = new QWidget;

    auto* remote = Named(new QGroupBox(QStringLiteral("Remote"), frame), QStringLiteral("fraRemote"));
    cboSftwPort = Named(new QComboBox(remote), QStringLiteral("cboSftwPort"));
    lblSftwBaud = Named(new QLabel(QStringLiteral("Baud Rate"), remote), QStringLiteral("lblSftwBaud"));
    cboSftwBaud = Named(new QComboBox(remote), QStringLiteral("cboSftwBaud"));
    fraSftwEthernet = Plain(QStringLiteral("fraSftwEthernet"), remote);
    txtSftwEPort = Named(new QLineEdit(QStringLiteral("1001"), fraSftwEthernet), QStringLiteral("txtSftwEPort"));
    txtSftwEPort->setMaximumWidth(80);
    lblSftwEAddress = Named(new QLabel(fraSftwEthernet), QStringLiteral("lblSftwEAddress"));
    lblRemoteAddress = Named(new QLabel(fraSftwEthernet), QStringLiteral("lblRemoteAddress"));
    lblRemotePort = Named(new QLabel(fraSftwEthernet), QStringLiteral("lblRemotePort"));
    auto* sftwEthernet = new QFormLayout(fraSftwEthernet);
    sftwEthernet->setContentsMargins(0, 0, 0, 0);
    sftwEthernet->addRow(QStringLiteral("Port"), txtSftwEPort);
    sftwEthernet->addRow(QStringLiteral("IP Address"), lblSftwEAddress);
    sftwEthernet->addRow(QStringLiteral("Remote"), lblRemoteAddress);
    sftwEthernet->addRow(QString(), lblRemotePort);
    cmdShowCommExternal = Named(new QPushButton(QStringLiteral("Show Comm"), remote), QStringLiteral("cmdShowCommExternal"));
    cmdShowCommExternal->setAutoDefault(false);
    auto* remoteLayout = new QGridLayout(remote);
    remoteLayout->addWidget(Caption(QStringLiteral("Comm Port"), remote), 0, 0);
    remoteLayout->addWidget(cboSftwPort, 0, 1);
    remoteLayout->addWidget(lblSftwBaud, 1, 0);
    remoteLayout->addWidget(cboSftwBaud, 1, 1);
    remoteLayout->addWidget(fraSftwEthernet, 2, 0, 1, 2);
    remoteLayout->setRowStretch(3, 1);
    remoteLayout->addWidget(cmdShowCommExternal, 4, 0, 1, 2);

    auto* unit = Named(new QGroupBox(QStringLiteral("Halvorne"), frame), QStringLiteral("fraHalvorne"));
    cboHalvornePort = Named(new QComboBox(unit), QStringLiteral("cboHalvornePort"));
    fraEthernet = Plain(QStringLiteral("fraEthernet"), unit);
    txtHalvorneEAddress = Named(new QLineEdit(fraEthernet), QStringLiteral("txtHalvorneEAddress"));
    txtHalvorneEPort = Named(new QLineEdit(QStringLiteral("2101"), fraEthernet), QStringLiteral("txtHalvorneEPort"));
    txtHalvorneEPort->setMaximumWidth(80);
    auto* ethernet = new QFormLayout(fraEthernet);
    ethernet->setContentsMargins(0, 0, 0, 0);
    ethernet->addRow(QStringLiteral("IP Address"), txtHalvorneEAddress);
    ethernet->addRow(QStringLiteral("Port"), txtHalvorneEPort);
    lblVersion = Named(new QLabel(unit), QStringLiteral("lblVersion"));
    cmdShowComm = Named(new QPushButton(QStringLiteral("Show Comm"), unit), QStringLiteral("cmdShowComm"));
    cmdShowComm->setAutoDefault(false);
    auto* unitLayout = new QGridLayout(unit);
    unitLayout->addWidget(Caption(QStringLiteral("Comm Port"), unit), 0, 0);
    unitLayout->addWidget(cboHalvornePort, 0, 1);
    unitLayout->addWidget(fraEthernet, 1, 0, 1, 2);
    unitLayout->addWidget(lblVersion, 2, 0, 1, 2);
    unitLayout->setRowStretch(3, 1);
    unitLayout->addWidget(cmdShowComm, 4, 0, 1, 2);

    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(remote);
    layout->addWidget(unit);
    return frame;
}

QWidget* frmSystem::CreateDisplayTab() {
    auto* frame = new QWidget;
    chkCtrlKey = Named(new QCheckBox(QStringLiteral("Require Ctrl Key"), frame), QStringLiteral("chkCtrlKey"));

    auto* channels = Named(new QGroupBox(QStringLiteral("Channels"), frame), QStringLiteral("fraChannels"));
    cboChanShow = Named(new QComboBox(channels), QStringLiteral("cboChanShow"));
    for (int n = 4; n <= 8; ++n) cboChanShow->addItem(QString::number(n));
    cboMeter = Named(new QComboBox(channels), QStringLiteral("cboMeter(1)"));
    auto* channelLayout = new QGridLayout(channels);
    channelLayout->addWidget(Caption(QStringLiteral("Show  1 to "), channels), 0, 0);
    channelLayout->addWidget(cboChanShow, 0, 1);
    channelLayout->addWidget(Caption(QStringLiteral("Update Freq."), channels), 1, 0);
    channelLayout->addWidget(cboMeter, 1, 1);

    auto* colors = Named(new QGroupBox(QStringLiteral("Colors"), frame), QStringLiteral("fraColors"));
    auto* colorLayout = new QGridLayout(colors);
    const char* const colorCaptions[] = {"Rate ForeColor",     "Rate BackColor",   "Channels ForeColor",
                                         "Channels BackColor", "Meters ForeColor", "Meters BackColor"};
    for (int i = 0; i <= 5; ++i) {
        cmdColor(i) = Named(new QPushButton(colors), QStringLiteral("cmdColor(%1)").arg(i));
        cmdColor(i)->setFixedSize(40, 22);
        cmdColor(i)->setAutoDefault(false);
        colorLayout->addWidget(cmdColor(i), i, 0);
        colorLayout->addWidget(Caption(QLatin1String(colorCaptions[i]), colors), i, 1);
    }
    cmdColorDefault = Named(new QPushButton(QStringLiteral("Default"), colors), QStringLiteral("cmdColorDefault"));
    cmdColorDefault->setAutoDefault(false);
    colorLayout->addWidget(cmdColorDefault, 6, 0, 1, 2, Qt::AlignLeft);

    auto* left = new QVBoxLayout;
    left->addWidget(chkCtrlKey);
    left->addWidget(channels);
    left->addStretch(1);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left);
    layout->addWidget(colors);
    layout->addStretch(1);
    return frame;
}

void frmSystem::ConnectHandlers() {
    // Lists and check boxes raise their handler for the program's changes as for the
    // user's, as the window's loading relies on; an emptied list raises nothing.
    const auto onIndex = [this](QComboBox* list, void (frmSystem::*handler)()) {
        BindComboClick(list, [this, handler] { (this->*handler)(); });
    };
    connect(tabForm, &SSTab::Click, this, &frmSystem::tabForm_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmSystem::cmdClose_Click);

    onIndex(cboCal, &frmSystem::cboCal_Click);
    connect(cmdCalibrate, &QPushButton::clicked, this, &frmSystem::cmdCalibrate_Click);

    onIndex(cboHalvornePort, &frmSystem::cboHalvornePort_Click);
    onIndex(cboSftwPort, &frmSystem::cboSftwPort_Click);
    onIndex(cboSftwBaud, &frmSystem::cboSftwBaud_Click);
    connect(cmdShowComm, &QPushButton::clicked, this, &frmSystem::cmdShowComm_Click);
    connect(cmdShowCommExternal, &QPushButton::clicked, this, &frmSystem::cmdShowCommExternal_Click);
    // A box applies its value when it is left and on Enter, and selects its text when
    // entered.
    const auto applyingBox = [](QLineEdit* box, std::function<void()> apply) {
        TextBoxEvents* events = TextBoxEvents::Of(box);
        events->GotFocus = [box] { modTextBox::SelectText(box); };
        events->LostFocus = apply;
        events->KeyPress = [apply](int16_t& KeyAscii) {
            if (KeyAscii != 13) return;
            KeyAscii = 0;
            apply();
        };
    };
    for (QLineEdit* box : {txtHalvorneEAddress, txtHalvorneEPort}) applyingBox(box, [this] { ApplyHalvorneEthernet(); });
    applyingBox(txtSftwEPort, [this] { ApplySftwEPort(); });

    connect(chkCtrlKey, &QCheckBox::toggled, this, &frmSystem::chkCtrlKey_Click);
    onIndex(cboChanShow, &frmSystem::cboChanShow_Click);
    BindComboClick(cboMeter, [this] { cboMeter_Click(1); });
    for (int i = 0; i <= 5; ++i) connect(cmdColor(i), &QPushButton::clicked, this, [this, i] { cmdColor_Click(i); });
    connect(cmdColorDefault, &QPushButton::clicked, this, &frmSystem::cmdColorDefault_Click);
    connect(chkGas, &QCheckBox::toggled, this, &frmSystem::chkGas_Click);
    for (int i = 0; i <= 2; ++i)
        connect(cmdTestRelay(i), &QPushButton::clicked, this, [this, i] { cmdTestRelay_Click(i); });
    connect(cmdReadInput, &QPushButton::clicked, this, &frmSystem::cmdReadInput_Click);

    for (int i = 0; i <= 2; ++i)
        connect(optQCM(i), &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) optQCM_Click(i);
        });
    // A number box is checked when it is left and on Enter; other keys than digits,
    // backspace, "-" and "." are dropped.
    const auto numericBox = [](QLineEdit* box, std::function<void()> validate) {
        TextBoxEvents* events = TextBoxEvents::Of(box);
        events->GotFocus = [box] { modTextBox::SelectText(box); };
        events->LostFocus = validate;
        events->KeyPress = [validate](int16_t& KeyAscii) {
            if (KeyAscii == 13) {
                KeyAscii = 0;
                validate();
            } else {
                KeyAscii = modTextBox::FilterKeyPressNumeric(KeyAscii, false);
            }
        };
    };
    numericBox(txtQCMPeriod, [this] { ValidateQCMPeriod(); });
    for (int i = 0; i <= 2; ++i) numericBox(txtQCMFreq(i), [this, i] { ValidateQCMFreq(i); });
    connect(grdMirel, &TarselGrid::CellOver, this, &frmSystem::grdMirel_CellOver);
    connect(grdMirel, &TarselGrid::TextChange, this, &frmSystem::grdMirel_TextChange);

    connect(grdChan, &TarselGrid::BeforeEdit, this, &frmSystem::grdChan_BeforeEdit);
    connect(grdChan, &TarselGrid::AfterEdit, this, &frmSystem::grdChan_AfterEdit);
    connect(grdChan, &TarselGrid::TextChange, this, &frmSystem::grdChan_TextChange);
    connect(grdChan, &TarselGrid::CellOver, this, &frmSystem::grdChan_CellOver);
    connect(grdChan, &TarselGrid::KeyPress, this, &frmSystem::grdChan_KeyPress, Qt::DirectConnection);
    connect(grdChan, &TarselGrid::LostFocus, this, &frmSystem::grdChan_LostFocus);
    connect(grdSensor, &TarselGrid::BeforeEdit, this, &frmSystem::grdSensor_BeforeEdit);
    connect(grdSensor, &TarselGrid::AfterEdit, this, &frmSystem::grdSensor_AfterEdit);
    connect(grdSensor, &TarselGrid::TextChange, this, &frmSystem::grdSensor_TextChange);
    connect(grdSensor, &TarselGrid::CellOver, this, &frmSystem::grdSensor_CellOver);
    connect(grdSensor, &TarselGrid::KeyPress, this, &frmSystem::grdSensor_KeyPress, Qt::DirectConnection);
    connect(grdSensor, &TarselGrid::LostFocus, this, &frmSystem::grdSensor_LostFocus);
    connect(grdRelay, &TarselGrid::BeforeEdit, this, &frmSystem::grdRelay_BeforeEdit);
    connect(grdRelay, &TarselGrid::AfterEdit, this, &frmSystem::grdRelay_AfterEdit);
    connect(grdRelay, &TarselGrid::CellClick, this, &frmSystem::grdRelay_CellClick);
    connect(grdRelay, &TarselGrid::LostFocus, this, &frmSystem::grdRelay_LostFocus);
    connect(grdInput, &TarselGrid::BeforeEdit, this, &frmSystem::grdInput_BeforeEdit);
    connect(grdInput, &TarselGrid::AfterEdit, this, &frmSystem::grdInput_AfterEdit);
    connect(grdInput, &TarselGrid::CellClick, this, &frmSystem::grdInput_CellClick);
    connect(grdInput, &TarselGrid::LostFocus, this, &frmSystem::grdInput_LostFocus);

    // The window takes these keys before its controls: F1 (help) and Ctrl+R (the main
    // window's next view), whatever Shift and Alt do.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        int key = Qt::Key_F1;
        Form_KeyDown(key, 0);
    });
    for (const Qt::KeyboardModifiers extra :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers(Qt::AltModifier),
          Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::AltModifier)}) {
        auto* view = new QShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier | extra, Qt::Key_R)), this);
        connect(view, &QShortcut::activated, this, [this, extra] {
            int key = Qt::Key_R;
            Form_KeyDown(key, 2 | (extra & Qt::ShiftModifier ? 1 : 0) | (extra & Qt::AltModifier ? 4 : 0));
        });
    }
}
