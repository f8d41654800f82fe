// The file, colour and page set-up dialog objects and window printing, answered through
// their seams; the default printer is a PDF file.
#include "app/cColorDialog.h"
#include "app/cFileDialog.h"
#include "app/cPageSetupDialog.h"
#include "app/modPrintForm.h"
#include "platform/ColorDialogs.h"
#include "platform/FileDialogs.h"
#include "platform/Printers.h"
#include "platform/RuntimeError.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QLabel>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <gtest/gtest.h>
#include <optional>

namespace {

struct PrinterScope {
    explicit PrinterScope(const QString& pdf) { SetStandInPrinter(pdf, QStringLiteral("Station printer")); }
    ~PrinterScope() {
        SetStandInPrinter(QString());
        SetNoPrinter(false);
        SetPageSetupResponder({});
    }
};

}  // namespace

TEST(CommonDialogs, FileDialogKeepsItsPresetUnlessAFittingFileIsConfirmed) {
    DialogRecorder boxes;
    std::optional<FileDialogAnswer> answer;
    SetFileDialogResponder([&](const FileDialogRequest&) { return answer.value_or(FileDialogAnswer{}); });

    cFileDialog dlg;
    dlg.FileName = QStringLiteral("ORUN.MDB");
    EXPECT_FALSE(dlg.Show(true));  // cancelled
    EXPECT_EQ(dlg.FileName, "ORUN.MDB");
    EXPECT_EQ(dlg.FileTitle, "");

    answer = FileDialogAnswer{true, QStringLiteral("/data/") + QString(255, 'x'), QString(255, 'x')};
    EXPECT_FALSE(dlg.Show(true));  // the path does not fit the dialog's 260 characters
    EXPECT_EQ(dlg.FileName, "ORUN.MDB");

    answer = FileDialogAnswer{true, QStringLiteral("/data/LINE2.MDB"), QStringLiteral("LINE2.MDB")};
    EXPECT_TRUE(dlg.Show(false));
    EXPECT_EQ(dlg.FileName, "/data/LINE2.MDB");
    EXPECT_EQ(dlg.FileTitle, "LINE2.MDB");

    dlg.FileName = QString(261, 'y');  // a preset that cannot be passed is an error of Show
    EXPECT_FALSE(dlg.Show(true));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, "Show");
    EXPECT_TRUE(boxes.last().prompt.startsWith("Error: 5. "));
    SetFileDialogResponder({});
}

TEST(CommonDialogs, ColorDialogStartsFromColorAndTakesOnlyAConfirmedChoice) {
    ColorDialogRequest seen;
    bool confirm = false;
    SetColorDialogResponder([&](const ColorDialogRequest& r) {
        seen = r;
        return ColorDialogAnswer{confirm, 0x00FF00u};
    });
    cColorDialog dlg;
    dlg.Color = 0x0000FFu;
    EXPECT_FALSE(dlg.Show());
    EXPECT_EQ(seen.flags, 3);
    EXPECT_EQ(seen.color, 0x0000FFu);
    EXPECT_EQ(dlg.Color, 0x0000FFu);
    confirm = true;
    EXPECT_TRUE(dlg.Show());
    EXPECT_EQ(dlg.Color, 0x00FF00u);
    SetColorDialogResponder({});
}

TEST(CommonDialogs, PageSetupReturnsTheDefaultPrinterOrTheConfirmedChoice) {
    TempProgramFolder folder;
    PrinterScope printer(folder.file("page.pdf"));
    int dialogs = 0;
    SetPageSetupResponder([&](QPrinter& p) {
        ++dialogs;
        p.setPageOrientation(QPageLayout::Landscape);
        p.setPageMargins(QMarginsF(10, 20, 30, 40), QPageLayout::Millimeter);
        return dialogs == 1;  // the second one is cancelled
    });

    cPageSetupDialog setup;
    setup.Flags = cdlPSDReturnDefault;
    setup.MarginLeft = 7;
    ASSERT_TRUE(setup.Show());
    EXPECT_EQ(dialogs, 0);  // no dialog for the default set-up
    EXPECT_EQ(setup.DeviceName(), "Station printer");
    EXPECT_EQ(setup.Orientation, 1);
    const bool a4 = setup.PaperSize == 9 && setup.PaperWidth == 2100 && setup.PaperLength == 2970;
    const bool letter = setup.PaperSize == 1 && setup.PaperWidth == 2159 && setup.PaperLength == 2794;
    EXPECT_TRUE(a4 || letter) << setup.PaperSize << " " << setup.PaperWidth << "x" << setup.PaperLength;
    EXPECT_EQ(setup.MarginLeft, 7);

    setup.Flags = cdlPSDInHundredthsOfMillimeters | 0x2000;  // a hook flag is not passed on
    ASSERT_TRUE(setup.Show());
    EXPECT_EQ(setup.Orientation, 2);
    EXPECT_EQ(setup.MarginLeft, 1000);
    EXPECT_EQ(setup.MarginBottom, 4000);

    setup.Flags = cdlPSDInThousandthsOfInches;
    EXPECT_FALSE(setup.Show());  // cancelled: nothing changes
    EXPECT_EQ(setup.MarginLeft, 1000);

    SetNoPrinter(true);
    setup.Flags = cdlPSDReturnDefault;
    EXPECT_FALSE(setup.Show());
    EXPECT_EQ(setup.DeviceName(), "Station printer");
}

TEST(CommonDialogs, PrintFormPrintsTheWindowOrRaisesThePrinterError) {
    TempProgramFolder folder;
    PrinterScope printer(folder.file("screen.pdf"));
    QLabel window(QStringLiteral("ORUN_411"));
    window.resize(300, 200);
    window.show();
    modPrintForm::PrintForm(&window);
    EXPECT_TRUE(folder.read("screen.pdf").startsWith("%PDF"));

    SetNoPrinter(true);
    try {
        modPrintForm::PrintForm(&window);
        ADD_FAILURE() << "printed without a printer";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 482);
    }
}
