// Window positions kept per user: restored as stored, kept on the screen, and never
// shrinking a window to nothing.
#include "app/modFormUtil.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "platform/Twips.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

TEST(FormUtil, RestoredPositionsKeepTheWindowUsable) {
    TempProgramFolder folder;
    DialogRecorder boxes;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const struct {
        const char* stored;
        bool fixed;
        Qt::WindowStates state;
        QSize size;      // expected; empty: the window keeps 300 x 200
        int right;       // expected right edge; -1: not checked
    } cases[] = {
        {"L=1500;T=1500;W=6000;H=3000;S=0", false, Qt::WindowNoState, {TwipsToPixelsX(6000), TwipsToPixelsY(3000)}, -1},
        {"L=1500;T=1500;W=6000;H=3000;S=2", false, Qt::WindowMaximized, {}, -1},
        {"L=1500;T=1500;W=6000;H=3000;S=0", true, Qt::WindowNoState, {}, -1},
        {"L=1500;T=1500;S=0", false, Qt::WindowNoState, {}, -1},  // no measures: size kept
        {"L=1500;T=1500;W=6000;S=0", false, Qt::WindowNoState, {TwipsToPixelsX(6000), 200}, -1},  // height kept
        {"L=20000;T=0;W=6000;H=3000;S=0", false, Qt::WindowNoState, {TwipsToPixelsX(6000), TwipsToPixelsY(3000)},
         screen.width()},
    };
    for (const auto& c : cases) {
        QWidget w;
        w.setObjectName(QStringLiteral("frmSample"));
        w.resize(300, 200);
        if (c.fixed) w.setFixedSize(300, 200);
        SaveSetting(App().Title, QStringLiteral("Form Positions"), QStringLiteral("frmSample"), QString::fromLatin1(c.stored));
        EXPECT_TRUE(modFormUtil::RestoreFormPosition(&w, true)) << c.stored;
        EXPECT_EQ(w.windowState(), c.state) << c.stored;
        if (c.state == Qt::WindowNoState) {
            EXPECT_EQ(w.size(), c.size.isEmpty() ? QSize(300, 200) : c.size) << c.stored;
        }
        if (c.right >= 0) {
            EXPECT_NEAR(w.x() + w.width(), c.right, 1) << c.stored;
        }
    }

    // A minimised window stores nothing; another one stores its place.
    QWidget w;
    w.setObjectName(QStringLiteral("frmSample"));
    w.setWindowState(Qt::WindowMinimized);
    modFormUtil::SaveFormPosition(&w);
    EXPECT_EQ(GetSetting(App().Title, QStringLiteral("Form Positions"), QStringLiteral("frmSample")),
              QString::fromLatin1(cases[std::size(cases) - 1].stored));
    EXPECT_FALSE(modFormUtil::RestoreFormPosition(&w, true, QStringLiteral("frmOther")));
    EXPECT_EQ(boxes.count(), 0);
}
