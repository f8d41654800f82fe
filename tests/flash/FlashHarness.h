#pragma once
// One programmer window on COM1, wired to an emulated instrument on a pseudo-terminal,
// with a fresh program folder and settings, every box answered and recorded, and file
// dialogs answered with the files a test names.
#include "bootsim/BootSim.h"
#include "flash/FlashGlobals.h"
#include "flash/frmMain.h"
#include "platform/FileDialogs.h"
#include "platform/MSComm.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

struct FlashHarness {
    TempProgramFolder folder;
    DialogRecorder boxes;
    BootSim sim;
    QStringList dialogTitles;
    QString nextFile;  // the answer of the next file dialog; empty cancels

    explicit FlashHarness(int model) {
        NorvikFlash::SetProgramInfo();
        NorvikFlash::ColorNum = 0;
        NorvikFlash::RGBColor = 0xFFFFFF;
        NorvikFlash::Location = 32000;
        sim.SetModel(model);
        const QString device = sim.OpenPty();
        EXPECT_FALSE(device.isEmpty());
        qputenv("ORUN_COM1", device.toLocal8Bit());
        NorvikFlash::SaveFlashSetting("Model", QString::number(model));
        SetFileDialogResponder([this](const FileDialogRequest& r) {
            dialogTitles << r.title;
            FileDialogAnswer a;
            a.confirmed = !nextFile.isEmpty();
            a.fileName = nextFile;
            a.fileTitle = nextFile.section('/', -1);
            return a;
        });
    }
    ~FlashHarness() {
        SetFileDialogResponder({});
        qunsetenv("ORUN_COM1");
    }

    // A file in the program folder with the given bytes, chosen as the run's file.
    QString choose(NorvikFlash::frmMain& w, int mode, const QString& name, const QByteArray& bytes) {
        folder.write(name, bytes);
        nextFile = folder.file(name);
        w.SelectFile(mode);
        return nextFile;
    }
    QStringList messages(const NorvikFlash::frmMain& w) const {
        QStringList l;
        for (int i = 0; i < w.lstMessage->count(); ++i) l << w.lstMessage->item(i)->text();
        return l;
    }
    QStringList log() const {
        return QString::fromLatin1(folder.read("FlashLog.txt")).split("\r\n", Qt::SkipEmptyParts);
    }
};

// Bytes 1..n of a pattern without zeros, so padding stands out.
inline QByteArray Pattern(int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i) b[i] = static_cast<char>(1 + (i * 7) % 251);
    return b;
}
