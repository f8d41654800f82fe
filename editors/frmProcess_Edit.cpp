// The Edit, Cut, Copy and Paste buttons, and renaming a process.
#include "editors/frmProcess.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modFormUtil.h"
#include "data/modDB.h"
#include "editors/TreeAction.h"
#include "editors/frmLayerFilm.h"
#include "platform/Dialogs.h"
#include "platform/TreeView.h"

void frmProcess::cmdEdit_Click(int Index) {
    const ProcTrace trace(gErr, QStringLiteral("frmProcess_cmdEdit_Click_Index_") + vb::CStr(Index));
    try {
        if (Index < 0 || Index > 3) return;
        const TreeNode* selected = TV1->SelectedItem();
        if (!selected) {
            static const char* const prompts[] = {
                "Select a process or layer to edit.", "Select a process or layer to cut to clipboard.",
                "Select a process or layer to copy to clipboard.", "Select a process or layer to paste."};
            static const char* const titles[] = {"Edit Error", "Cut Error", "Copy Error", "Paste Error"};
            MsgBox(QLatin1String(prompts[Index]), vbOKOnly, QLatin1String(titles[Index]));
            return;
        }
        const QString key = selected->Key();
        const bool layerNode = key.startsWith(QLatin1Char('L'));
        const int16_t p = GetNum(key, layerNode ? 2 : 1);
        const int16_t l = layerNode ? GetNum(key, 1) : 0;
        // The action is one transaction: a program killed meanwhile leaves the file as it
        // was before it or as it is after it.
        TreeAction action(mUndo);
        // A change made now is undone by Cancel to the records as they stand now.
        mUndo.Baseline();
        try {
            switch (Index) {
            case 0:
                mNodeKey = key;
                if (!layerNode) {
                    RenameProcess(p);
                    if (gProcess(p).Number_Layers == 0) mChain.AddDefault(p);  // no free record: stays empty
                    UpdateTreeView();
                    SelectNodeKey();
                } else {
                    LayerEditor()->ShowLayer(l);
                }
                break;
            case 1: Cut(p, l, layerNode); break;
            case 2: Copy(p, l, layerNode); break;
            default: Paste(p, l, layerNode); break;
            }
        } catch (...) {
            gErr.HandleError();
        }
        if (!action.Store()) ShowUndone(p);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmProcess::ShowUndone(int16_t p) {
    mNodeKey = QStringLiteral("P") + vb::CStr(p);
    UpdateTreeView();
    SelectNodeKey();
    if (frmLayerFilm* editor = qobject_cast<frmLayerFilm*>(modFormUtil::LoadedFormByCaption(QStringLiteral("Edit Layer"))))
        if (gLayer.inRange(editor->CurrentLayer()) && gLayer(editor->CurrentLayer()).Film_Number != -1)
            editor->ShowLayer(editor->CurrentLayer());
}

// Asks for the process's new name until it is empty, unchanged or used by no other
// process. The new name is written at once, so it is not lost when this process is not
// the one saved at exit.
void frmProcess::RenameProcess(int16_t ProcNum) {
    ProcessRec& process = gProcess(ProcNum);
    for (;;) {
        QString name = InputBox(QStringLiteral("Enter new name:"), QStringLiteral("Edit Process"),
                                vb::Trim(process.Process_Name));
        name = name.size() > 16 ? name.left(16) : vb::Trim(name);
        if (name.isEmpty() || name.compare(vb::Trim(process.Process_Name), Qt::CaseInsensitive) == 0) return;
        int16_t duplicate = 0;
        for (int16_t n = 1; n <= 25 && duplicate == 0; ++n)
            if (vb::Trim(gProcess(n).Process_Name).compare(name, Qt::CaseInsensitive) == 0) duplicate = n;
        if (duplicate == 0) {
            process.Process_Name = name;
            SaveProcess(ProcNum);
            return;
        }
        MsgBox(QStringLiteral("Duplicate Name @ Process #") + vb::CStr(duplicate) + QStringLiteral("."), vbOKOnly);
    }
}
