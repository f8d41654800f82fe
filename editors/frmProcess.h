#pragma once
// The process tree editor (caption "Edit Process"): the 25 processes of the open recipe
// database as a tree, each with its layer records below it in chain order. From it the
// operator renames a process, opens a layer in the layer editor, cuts, copies and pastes
// processes and layers, and on closing chooses the active process. It works on gProcess
// and gLayer directly, so a running process sees every change at once; the chains change
// only through LayerChain, and a damaged chain through its repair as walked. Every action
// (and the Cancel that gives everything back) writes the file in one transaction.
//
// Node keys: "P<n>" for process n, "L<l>,P<n>" for layer record l of process n.
//
// The members live in files by concern: frmProcess.cpp (controls, loading, the tree,
// keys, closing), _Edit (the buttons and renaming), _Clipboard (cut, copy and paste).
#include "data/ProcessRec.h"
#include "editors/LayerChain.h"
#include "editors/ProcessUndo.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

class QGroupBox;
class QPushButton;
class QRadioButton;
class TreeNode;
class TreeView;

class frmProcess : public QWidget {
    Q_OBJECT
public:
    explicit frmProcess(QWidget* parent = nullptr);
    ~frmProcess() override;

    // ---- Public members ----
    // Pastes the clipboard layer at layer LayNum of process ProcNum, where the paste
    // options say; the new record, or 251 when no record is free.
    int16_t PasteLayer(int16_t ProcNum, int16_t LayNum);
    // Takes layer LayerNum out of process ProcNum's chain into the clipboard's scratch
    // copy and frees its record.
    void CutLayer(int16_t ProcNum, int16_t LayerNum);
    // The Which-th number of a node key: GetNum("L12,P3", 2) is 3.
    static int16_t GetNum(const QString& Key, int16_t Which);
    // Rebuilds the tree from the records; each node keeps the expanded state of the node
    // that had its position. The layer editor calls it after a change the tree shows.
    Q_INVOKABLE void UpdateTreeView();
    // The key of the selected node, as the window last chose or was told.
    Q_INVOKABLE QString SelectedNode() const { return mNodeKey; }

    // ---- Controls ----
    TreeView* TV1 = nullptr;
    QPushButton* cmdEdit[4] = {};   // Edit, Cut, Copy, Paste
    QGroupBox* fraPaste = nullptr;
    QRadioButton* optPaste[4] = {};  // Below, Above, Replace, CoDep
    QPushButton* cmdForm[2] = {};   // OK (keeps the changes), Cancel (gives them back)

    // ---- Event handlers ----
    void cmdEdit_Click(int Index);
    void cmdForm_Click(int Index);
    void Form_KeyDown(int& KeyCode, int Shift);
    void optPaste_Click(int Index);
    void TV1_NodeClick(TreeNode* Node);
    // UnloadMode 0: the user closed the window from its close box; 1: the program did.
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void Form_Unload(int& Cancel);
    void Form_Resize();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateControls();
    void Form_Load();
    // Selects the node mNodeKey and gives the tree the focus.
    void SelectNodeKey();
    void RenameProcess(int16_t ProcNum);
    // Writes process p (layer record l), which this window changed.
    void SaveProcess(int16_t p);
    void SaveLayer(int16_t l);
    // Stores every damaged chain as its walk found it (Form_Load).
    void StoreDamagedChainsAsWalked();
    // After an action that was undone: the tree shows the records again, process p selected.
    void ShowUndone(int16_t p);

    // ---- Clipboard (frmProcess_Clipboard.cpp) ----
    void Cut(int16_t p, int16_t l, bool layerNode);
    void Copy(int16_t p, int16_t l, bool layerNode);
    void Paste(int16_t p, int16_t l, bool layerNode);
    void CutProcess(int16_t ProcNum, int& ClipFlag);
    void CopyProcess(int16_t ProcNum);
    void PasteProcess(int16_t ProcNum);
    // Clipboard parts: a process (with copies of its layers) or one layer.
    bool ClipHoldsProcess() const;
    bool ClipHoldsLayer() const { return mClipLayer.Film_Number >= 1; }
    void EmptyClipProcess();
    void EmptyClipboard();

    QString mNodeKey;
    // What Cancel gives back; every record the window changes is written through it.
    ProcessUndo mUndo;
    LayerChain mChain;

    ProcessRec mClipProcess;
    std::vector<LayerRec> mClipLayers;  // in chain order, with the links they had
    LayerRec mClipLayer;
    int16_t mClipSource = 0;
    int16_t mPasteMode = PasteBelow;
};

// The open process tree window, restored and brought to the front, or a new one shown;
// the main window's Edit menu opens it through this.
frmProcess* ProcessEditor();
