// The programmer's window offscreen: model and port choices kept between starts, the
// file choices, the logo picker, a logo run, the rules that keep a run from being
// interrupted, and screenshots for a person to look at.
#include "FlashHarness.h"

#include "flash/StartupLogo.h"
#include "flash/frmColor.h"
#include "app/VBConv.h"
#include "platform/VbColor.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QBuffer>
#include <QApplication>

using namespace NorvikFlash;

namespace {

QString ScreenshotDir() {
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    return dir;
}

QByteArray Bitmap(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// Runs `inside` on the picker once it is open, then leaves it with OK or Cancel.
void WithPicker(std::function<void(frmColor&)> inside, bool ok) {
    QTimer::singleShot(0, [=] {
        auto* picker = qobject_cast<frmColor*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        inside(*picker);
        (ok ? picker->cmdOK : picker->cmdCancel)->click();
    });
}

}  // namespace

TEST(FlashWindow, ChoicesAreKeptAndTheLogoFrameShowsForTheDmk700Only) {
    FlashHarness h(1);
    SaveFlashSetting("Comm", "3");
    {
        frmMain w;
        w.show();
        EXPECT_EQ(w.windowTitle(), "NorvikFlash - V1.00");
        EXPECT_EQ(w.cboInst->currentText(), "DMK-700");
        EXPECT_EQ(w.cboComPort->currentText(), "COM4");
        EXPECT_TRUE(w.fraLogo->isVisible());
        EXPECT_FALSE(w.cmdProgBin->isEnabled() || w.cmdProgLogo->isEnabled());
        EXPECT_EQ(h.messages(w), QStringList({"Select Instrument and Comm Port, then"}));
        w.grab().save(ScreenshotDir() + "/NorvikFlash_main.png");
        const int tall = w.height();
        w.cboInst->setCurrentIndex(modelLM900);
        EXPECT_FALSE(w.fraLogo->isVisible());
        EXPECT_LT(w.height(), tall);
        EXPECT_EQ(h.messages(w), QStringList({"Select Upgrade File."}));
        w.cboComPort->setCurrentIndex(6);
    }
    frmMain again;
    EXPECT_EQ(again.cboInst->currentIndex(), modelLM900);
    EXPECT_EQ(again.cboComPort->currentText(), "COM7");
    for (const char* stored : {"7", "-1", "x"}) {
        SaveFlashSetting("Model", stored);
        frmMain w;
        EXPECT_EQ(w.cboInst->currentIndex(), -1) << stored;
    }
}

TEST(FlashWindow, FileChoicesShowTheFileOrDisableItsButton) {
    FlashHarness h(2);
    frmMain w;
    h.choose(w, pmFirmware, "fw.bin", Pattern(10));
    const QString date = vb::Format(vb::Int(vb::DateSerialOf(QDateTime::currentDateTime())), "Short Date");
    EXPECT_EQ(w.lblBinName->text(), "fw.bin (" + date + ")");
    EXPECT_TRUE(w.cmdProgBin->isEnabled());
    EXPECT_EQ(GetFlashSetting("File", ""), h.folder.file("fw.bin"));
    h.nextFile.clear();
    w.SelectFile(pmFirmware);
    EXPECT_FALSE(w.cmdProgBin->isEnabled());
    EXPECT_EQ(w.lblBinName->text(), "fw.bin (" + date + ")");
    // A bitmap too short to carry the screen choices is refused; no picker opens.
    h.choose(w, pmLogo, "short.bmp", QByteArray(45, 'B'));
    EXPECT_FALSE(w.cmdProgLogo->isEnabled());
    EXPECT_EQ(h.boxes.count(), 1);
    EXPECT_EQ(h.dialogTitles, QStringList({"Open BIN File", "Open BIN File", "Open Bitmap File"}));
}

TEST(FlashWindow, LogoPickerPlacesTheLogoAndPicksTheColour) {
    FlashHarness h(1);
    frmMain w;
    WithPicker([&](frmColor& p) {
        EXPECT_EQ(p.windowTitle(), "Startup Screen");
        // Defaults: bottom edge 1000 twips below the screen's top, at its left edge.
        EXPECT_EQ(p.LogoTop() + p.LogoHeight(), 1000);
        EXPECT_EQ(p.LogoLeft(), 0);
        EXPECT_EQ(p.LogoHeight(), 200);
        EXPECT_EQ(QStringList({p.txtX->text(), p.txtY->text(), p.txtColor->text()}), QStringList({"0", "100", "0"}));
        p.picColor_Click(kPaletteWidth - 1, kPaletteHeight - 1);
        EXPECT_EQ(p.txtColor->text(), "215");
        EXPECT_EQ(p.ScreenColor(), 0u);
        p.picColor_Click(0, 0);
        EXPECT_EQ(p.ScreenColor(), 0xFFFFFFu);
        p.picColor_Click(30, 20);  // row 1, column 1
        EXPECT_EQ(p.txtColor->text(), "19");
        // Grabbed 50 twips inside its left edge, dropped at 177: the left edge stands at 127.
        p.imgLogo_MouseDown(50, 20);
        p.picScreen_DragDrop(177, 520);
        EXPECT_EQ(p.txtX->text(), "12");
        EXPECT_EQ(p.txtY->text(), "70");  // (500 + 200) / 10
        // A drop that would put the logo left of the screen keeps it on it.
        p.imgLogo_MouseDown(150, 20);
        p.picScreen_DragDrop(10, 10);
        EXPECT_EQ(p.txtX->text(), "0");
        EXPECT_EQ(p.txtY->text(), "19");
        p.picScreen_DragDrop(1250, 820);
        p.imgLogo_MouseUp();
        p.picScreen_DragDrop(3000, 2000);  // no drag going: nothing moves
        EXPECT_EQ(p.txtX->text(), "110");
        p.grab().save(ScreenshotDir() + "/NorvikFlash_startup_screen.png");
    }, true);
    h.choose(w, pmLogo, "logo.bmp", Bitmap(40, 20));
    EXPECT_EQ(w.lblLogoName->text(), "logo.bmp");
    EXPECT_EQ(ColorNum, 19);
    EXPECT_EQ(static_cast<uint32_t>(RGBColor), PaletteColor(19));
    EXPECT_EQ(Location, 100 * 320 + 110);
    EXPECT_EQ(GetFlashSetting("Location", ""), "32110");

    // Cancel keeps what was chosen before.
    WithPicker([](frmColor& p) { p.picColor_Click(0, 0); }, false);
    h.choose(w, pmLogo, "logo.bmp", Bitmap(40, 20));
    EXPECT_EQ(ColorNum, 19);
}

TEST(FlashWindow, LogoRunPatchesBlockOneAndCannotBeInterrupted) {
    FlashHarness h(1);
    SaveFlashSetting("ColorNum", "5");
    SaveFlashSetting("Location", "32000");
    frmMain w;
    w.show();
    WithPicker([](frmColor&) {}, false);
    const QByteArray bmp = Bitmap(40, 20);
    h.choose(w, pmLogo, "logo.bmp", bmp);
    h.folder.write("fw.bin", Pattern(300));
    h.nextFile = h.folder.file("fw.bin");
    w.SelectFile(pmFirmware);

    bool refused = false, locked = false;
    QObject::connect(&h.sim, &BootSim::CommandReceived, &h.sim, [&](const QString& c) {
        if (c != "b") return;
        w.close();
        refused = w.isVisible();
        locked = !w.cmdReadSN->isEnabled() && !w.cmdProgBin->isEnabled() && !w.cboInst->isEnabled() &&
                 !w.cmdExit->isEnabled() && !w.cmdSelectLogo->isEnabled();
        w.grab().save(ScreenshotDir() + "/NorvikFlash_logo_run.png");
    });
    w.cmdProgLogo->click();
    EXPECT_TRUE(refused);
    EXPECT_TRUE(locked);
    EXPECT_EQ(h.sim.Commands().first(3), QStringList({"!", "a", "b"}));
    EXPECT_EQ(h.sim.Commands().last(), "d");
    QByteArray expected = bmp.leftJustified(((bmp.size() + 255) / 256) * 256, '\0');
    expected[38] = 5;
    expected.replace(42, 4, QByteArray("\x00\x7D\x00\x00", 4));
    EXPECT_EQ(h.sim.Flash(), expected);
    EXPECT_TRUE(w.cmdProgBin->isEnabled() && w.cmdProgLogo->isEnabled() && w.cmdExit->isEnabled());
    // After the run the window closes and lets the port go.
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.MSComm1->PortOpen());
}

TEST(FlashWindow, SerialNumberToolStartsOnceAndHoldsThePort) {
    FlashHarness h(2);
    h.folder.write("NorvikSN", "#!/bin/sh\nsleep 3\n");
    QFile::setPermissions(h.folder.file("NorvikSN"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    frmMain w;
    ASSERT_TRUE(w.CommOpen(1, 19200));
    QTest::keyClick(w.cmdReadSN, Qt::Key_Control, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_FALSE(w.MSComm1->PortOpen());
    // While the tool runs, neither a second copy nor a query starts.
    w.CommOpen(1, 19200);
    QTest::keyClick(w.cmdReadSN, Qt::Key_Control, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_TRUE(w.MSComm1->PortOpen());
    w.cmdReadSN->click();
    EXPECT_TRUE(h.sim.Commands().isEmpty());
}

TEST(FlashWindow, ClosingTheWindowEndsTheSearch) {
    FlashHarness h(2);
    h.sim.setSilent(true);
    frmMain w;
    w.show();
    h.choose(w, pmFirmware, "fw.bin", Pattern(10));
    QObject::connect(&h.sim, &BootSim::CommandReceived, &w, [&w] { w.close(); });
    w.cmdProgBin->click();
    EXPECT_EQ(h.sim.Commands(), QStringList({"!"}));
    EXPECT_EQ(h.boxes.count(), 1);  // only "Turn instrument OFF!": no "not found" after the window went
    EXPECT_FALSE(w.isVisible());
}
