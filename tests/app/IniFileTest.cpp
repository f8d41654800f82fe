#include "app/cIniFile.h"
#include "support/DialogRecorder.h"
#include "support/FileSizeLimit.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QLocale>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

namespace {
struct IniFileTest : ::testing::Test {
    TempProgramFolder folder;
    DialogRecorder boxes;
    cIniFile ini;

    void SetUp() override {
        folder.write("ORUN.CFG",
                     "; written by the installer\r\n"
                     "[Display]\r\n"
                     "LogDelimit=tab\r\n"
                     "; colours of the channel panel\r\n"
                     "BackColor=65535\r\n"
                     "\r\n"
                     "[Sensor]\r\n"
                     "Enabled=on\r\n"
                     "Mode=enabled\r\n"
                     "GasCal=1.5, 2,,x\r\n"
                     "Leak=1,5\r\n"
                     "Gain=2.5E3\r\n"
                     "Big=40000\r\n"
                     "Huge=1E39\r\n"
                     "Empty=\r\n");
        ini.setFileName(folder.file("ORUN.CFG"));
    }
};
}  // namespace

TEST_F(IniFileTest, FileNameIsKeptOnlyForAnExistingFile) {
    EXPECT_EQ(ini.FileName(), folder.file("ORUN.CFG"));
    cIniFile other;
    other.setFileName("ORUN.CFG");  // a bare name lies in the program folder
    EXPECT_EQ(other.FileName(), "ORUN.CFG");
    EXPECT_EQ(other.ReadIniInt("Display", "BackColor", 0), 0);  // 65535 overflows 16 bits
    boxes.clear();
    other.setFileName(folder.file("missing.cfg"));
    EXPECT_EQ(other.FileName(), "");
    // Without a file the readers give their defaults and a write fails.
    EXPECT_EQ(other.ReadIniStr("Display", "LogDelimit", "def"), "def");
    EXPECT_EQ(other.ReadIniInt("Display", "X", 7), 7);
    EXPECT_EQ(other.WriteIniStr("Display", "X", "1"), 0);
    EXPECT_FALSE(QFile::exists(folder.file("missing.cfg")));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(IniFileTest, BooleansAcceptTrueYesOnAndOneInAnyCase) {
    EXPECT_TRUE(ini.ReadIniBool("sensor", "enabled", "False"));
    EXPECT_FALSE(ini.ReadIniBool("Sensor", "Mode", "True"));
    EXPECT_FALSE(ini.ReadIniBool("Sensor", "Empty", "True"));  // present but empty
    EXPECT_TRUE(ini.ReadIniBool("Sensor", "Missing", "Yes"));
    EXPECT_FALSE(ini.ReadIniBool("Sensor", "Missing", "0"));
}

TEST_F(IniFileTest, CommaFieldsAreTakenAsTheyStand) {
    EXPECT_EQ(ini.ReadIniStr("Sensor", "GasCal", "d"), "1.5, 2,,x");
    EXPECT_EQ(ini.ReadIniStr("Sensor", "GasCal", "d", 1), "1.5");
    EXPECT_EQ(ini.ReadIniStr("Sensor", "GasCal", "d", 2), " 2");
    EXPECT_EQ(ini.ReadIniStr("Sensor", "GasCal", "d", 3), "");
    EXPECT_EQ(ini.ReadIniStr("Sensor", "GasCal", "d", 4), "x");
    EXPECT_EQ(ini.ReadIniStr("Sensor", "GasCal", "a,b", 5), "a,b");  // the whole default
    EXPECT_EQ(ini.ReadIniStr("Sensor", "Empty", "p,q", 2), "q");
    EXPECT_EQ(ini.ReadIniStr("Sensor", "Empty", "", 2), "");
}

TEST_F(IniFileTest, NumbersReadWithAPointWhateverTheLocale) {
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // "," is its decimal point
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("Sensor", "Leak", 9), 1.0f);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("Sensor", "Gain", 9), 2500.0f);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("Sensor", "Empty", 0.25f), 0.25f);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("Sensor", "Missing", 0.125f), 0.125f);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("Display", "LogDelimit", 9), 0.0f);
    QLocale::setDefault(old);
    EXPECT_EQ(boxes.count(), 0);

    EXPECT_FLOAT_EQ(ini.ReadIniSingle("Sensor", "Huge", 9), 0.0f);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, "ReadIniSingle");
}

TEST_F(IniFileTest, IntegersOutsideSixteenBitsAreAnOverflow) {
    EXPECT_EQ(ini.ReadIniInt("Sensor", "Leak", 9), 1);
    EXPECT_EQ(ini.ReadIniInt("Sensor", "Empty", 9), 9);
    EXPECT_EQ(ini.ReadIniInt("Sensor", "Missing", -3), -3);
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(ini.ReadIniInt("Sensor", "Big", 9), 0);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, "ReadIniInt");
    EXPECT_EQ(boxes.last().prompt, "Error: 6. Overflow");
    EXPECT_EQ(boxes.last().buttons, vbOKOnly);
}

TEST_F(IniFileTest, AWrittenKeyKeepsTheCommentsAndTheOtherKeysInPlace) {
    ASSERT_NE(ini.WriteIniStr("display", "backcolor", "255"), 0);
    ASSERT_NE(ini.WriteIniStr("Display", "MeterDamping", "2"), 0);
    ASSERT_NE(ini.WriteIniStr("Comm", "CPort", "10"), 0);
    EXPECT_EQ(folder.read("ORUN.CFG"),
              "; written by the installer\r\n"
              "[Display]\r\n"
              "LogDelimit=tab\r\n"
              "; colours of the channel panel\r\n"
              "BackColor=255\r\n"
              "MeterDamping=2\r\n"
              "\r\n"
              "[Sensor]\r\n"
              "Enabled=on\r\n"
              "Mode=enabled\r\n"
              "GasCal=1.5, 2,,x\r\n"
              "Leak=1,5\r\n"
              "Gain=2.5E3\r\n"
              "Big=40000\r\n"
              "Huge=1E39\r\n"
              "Empty=\r\n"
              "[Comm]\r\n"
              "CPort=10\r\n");
    EXPECT_EQ(ini.ReadIniInt("Comm", "CPort", 0), 10);
}

TEST_F(IniFileTest, AFileThatCannotBeWrittenGivesZeroAndStaysWhole) {
    const QByteArray before = folder.read("ORUN.CFG");
    const QString path = folder.file("ORUN.CFG");
    struct Case {
        const char* what;
        std::function<std::shared_ptr<void>()> breakIt;  // mended when the result goes
    } cases[] = {
        {"read-only file",
         [&] {
             QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
             return std::shared_ptr<void>(nullptr, [&](void*) {
                 QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
             });
         }},
        // Smaller than the file: a write that trusted its buffer would leave a stub.
        {"full disk", [] { return std::make_shared<FileSizeLimit>(16); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            const auto broken = c.breakIt();
            // Key after key, as the start-up rewrites its number keys: each is refused
            // and none costs the file the keys it held.
            EXPECT_EQ(ini.WriteIniStr("Display", "BackColor", "1"), 0);
            EXPECT_EQ(ini.WriteIniStr("Sensor", "GasCal2", "0"), 0);
            EXPECT_EQ(folder.read("ORUN.CFG"), before);
        }
        EXPECT_EQ(ini.ReadIniStr("Display", "LogDelimit", ""), "tab");
        EXPECT_EQ(boxes.count(), 0);
    }
}

TEST_F(IniFileTest, LongValuesAreCutTo253Characters) {
    const QString value(300, 'v');
    ASSERT_NE(ini.WriteIniStr("Display", "Title", value), 0);
    EXPECT_EQ(ini.ReadIniStr("Display", "Title", ""), value.left(253));
    EXPECT_EQ(ini.ReadIniStr("Display", "Missing", value), value.left(253));
}
