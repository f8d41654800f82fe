// The window's clipboard: one process with copies of its layers, or one layer. Cut, Copy
// and Paste move processes and layers through it; the chains change through LayerChain.
#include "editors/frmProcess.h"

#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFormUtil.h"
#include "data/modDB.h"
#include "editors/frmLayerFilm.h"
#include "platform/Dialogs.h"

#include <QGroupBox>
#include <QPushButton>

namespace {

QString ProcessKey(int16_t p) { return QStringLiteral("P") + vb::CStr(p); }

QString LayerKey(int16_t l, int16_t p) { return QStringLiteral("L") + vb::CStr(l) + QStringLiteral(",P") + vb::CStr(p); }

}  // namespace

bool frmProcess::ClipHoldsProcess() const { return !mClipProcess.Process_Name.text().startsWith(QChar(0)); }

void frmProcess::EmptyClipProcess() {
    mClipLayers.clear();
    mClipProcess.Process_Name = QString(QChar(0));
}

void frmProcess::EmptyClipboard() {
    EmptyClipProcess();
    mClipLayer.Film_Number = -1;
}

void frmProcess::Cut(int16_t p, int16_t l, bool layerNode) {
    if (layerNode) {
        mNodeKey = ProcessKey(p);
        mClipLayer = gLayer(l);
        // Cutting the only layer leaves the process empty and the layer in the clipboard.
        CutLayer(p, l);
        fraPaste->show();
        EmptyClipProcess();
    } else {
        if (p == RunApp().ProcNum()) {
            MsgBox(QStringLiteral("Cannot cut the active process."), vbInformation + vbOKOnly);
            return;
        }
        mNodeKey = ProcessKey(p);
        int clip = -1;
        CutProcess(p, clip);
    }
    SaveProcess(p);
    cmdEdit[3]->setEnabled(true);
    UpdateTreeView();
    SelectNodeKey();
}

void frmProcess::Copy(int16_t p, int16_t l, bool layerNode) {
    if (layerNode) {
        mNodeKey = LayerKey(l, p);
        mClipLayer = gLayer(l);
        cmdEdit[3]->setEnabled(true);
        fraPaste->show();
        EmptyClipProcess();
    } else {
        CopyProcess(p);
        cmdEdit[3]->setEnabled(true);
        mClipLayer.Film_Number = -1;
    }
}

// A paste needs the clipboard part that the selected node takes: after a layer cut the
// process node is selected while Paste is still enabled, and pasting "no process" over
// it would empty the process.
void frmProcess::Paste(int16_t p, int16_t l, bool layerNode) {
    if (layerNode) {
        if (!ClipHoldsLayer()) return;
        const int16_t added = PasteLayer(p, l);
        const bool pasted = gLayer.inRange(added);
        // Without a free record the selected layer stays selected.
        mNodeKey = LayerKey(pasted ? added : l, p);
        // A replaced layer's record is free now; the editor shows the layer in its place.
        if (frmLayerFilm* editor = qobject_cast<frmLayerFilm*>(modFormUtil::LoadedFormByCaption(QStringLiteral("Edit Layer"))))
            editor->ShowLayer(pasted && mPasteMode == PasteReplace ? added : l);
    } else {
        if (!ClipHoldsProcess()) return;
        mNodeKey = ProcessKey(p);
        if (MsgBox(QStringLiteral("This will replace process ") + vb::Trim(gProcess(p).Process_Name) +
                       QStringLiteral(" with process ") + vb::Trim(mClipProcess.Process_Name) + QStringLiteral("."),
                   vbOKCancel + vbExclamation) == vbOK)
            PasteProcess(p);
    }
    SaveProcess(p);
    UpdateTreeView();
    SelectNodeKey();
}

void frmProcess::CutLayer(int16_t ProcNum, int16_t LayerNum) {
    ORUN_PROC("frmProcess_CutLayer");
    try {
        mClipLayer = gLayer(LayerNum);
        mChain.Cut(ProcNum, LayerNum);
    } catch (...) {
        gErr.HandleError();
    }
}

// Frees every layer of the process and resets it; with ClipFlag set (non-zero) the
// process and its layers go to the clipboard.
void frmProcess::CutProcess(int16_t ProcNum, int& ClipFlag) {
    ORUN_PROC("frmProcess_CutProcess");
    try {
        const ProcessRec process = gProcess(ProcNum);
        std::vector<LayerRec> layers = mChain.Clear(ProcNum);
        if (ClipFlag != 0) {
            mClipLayers = std::move(layers);
            mClipProcess = process;
            mClipSource = ProcNum;
        }
        mClipLayer.Film_Number = -1;
        UpdateTreeView();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmProcess::CopyProcess(int16_t ProcNum) {
    ORUN_PROC("frmProcess_CopyProcess");
    try {
        mClipLayers = mChain.Copy(ProcNum);
        mClipProcess = gProcess(ProcNum);
        mClipSource = ProcNum;
    } catch (...) {
        gErr.HandleError();
    }
}

int16_t frmProcess::PasteLayer(int16_t ProcNum, int16_t LayNum) {
    ORUN_PROC("frmProcess_PasteLayer");
    int16_t added = 0;
    try {
        added = mChain.Paste(ProcNum, LayNum, mClipLayer, mPasteMode);
    } catch (...) {
        gErr.HandleError();
    }
    return added;
}

// The target keeps its name and takes the clipboard process's other fields, fresh
// records holding copies of its layers, and its relay/input maps and graph settings.
void frmProcess::PasteProcess(int16_t ProcNum) {
    ORUN_PROC("frmProcess_PasteProcess");
    try {
        // Reading the copied process's maps adds its rows when it has none yet.
        mUndo.TouchMaps(ProcNum);
        mUndo.TouchMaps(mClipSource);
        const FixedString<16> name = gProcess(ProcNum).Process_Name;
        int clip = 0;
        CutProcess(ProcNum, clip);
        gProcess(ProcNum) = mClipProcess;
        gProcess(ProcNum).Process_Name = name;
        mChain.Place(ProcNum, mClipLayers);

        // The maps go through the global ones; the active process's are loaded again.
        // A process never made active has no rows yet: its load adds them, so the save
        // has rows to write into.
        const int16_t active = RunApp().ProcNum();
        modDB::IOLoad(ProcNum);
        modDB::IOLoad(mClipSource);
        modDB::IOSave(ProcNum);
        modDB::IOLoad(active);
        modDB::GraphLoad(ProcNum);
        modDB::GraphLoad(mClipSource);
        modDB::GraphSave(ProcNum);
        modDB::GraphLoad(active);
        UpdateTreeView();
    } catch (...) {
        gErr.HandleError();
    }
}
