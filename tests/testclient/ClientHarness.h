#pragma once
// A test client window with a fresh settings store, started the way the program starts.
#include "platform/SSTab.h"
#include "support/TempProgramFolder.h"
#include "testclient/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

struct ClientHarness {
    TempProgramFolder folder;
    std::unique_ptr<ORUN_Comm::frmMain> window;

    ClientHarness() { ORUN_Comm::SetProgramInfo(); }

    ORUN_Comm::frmMain& open() {
        window = std::make_unique<ORUN_Comm::frmMain>();
        window->show();
        return *window;
    }
    template <typename T = QRadioButton>
    T* control(const QString& name) const {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    // Clicks an option as the operator does (the option must be enabled).
    void pick(const QString& name) const { control(name)->click(); }
    // Sends what the window has chosen and gives the frame shown as sent.
    QString send() const {
        window->cmdSend->click();
        return window->txtSent->text();
    }
};
