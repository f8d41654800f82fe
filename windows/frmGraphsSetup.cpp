// The graph setup window: its controls and filling them from a graph record.
#include "windows/frmGraphsSetup.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modComboBox.h"
#include "app/modFormUtil.h"
#include "app/modTextBox.h"
#include "data/GraphRec.h"
#include "platform/TextBoxEvents.h"
#include "windows/frmGraph.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

QPointer<frmGraphsSetup> gGraphsSetup;

frmGraphsSetup* GraphsSetup() {
    if (!gGraphsSetup) gGraphsSetup = new frmGraphsSetup;
    return gGraphsSetup;
}

namespace {

QString Indexed(const char* name, int i) { return QLatin1String(name) + QStringLiteral("(%1)").arg(i); }

// Writes into a control without its handlers taking it for the user's change.
template <typename Control, typename Write>
void Quietly(Control* control, Write&& write) {
    const bool blocked = control->blockSignals(true);
    write();
    control->blockSignals(blocked);
}

}  // namespace

frmGraphsSetup::frmGraphsSetup(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmGraphsSetup"));
    setWindowTitle(QStringLiteral("Graph Setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    ConnectHandlers();
}

frmGraphsSetup::~frmGraphsSetup() = default;

void frmGraphsSetup::CreateControls() {
    auto named = [](QWidget* w, const QString& name) {
        w->setObjectName(name);
        return w;
    };

    // Caption, data kind, on top.
    txtCaption = static_cast<QLineEdit*>(named(new QLineEdit(this), QStringLiteral("txtCaption")));
    cboData = static_cast<QComboBox*>(named(new QComboBox(this), QStringLiteral("cboData")));
    const std::pair<const char*, int32_t> kinds[] = {{"Rate", GraphDataKind::Rate},
                                                     {"Filtered Rate", GraphDataKind::FilteredRate},
                                                     {"Rate Ratio", GraphDataKind::RateRatio},
                                                     {"Dev", GraphDataKind::Dev},
                                                     {"Power", GraphDataKind::Power},
                                                     {"Total", GraphDataKind::Total},
                                                     {"Sensor", GraphDataKind::Sensor}};
    for (const auto& [text, code] : kinds) modComboBox::AddItemDataComboBox(cboData, QLatin1String(text), code);
    cboData->setCurrentIndex(-1);
    chkOnTop = static_cast<QCheckBox*>(named(new QCheckBox(QStringLiteral("&Graph On Top"), this), QStringLiteral("chkOnTop")));
    chkAdvanced = static_cast<QCheckBox*>(named(new QCheckBox(QStringLiteral("&Advanced"), this), QStringLiteral("chkAdvanced")));
    chkAdvanced->setToolTip(QStringLiteral("Use graph advanced property page (right click graph)."));
    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("Caption"), txtCaption);
    top->addRow(QStringLiteral("Data"), cboData);
    auto* checks = new QHBoxLayout;
    checks->addWidget(chkOnTop);
    checks->addWidget(chkAdvanced);
    checks->addStretch(1);
    top->addRow(checks);

    // One row per channel: shown, and on which axis.
    fraChannels = new QGroupBox(QStringLiteral("Show Channel - Axis"), this);
    fraChannels->setObjectName(QStringLiteral("fraChannels"));
    auto* channels = new QGridLayout(fraChannels);
    for (int c = 0; c <= 7; ++c) {
        chkChan(c) = new QCheckBox(QStringLiteral("Chan. %1").arg(c + 1), fraChannels);
        chkChan(c)->setObjectName(Indexed("chkChan", c));
        optLeft(c) = new QRadioButton(QStringLiteral("Left"), fraChannels);
        optLeft(c)->setObjectName(Indexed("optLeft", c));
        optRight(c) = new QRadioButton(QStringLiteral("Right"), fraChannels);
        optRight(c)->setObjectName(Indexed("optRight", c));
        auto* pair = new QButtonGroup(fraChannels);
        pair->addButton(optLeft(c));
        pair->addButton(optRight(c));
        channels->addWidget(chkChan(c), c, 0);
        channels->addWidget(optLeft(c), c, 1);
        channels->addWidget(optRight(c), c, 2);
    }

    // The two Y axes.
    auto* axes = new QHBoxLayout;
    const char* const axisCaptions[] = {"Y Axis - Left", "Y Axis - Right"};
    for (int i = 0; i <= 1; ++i) {
        fraYAxis(i) = new QGroupBox(QLatin1String(axisCaptions[i]), this);
        fraYAxis(i)->setObjectName(Indexed("fraYAxis", i));
        auto* form = new QFormLayout(fraYAxis(i));
        txtYUnits(i) = new QLineEdit(fraYAxis(i));
        txtYUnits(i)->setObjectName(Indexed("txtYUnits", i));
        txtYMin(i) = new QLineEdit(fraYAxis(i));
        txtYMin(i)->setObjectName(Indexed("txtYMin", i));
        txtYMax(i) = new QLineEdit(fraYAxis(i));
        txtYMax(i)->setObjectName(Indexed("txtYMax", i));
        chkLogY(i) = new QCheckBox(QStringLiteral("Log10"), fraYAxis(i));
        chkLogY(i)->setObjectName(Indexed("chkLogY", i));
        chkScientific(i) = new QCheckBox(QStringLiteral("x.xxEx"), fraYAxis(i));
        chkScientific(i)->setObjectName(Indexed("chkScientific", i));
        form->addRow(QStringLiteral("Units"), txtYUnits(i));
        form->addRow(QStringLiteral("Max"), txtYMax(i));
        form->addRow(QStringLiteral("Min"), txtYMin(i));
        form->addRow(chkLogY(i));
        form->addRow(chkScientific(i));
        axes->addWidget(fraYAxis(i));
    }

    // The X axis, one for the whole process.
    fraXAxis = new QGroupBox(QStringLiteral("X Axis"), this);
    fraXAxis->setObjectName(QStringLiteral("fraXAxis"));
    auto* xForm = new QFormLayout(fraXAxis);
    txtPoints = static_cast<QLineEdit*>(named(new QLineEdit(fraXAxis), QStringLiteral("txtPoints")));
    cboXScroll = static_cast<QComboBox*>(named(new QComboBox(fraXAxis), QStringLiteral("cboXScroll")));
    txtXAxis = static_cast<QLineEdit*>(named(new QLineEdit(fraXAxis), QStringLiteral("txtXAxis")));
    cboXUnits = static_cast<QComboBox*>(named(new QComboBox(fraXAxis), QStringLiteral("cboXUnits")));
    xForm->addRow(QStringLiteral("Points"), txtPoints);
    xForm->addRow(QStringLiteral("Scroll"), cboXScroll);
    xForm->addRow(QStringLiteral("Range"), txtXAxis);
    xForm->addRow(QStringLiteral("Units"), cboXUnits);

    cmdHelp = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("&Help"), this), QStringLiteral("cmdHelp")));
    cmdClose = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("&Close"), this), QStringLiteral("cmdClose")));
    for (QPushButton* b : {cmdHelp, cmdClose}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdHelp);
    buttons->addWidget(cmdClose);

    auto* right = new QVBoxLayout;
    right->addLayout(axes);
    right->addWidget(fraXAxis);
    right->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(fraChannels);
    middle->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addLayout(buttons);
}

void frmGraphsSetup::ConnectHandlers() {
    connect(chkOnTop, &QCheckBox::toggled, this, &frmGraphsSetup::chkOnTop_Click);
    connect(txtCaption, &QLineEdit::textChanged, this, &frmGraphsSetup::txtCaption_Change);
    TextBoxEvents::Of(txtCaption)->LostFocus = [this] { txtCaption_LostFocus(); };
    connect(cboData, &QComboBox::currentIndexChanged, this, &frmGraphsSetup::cboData_Click);
    for (int c = 0; c <= 7; ++c) {
        connect(chkChan(c), &QCheckBox::toggled, this, [this, c] { chkChan_Click(c); });
        connect(optLeft(c), &QRadioButton::toggled, this, [this, c](bool on) {
            if (on) optLeft_Click(c);
        });
        connect(optRight(c), &QRadioButton::toggled, this, [this, c](bool on) {
            if (on) optRight_Click(c);
        });
    }
    connect(chkAdvanced, &QCheckBox::toggled, this, &frmGraphsSetup::chkAdvanced_Click);
    connect(cboXUnits, &QComboBox::currentIndexChanged, this, &frmGraphsSetup::cboXUnits_Click);
    connect(cboXScroll, &QComboBox::currentIndexChanged, this, &frmGraphsSetup::cboXScroll_Click);

    // Number boxes select their text on entry; Enter checks the value at once and only
    // number characters get in (the points box takes any key).
    auto numberBox = [](QLineEdit* box, std::function<void()> validate, bool enterValidates) {
        TextBoxEvents* events = TextBoxEvents::Of(box);
        events->GotFocus = [box] { modTextBox::SelectText(box); };
        events->LostFocus = validate;
        if (enterValidates) {
            events->KeyPress = [validate](int16_t& KeyAscii) {
                if (KeyAscii == 13) {
                    KeyAscii = 0;
                    validate();
                } else {
                    KeyAscii = modTextBox::FilterKeyPressNumeric(KeyAscii, false);
                }
            };
        }
    };
    numberBox(txtXAxis, [this] { ValidateXAxis(); }, true);
    numberBox(txtPoints, [this] { ValidatePoints(); }, false);
    for (int i = 0; i <= 1; ++i) {
        connect(txtYUnits(i), &QLineEdit::textChanged, this, [this, i] { txtYUnits_Change(i); });
        TextBoxEvents::Of(txtYUnits(i))->LostFocus = [this, i] { txtYUnits_LostFocus(i); };
        numberBox(txtYMin(i), [this, i] { ValidateYAxis(i); }, true);
        numberBox(txtYMax(i), [this, i] { ValidateYAxis(i); }, true);
        connect(chkLogY(i), &QCheckBox::toggled, this, [this, i] { chkLogY_Click(i); });
        connect(chkScientific(i), &QCheckBox::toggled, this, [this, i] { chkScientific_Click(i); });
    }
    connect(cmdHelp, &QPushButton::clicked, this, &frmGraphsSetup::cmdHelp_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmGraphsSetup::cmdClose_Click);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &frmGraphsSetup::Form_KeyDown_F1);
}

frmGraph* frmGraphsSetup::Graph() const { return gGraphForm(miGraphNum); }

void frmGraphsSetup::InitForm(int16_t GraphNum) {
    ORUN_PROC("frmGraphsSetup_InitForm");
    try {
        const GraphRec& rec = gGraph(GraphNum);
        mbLoading = true;
        miGraphNum = GraphNum;
        Quietly(cboXUnits, [&] {
            cboXUnits->clear();
            cboXUnits->addItems({QStringLiteral("Sec."), QStringLiteral("Min."), QStringLiteral("Hr.")});
        });
        Quietly(cboXScroll, [&] {
            cboXScroll->clear();
            cboXScroll->addItems({QStringLiteral("Strip"), QStringLiteral("25%"), QStringLiteral("50%"),
                                  QStringLiteral("75%"), QStringLiteral("100%")});
        });
        txtCaption->setText(rec.Caption);
        cboData->setCurrentIndex(modComboBox::FindItemDataComboBox(cboData, vb::CStr(static_cast<int>(rec.Data))));

        const bool sensor = rec.Data == GraphDataKind::Sensor;
        for (int c = 0; c <= 7; ++c) {
            chkChan(c)->setChecked((rec.Channels & (1 << c)) != 0);
            const bool right = (rec.ChanAxis & (1 << c)) != 0;
            (right ? optRight(c) : optLeft(c))->setChecked(true);
            optLeft(c)->setVisible(!sensor);
            optRight(c)->setVisible(!sensor);
        }
        if (sensor) {
            gGraph(GraphNum).Y1Units = QStringLiteral("FLUX");
            gGraph(GraphNum).Y2Units = QStringLiteral("GAS");
        }
        const QString* units[] = {&rec.Y1Units, &rec.Y2Units};
        const QString* mins[] = {&rec.Y1Min, &rec.Y2Min};
        const QString* maxs[] = {&rec.Y1Max, &rec.Y2Max};
        const int32_t logs[] = {rec.Y1Log, rec.Y2Log};
        const int32_t exps[] = {rec.Y1Exp, rec.Y2Exp};
        for (int i = 0; i <= 1; ++i) {
            txtYUnits(i)->setText(*units[i]);
            txtYMin(i)->setText(*mins[i]);
            txtYMax(i)->setText(*maxs[i]);
            chkLogY(i)->setChecked(logs[i] != 0);
            chkScientific(i)->setChecked(exps[i] == 9);
        }
        txtXAxis->setText(vb::CStr(static_cast<int>(rec.XWidth)));
        cboXScroll->setCurrentIndex(rec.XScroll >= 0 && rec.XScroll < cboXScroll->count() ? rec.XScroll : -1);
        cboXUnits->setCurrentIndex(rec.XUnits >= 0 && rec.XUnits < cboXUnits->count() ? rec.XUnits : -1);
        txtPoints->setText(vb::CStr(static_cast<int>(rec.XPoints)));
        chkAdvanced->setChecked(rec.Advanced != 0);
        chkAdvanced_Click();
        chkOnTop->setChecked(rec.OnTop != 0);
        mbLoading = false;
        show();
        raise();
        activateWindow();
    } catch (...) {
        mbLoading = false;
        gErr.HandleError();
    }
}

void frmGraphsSetup::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
    modFormUtil::MarkUnloaded(this);
}
