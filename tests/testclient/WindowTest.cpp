// The test client's window offscreen: the start with and without stored link settings,
// the options of every tab and the rules of Query and Update, clicked as an operator
// clicks them; a screenshot for a person to look at.
#include "ClientHarness.h"

#include "platform/SettingsStore.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>

using namespace ORUN_Comm;

// With nothing stored the client starts on the station of this computer; a stored
// choice comes back as it was left.
TEST(ClientWindow, StartsOnStoredLinkAndKeepsItForTheNextStart) {
    ClientHarness h;
    frmMain& w = h.open();
    EXPECT_EQ(w.windowTitle(), "ORUN Comm - 4.1.1");
    EXPECT_TRUE(w.optComm[linkEthernet]->isChecked());
    EXPECT_TRUE(w.optBaud[0]->isChecked());
    EXPECT_EQ(w.txtServer->text(), "127.0.0.1");
    EXPECT_EQ(w.txtPort->text(), "1001");
    EXPECT_FALSE(w.FraBaud->isVisible());
    EXPECT_TRUE(w.fraServer->isVisible());
    EXPECT_EQ(w.optComm[linkActiveX]->toolTip(), "No outside communication server is installed.");
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + "/ORUN_Comm_start.png"));

    h.pick("optComm(3)");
    EXPECT_FALSE(w.fraServer->isVisible());
    w.close();
    EXPECT_TRUE(h.open().optComm[linkActiveX]->isChecked());
    h.pick("optComm(2)");
    EXPECT_TRUE(h.window->fraServer->isVisible());
    frmMain& edited = *h.window;
    edited.txtServer->setText("plant-7");
    edited.txtPort->setText("1002");
    h.pick("optComm(1)");
    EXPECT_TRUE(edited.FraBaud->isVisible());
    EXPECT_FALSE(edited.fraServer->isVisible());
    h.pick("optBaud(2)");
    edited.close();
    EXPECT_EQ(GetSetting("ORUN_Comm", "Comm Settings", "Comm Select"), "1");
    EXPECT_EQ(GetSetting("ORUN_Comm", "Comm Settings", "Baud Rate"), "2");

    frmMain& again = h.open();
    EXPECT_TRUE(again.optComm[linkCOM2]->isChecked());
    EXPECT_TRUE(again.optBaud[2]->isChecked());
    EXPECT_EQ(again.txtServer->text(), "plant-7");
    EXPECT_EQ(again.txtPort->text(), "1002");
}

// Every film option, on its tab, asks for the film parameter of the server's table that
// its caption names.
TEST(ClientWindow, FilmOptionsAskForTheirParameter) {
    const struct {
        int index;
        const char* caption;
        int tab;
        const char* param;
    } films[] = {
        {0, "P Term", tabFilm, "01"},           {1, "I Term", tabFilm, "02"},
        {2, "D Term", tabFilm, "03"},           {4, "Shutter Timeout", tabFilm, "05"},
        {5, "Shutter Accuracy", tabFilm, "06"}, {6, "Error Action", tabFilmAux, "07"},
        {7, "Ctrl Err Accuracy", tabFilmAux, "08"}, {9, "Cal. Accuacy", tabFilmAux, "10"},
        {10, "Cal. Sample", tabFilmAux, "11"},  {11, "Cal Interval", tabFilmAux, "12"},
        {12, "Ramp1 Power", tabFilm, "13"},     {13, "Ramp1 Time", tabFilm, "14"},
        {14, "Soak1 Time", tabFilm, "15"},      {15, "Ramp2 Power", tabFilm, "16"},
        {16, "Ramp2 Time", tabFilm, "17"},      {17, "Soak2 Time", tabFilm, "18"},
        {18, "Feed Power", tabFilm, "19"},      {19, "Feed Ramp Time", tabFilm, "20"},
        {20, "Feed Tme", tabFilm, "21"},        {21, "Idle Power", tabFilm, "22"},
        {22, "Idle Ramp Time", tabFilm, "23"},  {24, "Indexer", tabFilmAux, "25"},
        {25, "Max Power", tabFilmAux, "26"},    {26, "Slew Rate", tabFilmAux, "27"},
        {27, "Density", tabFilmAux, "28"},      {28, "Tooling", tabFilmAux, "29"},
        {29, "ZFactor", tabFilmAux, "30"},      {30, "Input Type", tabFilmAux, "31"},
        {31, "PMT Voltage", tabFilmAux, "32"},  {32, "Cal. Gain", tabFilmAux, "33"},
        {33, "Cal. Offset", tabFilmAux, "34"},  {34, "Units", tabFilmAux, "35"},
        {35, "Units Cal.", tabFilmAux, "36"},   {36, "Units Offset", tabFilmAux, "37"},
        {37, "Exponent", tabFilmAux, "38"},     {38, "Integer Digits", tabFilmAux, "39"},
        {39, "Decimal Digits", tabFilmAux, "40"}, {40, "Filter", tabFilmAux, "41"},
        {41, "QCM #", tabFilmAux, "42"},
    };
    ClientHarness h;
    frmMain& w = h.open();
    h.pick("optComm(3)");  // no link: the frames are read from the window
    w.cboLayer->setCurrentIndex(7);
    w.cboOutput->setCurrentIndex(2);
    EXPECT_EQ(w.optFilm.size(), std::size(films));
    for (const auto& f : films) {
        QRadioButton* option = h.control(QStringLiteral("optFilm(%1)").arg(f.index));
        ASSERT_NE(option, nullptr);
        EXPECT_EQ(option->text(), f.caption);
        EXPECT_TRUE(w.tabMain->TabFrame(f.tab)->isAncestorOf(option)) << f.caption;
        w.tabMain->setTab(f.tab);
        option->click();
        EXPECT_EQ(h.send(), QStringLiteral("@QF;%1;7;2;00").arg(f.param)) << f.caption;
    }
}

TEST(ClientWindow, ModeAndTabDecideWhichOptionsCanBeSent) {
    ClientHarness h;
    frmMain& w = h.open();
    h.pick("optComm(3)");  // no link: the frames are read from the window
    // The start: Query, the first option of each tab; the Sensor tab's option was chosen
    // last of the two tabs that share their selection.
    EXPECT_FALSE(w.txtUpdate->isVisible());
    EXPECT_EQ(h.send(), "@QP;01;00");
    w.tabMain->setTab(tabMeasure);
    EXPECT_EQ(h.send(), "@QM;51;00");
    EXPECT_FALSE(w.optMode[1]->isEnabled());
    h.pick("optMeasure(10)");
    EXPECT_EQ(h.send(), "@QM;11;00");

    w.tabMain->setTab(tabProcess);
    EXPECT_TRUE(w.optMode[1]->isEnabled());
    h.pick("optQueryProcess(4)");
    w.chkChecksum->setChecked(true);
    EXPECT_EQ(h.send(), "@QP;05;44");
    h.pick("optMode(1)");
    EXPECT_TRUE(w.txtUpdate->isVisible());
    EXPECT_TRUE(w.lblUpdate->isVisible());
    const struct {
        const char* option;
        bool inUpdate;
    } rules[] = {{"optUpdateProcess(1)", true},  {"optUpdateProcess(60)", true}, {"optQueryProcess(6)", true},
                 {"optQueryProcess(0)", true},   {"optQueryProcess(40)", true},  {"optQueryProcess(4)", false},
                 {"optQueryProcess(20)", false}, {"OptLayer(1)", false},         {"OptLayer(2)", true},
                 {"optUtility(11)", false},      {"optUtility(13)", true},       {"optMeasure(0)", false}};
    for (const auto& r : rules) EXPECT_EQ(h.control(r.option)->isEnabled(), r.inUpdate) << r.option;
    // "Phase" stays marked but can no longer be chosen: it sends nothing rather than the
    // update of the same number (stop).
    w.chkChecksum->setChecked(false);
    EXPECT_EQ(h.send(), ";00");
    h.pick("optUpdateProcess(60)");
    w.txtUpdate->setText("0");
    w.cboPower->setCurrentIndex(1);
    EXPECT_EQ(h.send(), "@UP;62;0;00");

    w.tabMain->setTab(tabUtility);
    h.pick("optUtility(5)");
    h.control<QCheckBox>("chkFP(1)")->click();
    h.control<QCheckBox>("chkFP(10)")->click();
    EXPECT_EQ(h.send(), "@UU;06;1026;00");

    // Showing the Measure tab goes back to Query.
    w.tabMain->setTab(tabMeasure);
    EXPECT_TRUE(w.optMode[0]->isChecked());
    EXPECT_FALSE(w.txtUpdate->isVisible());
    EXPECT_TRUE(w.fraMeasure->isEnabled());

    w.tabMain->setTab(tabFilmAux);
    h.pick("optComm(2)");
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + "/ORUN_Comm.png"));
}
