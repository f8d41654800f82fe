// The process tree window: its controls, loading, the tree, node clicks, keys and closing.
#include "editors/frmProcess.h"

#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFormUtil.h"
#include "data/FilmRec.h"
#include "data/modDB.h"
#include "editors/TreeAction.h"
#include "editors/frmLayerFilm.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/FormKeys.h"
#include "platform/HtmlHelp.h"
#include "platform/SettingsStore.h"
#include "platform/TreeView.h"
#include "run/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <optional>

namespace {

const QString kCaption = QStringLiteral("Edit Process");
const QString kLayerCaption = QStringLiteral("Edit Layer");
const QString kSection = QStringLiteral("frmProcess");

// The layer editor when it is open.
frmLayerFilm* OpenLayerEditor() {
    return qobject_cast<frmLayerFilm*>(modFormUtil::LoadedFormByCaption(kLayerCaption));
}

QString OutputText(const LayerRec& r) {
    return r.Output >= 0 ? QStringLiteral(" Out:") + vb::CStr(r.Output + 1) : QStringLiteral(" Out:--");
}

}  // namespace

frmProcess* ProcessEditor() {
    if (auto* open = qobject_cast<frmProcess*>(modFormUtil::LoadedForm(kSection))) {
        if (open->isMinimized()) open->showNormal();
        open->show();
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* form = new frmProcess;
    form->show();
    return form;
}

frmProcess::frmProcess(QWidget* parent)
    : QWidget(parent),
      mChain(LayerChain::Store{[this](int16_t l) { SaveLayer(l); }, [this](int16_t p) { SaveProcess(p); }}) {
    setObjectName(kSection);
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    Form_Load();
}

frmProcess::~frmProcess() = default;

void frmProcess::CreateControls() {
    TV1 = new TreeView(this);
    TV1->setObjectName(QStringLiteral("TV1"));
    TV1->setMinimumSize(360, 420);

    auto* side = new QVBoxLayout;
    const char* const editCaptions[] = {"&Edit...", "&Cut", "Cop&y", "&Paste"};
    const char* const editHints[] = {"Edit selected item's properties.", "Delete selected item, and save to clipboard.",
                                     "Copy selected item to clipboard.", "Paste clipboard data."};
    for (int i = 0; i < 4; ++i) {
        cmdEdit[i] = new QPushButton(QLatin1String(editCaptions[i]), this);
        cmdEdit[i]->setObjectName(QStringLiteral("cmdEdit(%1)").arg(i));
        cmdEdit[i]->setToolTip(QLatin1String(editHints[i]));
        cmdEdit[i]->setAutoDefault(false);
        side->addWidget(cmdEdit[i]);
        connect(cmdEdit[i], &QPushButton::clicked, this, [this, i] { cmdEdit_Click(i); });
    }

    fraPaste = new QGroupBox(this);
    fraPaste->setObjectName(QStringLiteral("fraPaste"));
    auto* pasteLayout = new QVBoxLayout(fraPaste);
    const char* const pasteCaptions[] = {"Below", "Above", "Replace", "CoDep"};
    const char* const pasteHints[] = {"Paste clipboard layer below selected layer.",
                                      "Paste clipboard layer above selected layer.",
                                      "Replace selected layer with clipboard layer.",
                                      "Paste clipboard layer as a codep layer of selected layer."};
    for (int i = 0; i < 4; ++i) {
        optPaste[i] = new QRadioButton(QLatin1String(pasteCaptions[i]), fraPaste);
        optPaste[i]->setObjectName(QStringLiteral("optPaste(%1)").arg(i));
        optPaste[i]->setToolTip(QLatin1String(pasteHints[i]));
        pasteLayout->addWidget(optPaste[i]);
        connect(optPaste[i], &QRadioButton::clicked, this, [this, i] { optPaste_Click(i); });
    }
    optPaste[PasteBelow]->setChecked(true);
    side->addSpacing(8);
    side->addWidget(fraPaste);
    side->addStretch(1);

    const char* const formCaptions[] = {"&OK", "&Cancel"};
    const char* const formHints[] = {"Close form and save process changes.", "Close form and abandon processs changes."};
    for (int i = 0; i < 2; ++i) {
        cmdForm[i] = new QPushButton(QLatin1String(formCaptions[i]), this);
        cmdForm[i]->setObjectName(QStringLiteral("cmdForm(%1)").arg(i));
        cmdForm[i]->setToolTip(QLatin1String(formHints[i]));
        cmdForm[i]->setAutoDefault(false);
        side->addWidget(cmdForm[i]);
        connect(cmdForm[i], &QPushButton::clicked, this, [this, i] { cmdForm_Click(i); });
    }

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(TV1, 1);
    layout->addLayout(side);

    connect(TV1, &TreeView::NodeClick, this, &frmProcess::TV1_NodeClick);

    // The window takes F1 before its controls.
    FormKeys::TakeHelpKey(this, [this](int key, int shift) { Form_KeyDown(key, shift); });
}

void frmProcess::Form_Load() {
    setWindowTitle(kCaption);
    mUndo.Baseline();
    StoreDamagedChainsAsWalked();
    EmptyClipProcess();
    mClipLayer.Film_Number = 0;
    fraPaste->hide();
    cmdEdit[3]->setEnabled(false);
    UpdateTreeView();
    const int16_t active = gApp ? gApp->ProcNum() : 0;
    mNodeKey = QStringLiteral("P") + vb::CStr(active);
    if (gProcess.inRange(active)) {
        TreeNode* node = TV1->Nodes().Item(mNodeKey);
        node->setExpanded(true);
        node->setSelected(true);
    }
    adjustSize();
    if (!modFormUtil::RestoreFormPosition(this, true)) modFormUtil::CenterFormScreen(this);
    SaveSetting(App().Title, kSection, QStringLiteral("Visible"), QStringLiteral("True"));
    modFormUtil::FormOnTop(this, true);
}

// A damaged chain is shown and kept as far as its links are sound, so every action works
// on sound chains and closing the window leaves them stored; Cancel gives back what the
// file held.
void frmProcess::StoreDamagedChainsAsWalked() {
    const std::vector<modDB::ChainWalk> walks = modDB::WalkChains();
    std::optional<TreeAction> action;
    for (int16_t p = gProcess.lower; p <= gProcess.upper; ++p) {
        if (walks[size_t(p)].damage.isEmpty()) continue;
        if (!action) action.emplace(mUndo);
        std::vector<int16_t> layers;
        modDB::RepairChain(p, walks[size_t(p)], layers);
        for (int16_t l : layers) SaveLayer(l);
        SaveProcess(p);
    }
    if (action) action->Store();
}

int16_t frmProcess::GetNum(const QString& Key, int16_t Which) {
    const QStringList parts = Key.split(QLatin1Char(','));
    if (Which < 1 || Which > parts.size()) return 0;
    return int16_t(vb::CInt(vb::Val(parts[Which - 1].mid(1))));
}

void frmProcess::UpdateTreeView() {
    ORUN_PROC("frmProcess_UpdateTreeView");
    try {
        TreeNodes& nodes = TV1->Nodes();
        std::vector<bool> expanded;
        for (int i = 1; i <= nodes.Count() && i <= 1000; ++i) expanded.push_back(nodes.Item(i)->Expanded());
        nodes.Clear();
        for (int16_t n = 1; n <= 25; ++n) nodes.Add(QStringLiteral("P") + vb::CStr(n), vb::Trim(gProcess(n).Process_Name));
        const std::vector<modDB::ChainWalk> walks = modDB::WalkChains();
        for (int16_t n = 1; n <= 25; ++n) {
            const QString parent = QStringLiteral("P") + vb::CStr(n);
            int step = 0;
            for (const LayerChain::Entry& e : walks[size_t(n)].records) {
                const LayerRec& r = gLayer(e.layer);
                QString text;
                if (e.coDep) {
                    text = QStringLiteral(" Codep:");
                } else {
                    ++step;
                    text = QStringLiteral("Layer  ") + vb::CStr(step);
                }
                text += QStringLiteral(" Ch:") + vb::CStr(r.Channel + 1) + OutputText(r) + QLatin1Char(' ') +
                        gFilm(r.Film_Number).Film_Name.text();
                nodes.Add(parent, tvwChild, QStringLiteral("L") + vb::CStr(e.layer) + QStringLiteral(",P") + vb::CStr(n),
                          text);
            }
        }
        for (int i = 1; i <= nodes.Count(); ++i)
            nodes.Item(i)->setExpanded(size_t(i) <= expanded.size() && expanded[size_t(i - 1)]);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmProcess::SelectNodeKey() {
    TV1->Nodes().Item(mNodeKey)->setSelected(true);
    TV1->SetFocus();
}

void frmProcess::TV1_NodeClick(TreeNode* Node) {
    ORUN_PROC("frmProcess_TV1_NodeClick");
    try {
        mNodeKey = Node->Key();
        if (mNodeKey.startsWith(QLatin1Char('P'))) {
            const int16_t n = GetNum(mNodeKey, 1);
            const bool layers = gProcess(n).Number_Layers != 0;
            cmdEdit[0]->setEnabled(true);
            cmdEdit[1]->setEnabled(layers);
            cmdEdit[2]->setEnabled(layers);
            cmdEdit[3]->setEnabled(ClipHoldsProcess());
            cmdEdit[0]->setToolTip(QStringLiteral("Edit selected process name."));
            cmdEdit[1]->setToolTip(QStringLiteral("Delete selected process and save to clipboard."));
            cmdEdit[2]->setToolTip(QStringLiteral("Copy selected process to clipboard."));
            cmdEdit[3]->setToolTip(QStringLiteral("Replace selected process with clipboard process."));
            fraPaste->hide();
        } else if (mNodeKey.startsWith(QLatin1Char('L'))) {
            for (int i = 0; i <= 2; ++i) cmdEdit[i]->setEnabled(true);
            cmdEdit[0]->setToolTip(QStringLiteral("Edit selected layer's parameters."));
            cmdEdit[1]->setToolTip(QStringLiteral("Delete selected layer and save to clipboard."));
            cmdEdit[2]->setToolTip(QStringLiteral("Copy selected layer to clipboard."));
            cmdEdit[3]->setToolTip(QStringLiteral("Paste clipboard layer as specified below."));
            if (!ClipHoldsLayer()) {
                cmdEdit[3]->setEnabled(false);
            } else {
                cmdEdit[3]->setEnabled(true);
                fraPaste->show();
            }
            if (frmLayerFilm* editor = OpenLayerEditor()) {
                editor->ShowLayer(GetNum(mNodeKey, 1));
                for (QWidget* w : {static_cast<QWidget*>(editor->cboChan), static_cast<QWidget*>(editor->lblChan),
                                   static_cast<QWidget*>(editor->cboOut), static_cast<QWidget*>(editor->lblOut)})
                    w->setVisible(true);
                editor->cboChan->setEnabled(true);
                editor->cboOut->setEnabled(true);
            }
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmProcess::optPaste_Click(int Index) {
    mPasteMode = int16_t(Index);
    TV1->SetFocus();
}

void frmProcess::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (KeyCode == Qt::Key_F1) {
        KeyCode = 0;
        HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, 50);
    }
}

// The layer editor follows this window: minimised with it, normal otherwise.
void frmProcess::Form_Resize() {
    frmLayerFilm* editor = OpenLayerEditor();
    if (!editor) return;
    if (isMinimized())
        editor->showMinimized();
    else if (editor->isMinimized())
        editor->showNormal();
}

void frmProcess::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

// OK keeps the changes, which are in the records and the database already; Cancel gives
// back every record and map the window changed before the window closes as OK does. The
// Cancel is one action with what the closing writes: a program killed meanwhile leaves
// the file as it was before the Cancel.
void frmProcess::cmdForm_Click(int Index) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::optional<TreeAction> cancel;
    if (Index == 1) {
        ORUN_PROC("frmProcess_cmdForm_Click");
        cancel.emplace(mUndo);
        try {
            // The layer editor opened from this window writes its layer as it closes: it
            // goes first, so what it writes is given back too.
            if (frmLayerFilm* editor = OpenLayerEditor()) modFormUtil::Unload(editor);
            mUndo.Restore(RunApp().ProcNum());
        } catch (...) {
            gErr.HandleError();
        }
    }
    SaveSetting(App().Title, kSection, QStringLiteral("Visible"), QStringLiteral("False"));
    QApplication::restoreOverrideCursor();
    modFormUtil::Unload(this);
    if (cancel) cancel->Store();
}

void frmProcess::SaveProcess(int16_t p) {
    mUndo.TouchProcess(p);
    modDB::ProcessSave(p);
}

void frmProcess::SaveLayer(int16_t l) {
    mUndo.TouchLayer(l);
    modDB::LayerSave(l);
}

// Once the window counts as closed, the main window shows what the records now hold (the
// steps left after a cut, a new name), also while a layer is stopped and the run keeps
// its process.
void frmProcess::closeEvent(QCloseEvent* event) {
    modFormUtil::HandleClose(
        this, event, [this](int& cancel, int mode) { Form_QueryUnload(cancel, mode); },
        [this](int& cancel) { Form_Unload(cancel); });
    if (event->isAccepted() && gMainForm) gMainForm->RefreshRunDisplay();
}

// Closing chooses the active process while the run stands (STOPPED, or STOP LAYER
// waiting for the operator): the process is selected again, so its layers are mapped as
// the tree left them and no start runs a layer record that was cut or reused. A run start
// unloads this window too; the started run keeps its process.
void frmProcess::Form_QueryUnload(int& /*Cancel*/, int /*UnloadMode*/) {
    ORUN_PROC("frmProcess_QueryUnload");
    try {
        // Selecting the process may give an emptied one its default layer: written whole.
        TreeAction action(mUndo);
        cApp& app = RunApp();
        if (app.Phase() == PhaseCode::Stopped || app.Phase() == PhaseCode::StopLayer) {
            const int16_t p = GetNum(mNodeKey, mNodeKey.startsWith(QLatin1Char('P')) ? 1 : 2);
            int16_t chosen = app.ProcNum();
            if (p != chosen && gProcess.inRange(p) && gProcess(p).Number_Layers >= 1 &&
                MsgBox(QStringLiteral("Make ") + vb::Trim(gProcess(p).Process_Name) +
                           QStringLiteral(" the active process?"),
                       vbYesNo) == vbYes)
                chosen = p;
            app.setProcNum(chosen);
            if (gMainForm) gMainForm->BuildProcessMenu();
            if (frmLayerFilm* editor = OpenLayerEditor()) modFormUtil::Unload(editor);
        }
        action.Store();
        modFormUtil::SaveFormPosition(this);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmProcess::Form_Unload(int& /*Cancel*/) { EmptyClipboard(); }
