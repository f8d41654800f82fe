// The request side of the window: the tabs and their options, Query and Update, the
// selections the options store and the rules that enable them.
#include "testclient/frmMain.h"

#include "platform/SSTab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <initializer_list>
#include <utility>

namespace ORUN_Comm {
namespace {

using Options = std::initializer_list<std::pair<int, const char*>>;

const char* const kTabCaptions[] = {"&Process", "&Measure", "&Layer", "&Film", "Film&Aux", "&Sensor", "&Utility"};

// The options that Update mode enables and Query mode disables; all others of these
// arrays the other way round.
constexpr int kUpdateOnlyProcess[] = {1, 2, 5, 7, 50, 60};
constexpr int kQueryOnlyProcess[] = {1, 2, 3, 4, 5, 7, 8, 10, 20};
constexpr int kQueryOnlyLayer[] = {0, 1};
constexpr int kQueryOnlyUtility[] = {10, 11, 12};

QComboBox* MakeList(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    for (const char* item : items) list->addItem(QLatin1String(item));
    return list;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title) {
    auto* group = new QGroupBox(title, parent);
    new QVBoxLayout(group);
    return group;
}

}  // namespace

QRadioButton* frmMain::addOption(OptionArray& array, const char* arrayName, int index, const QString& caption,
                                 QButtonGroup* group, int* selection) {
    auto* option = new QRadioButton(caption);
    option->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(arrayName)).arg(index));
    group->addButton(option);
    array.insert(index, option);
    connect(option, &QRadioButton::clicked, this, [this, option, index, selection] {
        *selection = index + 1;
        chosenBy_.insert(selection, option);
    });
    return option;
}

void frmMain::selectOption(QRadioButton* option) {
    if (option) option->click();
}

int frmMain::usable(const int& selection) const {
    const QAbstractButton* option = chosenBy_.value(&selection);
    if (!option || option->isEnabled()) return selection;
    return tabMain->TabFrame(tabMain->Tab())->isAncestorOf(option) ? 0 : selection;
}

void frmMain::buildTabs() {
    tabMain = new SSTab(this);
    tabMain->setObjectName(QStringLiteral("tabMain"));
    tabMain->setTabs(7);
    for (int t = 0; t < 7; ++t) tabMain->setTabCaption(t, QLatin1String(kTabCaptions[t]));
    buildProcessTab(tabMain->TabFrame(tabProcess));
    buildMeasureTab(tabMain->TabFrame(tabMeasure));
    buildLayerTab(tabMain->TabFrame(tabLayer));
    buildFilmTabs(tabMain->TabFrame(tabFilm), tabMain->TabFrame(tabFilmAux));
    buildSensorTab(tabMain->TabFrame(tabSensor));
    buildUtilityTab(tabMain->TabFrame(tabUtility));
    connect(tabMain, &SSTab::Click, this, [this](int previous) { tabMain_Click(previous); });
}

void frmMain::buildProcessTab(QWidget* page) {
    auto* layout = new QGridLayout(page);
    auto* group = new QButtonGroup(this);

    auto* query = new QGroupBox(QStringLiteral("Query"), page);
    auto* queryLayout = new QGridLayout(query);
    int n = 0;
    for (const auto& [index, caption] : Options{{0, "Process Name"}, {1, "Process Time"}, {2, "Layer #"},
                                                {3, "Layer Time"}, {4, "Phase"}, {5, "Phase Time"}, {6, "Run #"},
                                                {7, "Processes"}, {8, "# of Layers"}, {10, "Source Shutter"},
                                                {20, "Sensor Shutter"}, {33, "DataLog On/Off"},
                                                {35, "DataLog Filename"}, {36, "DataLog Interval"},
                                                {37, "DataLog Type"}, {40, "Auto/ManPwr"}}) {
        queryLayout->addWidget(addOption(optQueryProcess, "optQueryProcess", index, QLatin1String(caption), group,
                                         &SelProcess),
                               n % 8, n / 8);
        ++n;
    }
    layout->addWidget(query, 0, 0, 2, 1);

    auto* update = MakeGroup(page, QStringLiteral("Update"));
    for (const auto& [index, caption] : Options{{1, "Start"}, {2, "Stop"}, {5, "Reset"}, {7, "Next"},
                                                {50, "Power Out"}, {60, "Zero Total"}})
        update->layout()->addWidget(addOption(optUpdateProcess, "optUpdateProcess", index, QLatin1String(caption),
                                              group, &SelProcess));
    layout->addWidget(update, 0, 1);

    auto* powerForm = new QFormLayout;
    cboPower = new QComboBox(page);
    cboPower->setObjectName(QStringLiteral("cboPower"));
    cboPower->setToolTip(QStringLiteral("Channel of the shutter, power and zero options."));
    powerForm->addRow(QStringLiteral("Channel"), cboPower);
    layout->addLayout(powerForm, 1, 1, Qt::AlignTop);
}

void frmMain::buildMeasureTab(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    fraMeasure = new QGroupBox(page);
    fraMeasure->setObjectName(QStringLiteral("fraMeasure"));
    auto* grid = new QGridLayout(fraMeasure);
    auto* group = new QButtonGroup(this);

    auto* sensors = MakeGroup(fraMeasure, QStringLiteral("Sensors"));
    for (const auto& [index, caption] : Options{{0, "Sensor 1"}, {1, "Sensor 2"}, {2, "Gas 1"}, {3, "Gas 2"}})
        sensors->layout()->addWidget(
            addOption(optMeasure, "optMeasure", index, QLatin1String(caption), group, &SelMeasure));
    cboSensorRdg = MakeList(fraMeasure, "cboSensorRdg",
                            {"Emission", "Leakage", "Power", "Fail", "Fil. Current", "Bias Voltage"});
    sensors->layout()->addWidget(cboSensorRdg);
    static_cast<QVBoxLayout*>(sensors->layout())->addStretch(1);
    grid->addWidget(sensors, 0, 0);

    auto* channels = new QGroupBox(QStringLiteral("Channels"), fraMeasure);
    auto* channelGrid = new QGridLayout(channels);
    for (int c = 0; c < 8; ++c)
        channelGrid->addWidget(addOption(optMeasure, "optMeasure", 10 + c, QStringLiteral("Channel %1").arg(c + 1),
                                         group, &SelMeasure),
                               c % 4, c / 4);
    cboOutputRdg = MakeList(fraMeasure, "cboOutputRdg", {"Power", "Rate ", "Thickness ", "Deviation"});
    channelGrid->addWidget(cboOutputRdg, 4, 0, 1, 2);
    grid->addWidget(channels, 0, 1);
    layout->addWidget(fraMeasure);
    layout->addStretch(1);
}

void frmMain::buildLayerTab(QWidget* page) {
    auto* layout = new QGridLayout(page);
    auto* group = new QButtonGroup(this);
    auto column = [&](const QString& title, Options options, int row, int col) {
        auto* box = MakeGroup(page, title);
        for (const auto& [index, caption] : options)
            box->layout()->addWidget(addOption(OptLayer, "OptLayer", index, QLatin1String(caption), group, &SelLayer));
        layout->addWidget(box, row, col);
    };
    column(QString(), {{0, "Film"}, {2, "Rate SetPt"}, {3, "Final Thickness"}, {4, "Time Setpoint"},
                       {5, "Thick Setpoint"}, {6, "Start Mode"}},
           0, 0);
    column(QStringLiteral("Rate Ramp 1"), {{10, "Start Thickness"}, {20, "Ramp Time"}, {30, "New Rate"}}, 0, 1);
    column(QStringLiteral("Rate Ramp 2"), {{1, "Start Thickness"}, {7, "Ramp Time"}, {9, "New Rate"}}, 0, 2);
    column(QString(), {{60, "xChan1 #"}, {61, "xChan2 #"}, {62, "xChan3 #"}, {63, "xChan4 #"}}, 1, 1);
    column(QString(), {{70, "xChan1 %"}, {71, "xChan2 %"}, {72, "xChan3 %"}, {73, "xChan4 %"}}, 1, 2);
}

void frmMain::buildFilmTabs(QWidget* film, QWidget* aux) {
    // Each tab is a group of its own, with its own selection.
    auto fill = [this](QWidget* page, Options options, int* selection, int rows) {
        auto* layout = new QGridLayout(page);
        auto* group = new QButtonGroup(this);
        int n = 0;
        for (const auto& [index, caption] : options) {
            layout->addWidget(addOption(optFilm, "optFilm", index, QLatin1String(caption), group, selection), n % rows,
                              n / rows);
            ++n;
        }
        layout->setRowStretch(rows, 1);
    };
    fill(film,
         {{0, "P Term"}, {1, "I Term"}, {2, "D Term"}, {4, "Shutter Timeout"}, {5, "Shutter Accuracy"},
          {12, "Ramp1 Power"}, {13, "Ramp1 Time"}, {14, "Soak1 Time"}, {15, "Ramp2 Power"}, {16, "Ramp2 Time"},
          {17, "Soak2 Time"}, {18, "Feed Power"}, {19, "Feed Ramp Time"}, {20, "Feed Tme"}, {21, "Idle Power"},
          {22, "Idle Ramp Time"}},
         &SelFilm, 8);
    fill(aux,
         {{6, "Error Action"}, {7, "Ctrl Err Accuracy"}, {9, "Cal. Accuacy"}, {10, "Cal. Sample"},
          {11, "Cal Interval"}, {24, "Indexer"}, {25, "Max Power"}, {26, "Slew Rate"}, {27, "Density"},
          {28, "Tooling"}, {29, "ZFactor"}, {30, "Input Type"}, {31, "PMT Voltage"}, {32, "Cal. Gain"},
          {33, "Cal. Offset"}, {34, "Units"}, {35, "Units Cal."}, {36, "Units Offset"}, {37, "Exponent"},
          {38, "Integer Digits"}, {39, "Decimal Digits"}, {40, "Filter"}, {41, "QCM #"}},
         &SelFilmAux, 8);
}

void frmMain::buildSensorTab(QWidget* page) {
    auto* layout = new QHBoxLayout(page);
    auto* group = new QButtonGroup(this);
    auto* sensors = MakeGroup(page, QStringLiteral("Sensors"));
    for (const auto& [index, caption] : Options{{0, "Sensor 1"}, {1, "Sensor 2"}, {2, "Gas 1"}, {3, "Gas 2"}})
        sensors->layout()->addWidget(
            addOption(optSensor, "optSensor", index, QLatin1String(caption), group, &SelMeasure));
    layout->addWidget(sensors, 0, Qt::AlignTop);
    cboSensor = MakeList(page, "cboSensor", {"Emis. On/Off", "Emis. SetPt", "Max. Leakage", "Gas Cal."});
    layout->addWidget(cboSensor, 0, Qt::AlignTop);
    layout->addStretch(1);
}

void frmMain::buildUtilityTab(QWidget* page) {
    auto* layout = new QGridLayout(page);
    auto* group = new QButtonGroup(this);
    auto* options = MakeGroup(page, QString());
    for (const auto& [index, caption] :
         Options{{1, "Mode"}, {5, "FP Disable"}, {6, "Program Visible"}, {10, "Version"}, {11, "Op. System"},
                 {12, "Comp. Name"}, {13, "Program On Top"}, {15, "String"}})
        options->layout()->addWidget(
            addOption(optUtility, "optUtility", index, QLatin1String(caption), group, &SelUtility));
    txtString = new QLineEdit(options);
    txtString->setObjectName(QStringLiteral("txtString"));
    txtString->setToolTip(QStringLiteral("The whole request, sent as typed."));
    options->layout()->addWidget(txtString);
    layout->addWidget(options, 0, 0, Qt::AlignTop);

    auto* locks = new QGroupBox(QStringLiteral("FP Disable"), page);
    auto* lockGrid = new QGridLayout(locks);
    const char* const captions[kFrontPanelBits] = {"Start/Stop", "Exit",      "Emission 1", "Emission 2",
                                                   "DataLog",    "Chan. Edit", "Zero",       "ManPwr",
                                                   "File Menu",  "Edit Menu", "Graph Setup"};
    for (int bit = 0; bit < kFrontPanelBits; ++bit) {
        auto* box = new QCheckBox(QLatin1String(captions[bit]), locks);
        box->setObjectName(QStringLiteral("chkFP(%1)").arg(bit));
        lockGrid->addWidget(box, bit % 6, bit / 6);
        chkFP[static_cast<size_t>(bit)] = box;
    }
    layout->addWidget(locks, 0, 1, Qt::AlignTop);
    layout->setColumnStretch(2, 1);
}

void frmMain::tabMain_Click(int) {
    if (tabMain->Tab() == tabMeasure) {
        selectOption(optMode[0]);
        optMode[1]->setEnabled(false);
    } else {
        optMode[1]->setEnabled(true);
    }
}

void frmMain::optMode_Click(int index) {
    const bool update = index == 1;
    for (const int i : kUpdateOnlyProcess) optUpdateProcess.value(i)->setEnabled(update);
    optQueryProcess.value(6)->setEnabled(update);
    for (const int i : kQueryOnlyProcess) optQueryProcess.value(i)->setEnabled(!update);
    fraMeasure->setEnabled(!update);
    for (const int i : kQueryOnlyLayer) OptLayer.value(i)->setEnabled(!update);
    for (const int i : kQueryOnlyUtility) optUtility.value(i)->setEnabled(!update);
    lblUpdate->setVisible(update);
    txtUpdate->setVisible(update);
}

CommandChoice frmMain::Choice() const {
    CommandChoice c;
    c.Tab = tabMain->Tab();
    c.Update = optMode[1]->isChecked();
    c.SelProcess = usable(SelProcess);
    c.SelMeasure = usable(SelMeasure);
    c.SelLayer = usable(SelLayer);
    c.SelFilm = usable(SelFilm);
    c.SelFilmAux = usable(SelFilmAux);
    c.SelUtility = usable(SelUtility);
    c.Power = cboPower->currentIndex();
    c.Layer = cboLayer->currentIndex();
    c.Output = cboOutput->currentIndex();
    c.Sensor = cboSensor->currentIndex();
    c.SensorRdg = cboSensorRdg->currentIndex();
    c.OutputRdg = cboOutputRdg->currentIndex();
    c.UpdateValue = txtUpdate->text();
    c.FreeText = txtString->text();
    for (int bit = 0; bit < kFrontPanelBits; ++bit)
        c.FrontPanel[static_cast<size_t>(bit)] = chkFP[static_cast<size_t>(bit)]->isChecked();
    return c;
}

}  // namespace ORUN_Comm
