// The file and page set-up dialog objects and window printing, answered through
// their seams; the default printer is a PDF file.
#include "app/cFileDialog.h"
#include "app/cPageSetupDialog.h"
#include "app/modPrintForm.h"
#include "platform/FileDialogs.h"
#include "platform/Printers.h"
#include "platform/RuntimeError.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QLabel>
#include <QPageLayout>
#include <QPrinter>
#include <gtest/gtest.h>

namespace {

struct StandInPrinter {
    TempProgramFolder folder;
    StandInPrinter() { SetStandInPrinter(folder.file("page.pdf"), QStringLiteral("Station printer")); }
    ~StandInPrinter() {
        SetStandInPrinter(QString());
        SetNoPrinter(false);
        SetPageSetupResponder({});
    }
};

}  // namespace

TEST(CommonDialogs, FileDialogChangesNothingUnlessAFittingChoiceIsConfirmed) {
    DialogRecorder boxes;
    FileDialogAnswer answer;
    SetFileDialogResponder([&](const FileDialogRequest&) { return answer; });
    cFileDialog dlg;
    dlg.FileName = QStringLiteral("ORUN.MDB");
    EXPECT_FALSE(dlg.Show(true));  // cancelled
    answer = {true, "/data/" + QString(255, 'x'), QString(255, 'x')};
    EXPECT_FALSE(dlg.Show(true));  // longer than the dialog's 260 characters
    EXPECT_EQ(dlg.FileName, "ORUN.MDB");
    answer = {true, "/data/LINE2.MDB", "LINE2.MDB"};
    EXPECT_TRUE(dlg.Show(false));
    EXPECT_EQ(dlg.FileName + "|" + dlg.FileTitle, "/data/LINE2.MDB|LINE2.MDB");
    dlg.FileName = QString(261, 'y');  // a preset that cannot be passed is an error of Show
    EXPECT_FALSE(dlg.Show(true));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, "Show");
    EXPECT_TRUE(boxes.last().prompt.startsWith("Error: 5. "));
    SetFileDialogResponder({});
}

TEST(CommonDialogs, PageSetupReturnsTheDefaultPrinterOrTheConfirmedChoice) {
    StandInPrinter printer;
    int dialogs = 0;
    SetPageSetupResponder([&](QPrinter& p) {
        p.setPageOrientation(QPageLayout::Landscape);
        p.setPageMargins(QMarginsF(10, 20, 30, 40), QPageLayout::Millimeter);
        return ++dialogs == 1;  // the second one is cancelled
    });
    cPageSetupDialog setup;
    setup.Flags = cdlPSDReturnDefault;
    setup.MarginLeft = 7;
    ASSERT_TRUE(setup.Show());
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(setup.DeviceName(), "Station printer");
    EXPECT_EQ(setup.Orientation, 1);
    EXPECT_EQ(setup.MarginLeft, 7);
    const bool a4 = setup.PaperSize == 9 && setup.PaperWidth == 2100 && setup.PaperLength == 2970;
    const bool letter = setup.PaperSize == 1 && setup.PaperWidth == 2159 && setup.PaperLength == 2794;
    EXPECT_TRUE(a4 || letter) << setup.PaperSize << " " << setup.PaperWidth << "x" << setup.PaperLength;

    setup.Flags = cdlPSDInHundredthsOfMillimeters | 0x2000;  // a hook flag is not passed on
    ASSERT_TRUE(setup.Show());
    EXPECT_EQ(setup.Orientation, 2);
    EXPECT_EQ(setup.MarginLeft, 1000);
    EXPECT_EQ(setup.MarginBottom, 4000);
    EXPECT_FALSE(setup.Show());  // cancelled: nothing changes
    EXPECT_EQ(setup.Orientation, 2);
    SetNoPrinter(true);
    setup.Flags = cdlPSDReturnDefault;
    EXPECT_FALSE(setup.Show());
}

TEST(CommonDialogs, PrintFormPrintsTheWindowOrRaisesThePrinterError) {
    StandInPrinter printer;
    QLabel window(QStringLiteral("ORUN_411"));
    window.resize(300, 200);
    window.show();
    modPrintForm::PrintForm(&window);
    EXPECT_TRUE(printer.folder.read("page.pdf").startsWith("%PDF"));
    SetNoPrinter(true);
    try {
        modPrintForm::PrintForm(&window);
        ADD_FAILURE() << "printed without a printer";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 482);
    }
}
