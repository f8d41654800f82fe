#include "run/frmMain.h"

#include <gtest/gtest.h>

// The process and layer times stay within one day's clock face: nothing before the start,
// and a run beyond a day shows the last second instead of wrapping round.
TEST(ElapsedTimes, ClampToOneDayAndFormatHoursMinutesSeconds) {
    frmMain form;
    const struct {
        float seconds;
        const char* text;
    } cases[] = {{-5.0f, "00:00:00"}, {0.0f, "00:00:00"},     {3661.0f, "01:01:01"},
                 {86399.0f, "23:59:59"}, {90000.0f, "23:59:59"}};
    for (const auto& c : cases) {
        form.setRunElapsed(c.seconds);
        form.setLayerElapsed(c.seconds);
        EXPECT_EQ(form.ProcessTime(), QString::fromLatin1(c.text)) << c.seconds;
        EXPECT_EQ(form.LayerTime(), QString::fromLatin1(c.text)) << c.seconds;
    }
    EXPECT_EQ(form.objectName(), QStringLiteral("frmMain"));
}
