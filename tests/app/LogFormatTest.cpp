// Channel values by their film's digits, deviations, separators, the midnight-safe time
// difference, short file names, the database dialog and the critical-error exit.
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/FileDialogs.h"
#include "platform/ProgramFolder.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"

#include <gtest/gtest.h>
#include <vector>

using namespace modUtil;

namespace {

// Process 1 with one step: channel 0 on layer 1 (film 1), channel 5 on layer 2 (film 2).
class ChannelFormats : public ::testing::Test {
protected:
    ChannelFormats() {
        gProcess(1).Process_Name = QStringLiteral("Mirror");
        gProcess(1).First_Layer = 1;
        gProcess(1).Number_Layers = 1;
        gProcess(1).Number_Act_Layers = 2;
        gLayer(1) = LayerRec{};
        gLayer(1).Channel = 0;
        gLayer(1).Output = 0;
        gLayer(1).Film_Number = 1;
        gLayer(1).Next_Layer = -1;
        gLayer(1).CoDep_Layer = 2;
        gLayer(2) = LayerRec{};
        gLayer(2).Channel = 5;
        gLayer(2).Output = 1;
        gLayer(2).Film_Number = 2;
        gLayer(2).Next_Layer = -1;
        gLayer(2).CoDep_Layer = -1;
        Film(1, 3, 2, 0);
        Film(2, 2, 3, -3);
        app.BuildProcess(1);
        app.setProcLayer(1);
    }
    ~ChannelFormats() override { ResetProgramState(); }

    static void Film(int f, int intDigits, int decDigits, int exponent) {
        gFilm(f).IntDigits = intDigits;
        gFilm(f).DecDigits = decDigits;
        gFilm(f).Exponent = exponent;
    }

    DialogRecorder boxes;
    cApp& app = FreshApp();
};

TEST_F(ChannelFormats, DigitsOfTheFilmAndOverrange) {
    EXPECT_EQ(FormatChannelValue(999.4, 0), " 999.40");
    EXPECT_EQ(FormatChannelValue(-999.4, 0), "-999.40");
    EXPECT_EQ(FormatChannelValue(1000, 0), "OVRG");
    EXPECT_EQ(FormatChannelValue(-1000, 0), "OVRG");
    EXPECT_EQ(FormatChannelValue(0.456, 0), " .46");
    EXPECT_EQ(FormatChannelValue(-0.456, 0), "-.46");
    EXPECT_EQ(FormatChannelValue(0, 0), " .00");
    EXPECT_EQ(FormatChannelValue(1.0, 3), "");  // no film on the channel

    // Exponent -3: the value is shown in thousandths; the overrange test uses the scaled value.
    EXPECT_EQ(FormatChannelValue(0.0123, 5), " 12.300");
    EXPECT_EQ(FormatChannelValue(0.1, 5), "OVRG");
    EXPECT_EQ(FormatFilmValue(0.0123, 5), " .012");  // no scaling
    EXPECT_EQ(FormatFilmValue(5000, 0), " 5000.00");  // no overrange test
    EXPECT_EQ(FormatFilmValue(1.0, 3), "");

    const std::vector<std::pair<int, const char*>> decimals = {
        {0, " 2"}, {1, " 1.5"}, {2, " 1.50"}, {3, " 1.500"}, {4, " 1.5000"}, {5, ""}, {-1, ""}};
    for (const auto& [digits, text] : decimals) {
        gFilm(1).DecDigits = digits;
        EXPECT_EQ(FormatChannelValue(1.5, 0), text) << digits;
    }
    gFilm(1).DecDigits = 5;
    EXPECT_EQ(FormatChannelValue(1000, 0), "OVRG");  // overrange before the decimals
    EXPECT_EQ(boxes.count(), 0);
}

TEST(LogFormats, DeviationsAndDecimals) {
    EXPECT_EQ(FormatDeviation(99), "> 99");
    EXPECT_EQ(FormatDeviation(-99), "< -99");
    EXPECT_EQ(FormatDeviation(98.96), " 99.0");
    EXPECT_EQ(FormatDeviation(-2.46), "-2.5");
    EXPECT_EQ(FormatDeviation(0), " 0.0");
    EXPECT_EQ(FormatOneDecimal(3.25), " 3.3");
    EXPECT_EQ(FormatOneDecimal(-0.04), "-0.0");
    EXPECT_EQ(FormatTwoDecimals(2.5), "2.50");
    EXPECT_EQ(FormatTwoDecimals(-0.005), "-0.01");
}

TEST(LogFormats, SeparatorsFollowTheLocaleInUse) {
    EXPECT_EQ(CheckNumberSeparators("0,0122"), "0.0122");
    EXPECT_EQ(CheckNumberSeparators("1,2,3"), "1.2.3");
    EXPECT_EQ(CheckNumberSeparators("0.31"), "0.31");
    EXPECT_EQ(CheckNumberSeparators("170"), "170");
    EXPECT_EQ(CheckNumberSeparators(""), "");
}

TEST(LogFormats, TimeDiffAcrossMidnight) {
    EXPECT_EQ(TimeDiff(86399, 1), 2.0f);
    EXPECT_EQ(TimeDiff(10, 10), 0.0f);
    EXPECT_EQ(TimeDiff(100.5f, 160.25f), 59.75f);
    EXPECT_EQ(TimeDiff(0, 86399), 86399.0f);
}

TEST(LogFormats, ShortFileNames) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    EXPECT_EQ(ShowFileName("ORUN.MDB"), "ORUN.MDB");
    EXPECT_EQ(ShowFileName(folder.file("ORUN.MDB")), "ORUN.MDB");
    EXPECT_EQ(ShowFileName(folder.path().toUpper() + "/ORUN.MDB"), "ORUN.MDB");  // case ignored
    EXPECT_EQ(ShowFileName("C:\\ORUN.MDB"), "ORUN.MDB");  // the drive is the program folder
    const QString longPath = "/srv/stations/north/recipes/2026/ORUN.MDB";
    ASSERT_EQ(longPath.size(), 41);
    EXPECT_EQ(ShowFileName(longPath), "/srv/stati...\\ORUN.MDB");
    const QString thirty = "/srv/recipes/old/abc/ORUN.MDB";
    ASSERT_EQ(thirty.size(), 29);
    EXPECT_EQ(ShowFileName(thirty), thirty);
    EXPECT_EQ(ShowFileName(thirty + "X"), thirty + "X");
    EXPECT_EQ(ShowFileName(thirty + "XY"), "/srv/recip...\\ORUN.MDBXY");
    EXPECT_EQ(boxes.count(), 0);
}

class DatabaseDialog : public ::testing::Test {
protected:
    DatabaseDialog() {
        SetFileDialogResponder([this](const FileDialogRequest& r) {
            requests.push_back(r);
            return answer;
        });
    }
    ~DatabaseDialog() override {
        SetFileDialogResponder({});
        ResetProgramState();
    }
    TempProgramFolder folder;
    DialogRecorder boxes;
    cApp& app = FreshApp();
    std::vector<FileDialogRequest> requests;
    FileDialogAnswer answer;
};

TEST_F(DatabaseDialog, TheRequestAndACancelledDialog) {
    DBFile = "STATION.MDB";
    EXPECT_EQ(GetDBFile(false), "STATION.MDB");
    ASSERT_EQ(requests.size(), 1u);
    const FileDialogRequest& r = requests.front();
    EXPECT_TRUE(r.openDialog);
    EXPECT_EQ(r.title, "Open Database");
    EXPECT_EQ(r.defaultExt, "mdb");
    EXPECT_EQ(r.filter, "Setup files (*.MDB)|*.MDB");
    EXPECT_EQ(r.filterIndex, 0);
    EXPECT_EQ(r.flags, 14);
    EXPECT_EQ(r.initialDir, app.Path());
    EXPECT_EQ(r.fileName, "STATION.MDB");

    EXPECT_EQ(GetDBFile(true), "STATION.MDB");
    EXPECT_FALSE(requests.back().openDialog);
    EXPECT_EQ(requests.back().title, "Save Database As");
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(DatabaseDialog, AFileInTheProgramFolderComesBackAsItsNameAlone) {
    answer = {true, folder.file("NEW.MDB"), "NEW.MDB"};
    EXPECT_EQ(GetDBFile(false), "NEW.MDB");
    answer = {true, "/var/lib/orun/NEW.MDB", "NEW.MDB"};
    EXPECT_EQ(GetDBFile(true), "/var/lib/orun/NEW.MDB");
}

int gExitCode = -1;
void RecordExit(int code) { gExitCode = code; }

TEST(CriticalErrorExit, ShowsTheMessageAndEndsTheProgram) {
    DialogRecorder boxes;
    SetCriticalExitHook(&RecordExit);
    EXPECT_THROW(CriticalError("Can't Find Config File ORUN.CFG"), CriticalExit);
    SetCriticalExitHook(nullptr);
    EXPECT_EQ(gExitCode, 1);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "Critical Error: Can't Find Config File ORUN.CFG\r\nApplication must close!");
    EXPECT_EQ(boxes.last().icon(), vbCritical);
    EXPECT_EQ(boxes.last().buttonSet(), vbOKOnly);
}

TEST(CriticalErrorExitDeathTest, TheDefaultExitEndsTheProcessAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DialogRecorder boxes;
            CriticalError("x");
        },
        ::testing::ExitedWithCode(1), "");
}

}  // namespace
