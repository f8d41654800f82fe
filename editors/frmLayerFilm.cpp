// The editor window: its controls, showing a layer or a film, and the ways other windows
// reach the two instances.
#include "editors/frmLayerFilm.h"

#include "app/cErrHandler.h"
#include "app/modComboBox.h"
#include "app/modFormUtil.h"
#include "data/modDB.h"
#include "editors/FilmPush.h"
#include "editors/GridCycle.h"
#include "platform/AppInfo.h"
#include "platform/FormKeys.h"
#include "platform/SSTab.h"
#include "platform/SettingsStore.h"
#include "platform/TarselGrid.h"
#include "platform/TreeView.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

QPointer<frmLayerFilm> gLayerEditor;
QPointer<frmLayerFilm> gFilmEditor;

namespace {

const QString kLayerCaption = QStringLiteral("Edit Layer");
const QString kFilmCaption = QStringLiteral("Edit Film");

// The hourglass for the length of a scope.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

frmLayerFilm* OpenEditor(const QString& caption, QPointer<frmLayerFilm>& global) {
    if (auto* open = qobject_cast<frmLayerFilm*>(modFormUtil::LoadedFormByCaption(caption))) {
        if (open->isMinimized()) open->showNormal();
        return open;
    }
    global = new frmLayerFilm;
    return global;
}

// The tab stored under section/"Tab", or the default when the stored text is no tab.
int StoredTab(const QString& section, int defaultTab) {
    const double v = vb::Val(GetSetting(App().Title, section, QStringLiteral("Tab"), vb::CStr(defaultTab)));
    return v >= 0 && v <= 3 && v == std::floor(v) ? int(v) : defaultTab;
}

}  // namespace

frmLayerFilm* LayerEditor() { return OpenEditor(kLayerCaption, gLayerEditor); }
frmLayerFilm* FilmEditor() { return OpenEditor(kFilmCaption, gFilmEditor); }

frmLayerFilm::frmLayerFilm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmLayerFilm"));
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    Form_Load();
}

frmLayerFilm::~frmLayerFilm() = default;

LayerRec& frmLayerFilm::Layer() const { return gLayer(mLayer); }
FilmRec& frmLayerFilm::Film() const { return gFilm(mFilm); }

void frmLayerFilm::CreateControls() {
    auto* top = new QHBoxLayout;
    auto addList = [&](QLabel*& label, QComboBox*& list, const char* name, const QString& caption,
                       const QString& hint) {
        label = new QLabel(caption, this);
        label->setObjectName(QStringLiteral("lbl") + QLatin1String(name));
        list = new QComboBox(this);
        list->setObjectName(QStringLiteral("cbo") + QLatin1String(name));
        list->setToolTip(hint);
        label->setBuddy(list);
        top->addWidget(label);
        top->addWidget(list);
    };
    addList(lblChan, cboChan, "Chan", QStringLiteral("Channel"), QStringLiteral("Channel # that displays this layer."));
    addList(lblOut, cboOut, "Out", QStringLiteral("Output"), QStringLiteral("ORUN control for layer output (-- is none)."));
    top->addSpacing(12);
    addList(lblFilm, cboFilms, "Films", QStringLiteral("Film"), QStringLiteral("Select a film."));
    cboFilms->setObjectName(QStringLiteral("cboFilms"));
    lblFilm->setObjectName(QStringLiteral("lblFilm"));
    cboFilms->setInsertPolicy(QComboBox::InsertAlphabetically);
    cboFilms->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    top->addStretch(1);
    for (int ch = 1; ch <= 8; ++ch) cboChan->addItem(QString::number(ch));
    cboOut->addItem(QStringLiteral("--"));
    for (int out = 1; out <= 8; ++out) cboOut->addItem(QString::number(out));

    tabForm = new SSTab(this);
    tabForm->setObjectName(QStringLiteral("tabForm"));
    tabForm->setTabs(4);
    const char* const captions[] = {"Layer", "X Chan.", "Film", "Film Cal."};
    TarselGrid** grids[4][2] = {{&grdLayer, &grdRamps}, {&grdXChan, &grdRatio}, {&grdDeposit, &grdPrePost}, {&grdORUN, &grdQCM}};
    const char* const gridNames[4][2] = {{"grdLayer", "grdRamps"}, {"grdXChan", "grdRatio"}, {"grdDeposit", "grdPrePost"},
                                         {"grdORUN", "grdQCM"}};
    for (int k = 0; k < 4; ++k) {
        tabForm->setTabCaption(k, QLatin1String(captions[k]));
        auto* pageLayout = new QVBoxLayout(tabForm->TabFrame(k));
        pageLayout->setContentsMargins(6, 6, 6, 6);
        fraTab[k] = new QWidget(tabForm->TabFrame(k));
        fraTab[k]->setObjectName(QStringLiteral("fraTab(%1)").arg(k));
        pageLayout->addWidget(fraTab[k]);
        auto* frameLayout = new QHBoxLayout(fraTab[k]);
        frameLayout->setContentsMargins(0, 0, 0, 0);
        for (int g = 0; g < 2; ++g) {
            auto* grid = new TarselGrid(fraTab[k]);
            grid->setObjectName(QLatin1String(gridNames[k][g]));
            grid->setMinimumWidth(300);
            frameLayout->addWidget(grid, 1, Qt::AlignTop);
            *grids[k][g] = grid;
        }
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const char* const buttonCaptions[] = {"&Rename", "Cop&y", "&Paste", "&Close"};
    const char* const buttonHints[] = {"Rename this film.", "Copy this film's parameters.",
                                       "Paste copied film's parameters.", "Close form and save changes."};
    for (int i = 0; i < 4; ++i) {
        cmdForm[i] = new QPushButton(QLatin1String(buttonCaptions[i]), this);
        cmdForm[i]->setObjectName(QStringLiteral("cmdForm(%1)").arg(i));
        cmdForm[i]->setToolTip(QLatin1String(buttonHints[i]));
        cmdForm[i]->setAutoDefault(false);
        buttons->addWidget(cmdForm[i]);
        connect(cmdForm[i], &QPushButton::clicked, this, [this, i] { cmdForm_Click(i); });
    }
    cmdForm[2]->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabForm);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    // The user's picks only: the lists' own selections made by the program raise nothing.
    connect(cboChan, &QComboBox::activated, this, [this] { cboChan_Click(); });
    connect(cboOut, &QComboBox::activated, this, [this] { cboOut_Click(); });
    connect(cboFilms, &QComboBox::activated, this, [this] { cboFilms_Click(); });
    connect(tabForm, &SSTab::Click, this, &frmLayerFilm::tabForm_Click);
    connect(tabForm, &SSTab::MouseMove, this, &frmLayerFilm::tabForm_MouseMove);
    connect(grdLayer, &TarselGrid::CellClick, this, &frmLayerFilm::grdLayer_CellClick);

    // The window takes these keys before its controls: F1 (help on the current tab) and
    // Ctrl+R (the main window's next view), whatever Shift and Alt do.
    const auto keyDown = [this](int key, int shift) { Form_KeyDown(key, shift); };
    FormKeys::TakeHelpKey(this, keyDown);
    FormKeys::TakeViewKey(this, keyDown);

    cycLayer = new GridCycle(grdLayer, {"frmLayerFilm_LoadGridLayer", "frmLayerFilm_grdLayer_BeforeEdit",
                                        "frmLayerFilm_grdLayer_AfterEdit"}, this);
    cycRamps = new GridCycle(grdRamps, {{}, {}, "frmLayerFilm_grdRamps_AfterEdit"}, this);
    cycXChan = new GridCycle(grdXChan, {"frmLayerFilm_LoadGridXChan", "frmLayerFilm_grdXChan_BeforeEdit",
                                        "frmLayerFilm_grdXChan_AfterEdit"}, this);
    cycRatio = new GridCycle(grdRatio, {"frmLayerFilm_LoadGridRatio", "frmLayerFilm_grdRatio_BeforeEdit",
                                        "frmLayerFilm_grdRatio_AfterEdit"}, this);
    cycDeposit = new GridCycle(grdDeposit, {"frmLayerFilm_LoadGridDeposit", {}, "frmLayerFilm_grdDeposit_AfterEdit"}, this);
    cycPrePost = new GridCycle(grdPrePost, {"frmLayerFilm_LoadGridPrePost", {}, "frmLayerFilm_GrdPrePost_AfterEdit"}, this);
    cycORUN = new GridCycle(grdORUN, {"frmLayerFilm_LoadGridORUN", "frmLayerFilm_grdORUN_BeforeEdit",
                                      "frmLayerFilm_grdORUN_AfterEdit"}, this);
    cycQCM = new GridCycle(grdQCM, {"frmLayerFilm_LoadGridQCM", "frmLayerFilm_grdQCM_BeforeEdit",
                                    "frmLayerFilm_grdQCM_AfterEdit"}, this);
    // A film grid's commit shows the film in the other editor too.
    cycDeposit->committed = [this] { if (frmLayerFilm* o = OtherEditor()) o->LoadGridDeposit(); };
    cycPrePost->committed = [this] { if (frmLayerFilm* o = OtherEditor()) o->LoadGridPrePost(); };
    cycORUN->committed = [this] { if (frmLayerFilm* o = OtherEditor()) o->LoadGridORUN(); };
    // Every commit of the quartz grid sends the film's material to the quartz monitors of
    // the channels running the film.
    cycQCM->committed = [this] {
        FilmPush::Material(mFilm);
        if (frmLayerFilm* o = OtherEditor()) o->LoadGridQCM();
    };
    connect(grdORUN, &TarselGrid::TextChange, this, &frmLayerFilm::grdORUN_TextChange);
    connect(grdQCM, &TarselGrid::CellClick, this, &frmLayerFilm::grdQCM_CellClick);
}

// The film list holds the 25 films as stored, in alphabetical order, each with its number.
void frmLayerFilm::Form_Load() {
    ORUN_PROC("frmLayerFilm_Form_Load");
    try {
        for (int16_t f = 1; f <= 25; ++f) modComboBox::AddItemDataComboBox(cboFilms, gFilm(f).Film_Name, f);
        cboFilms->setCurrentIndex(0);
        raise();
    } catch (...) {
        gErr.HandleError();
    }
}

// The grids are built once, on the window's first show; the ratio grid only in the layer
// editor, whose tab holds it.
void frmLayerFilm::BuildGrids() {
    if (mGridsBuilt) return;
    mGridsBuilt = true;
    SetupGridLayer();
    SetupGridRamps();
    SetupGridXChan();
    if (mLayer >= 1) SetupGridRatio();
    SetupGridDeposit();
    SetupGridPrePost();
    SetupGridORUN();
    SetupGridQCM();
}

void frmLayerFilm::ShowLayer(int16_t n) {
    BusyCursor busy;
    mLoading = true;
    const int16_t previousLayer = mLayer, previousFilm = mFilm;
    mLayer = n;
    mFilm = gLayer(n).Film_Number;
    if (modFormUtil::IsFormLoadedByCaption(kLayerCaption)) {
        modDB::SaveLayerAndFilm(previousLayer, previousFilm);
    } else {
        BuildGrids();
        modFormUtil::RestoreFormPosition(this, true, QStringLiteral("frmLayer"));
        SaveSetting(App().Title, QStringLiteral("frmLayer"), QStringLiteral("Visible"), QStringLiteral("True"));
        setWindowTitle(kLayerCaption);
        for (QWidget* w : {static_cast<QWidget*>(lblChan), static_cast<QWidget*>(cboChan),
                           static_cast<QWidget*>(lblOut), static_cast<QWidget*>(cboOut)})
            w->setVisible(true);
        for (int i = 0; i <= 2; ++i) cmdForm[i]->setVisible(false);
        tabForm->setTab(StoredTab(QStringLiteral("frmLayer"), 0));
        SelectTab();
        show();
    }
    cboFilms->setCurrentIndex(modComboBox::FindItemDataComboBox(cboFilms, vb::CStr(int(mFilm))));
    LoadGridLayer();
    LoadGridRamps();
    LoadGridXChan();
    LoadGridRatio();
    LoadGridDeposit();
    LoadGridPrePost();
    LoadGridORUN();
    LoadGridQCM();
    mLoading = false;
}

void frmLayerFilm::ShowFilm(int16_t n) {
    BusyCursor busy;
    mLoading = true;
    const int16_t previousFilm = mFilm;
    mLayer = 0;
    if (modFormUtil::IsFormLoadedByCaption(kFilmCaption)) {
        if (previousFilm >= 1) modDB::FilmSave(previousFilm);
    } else {
        BuildGrids();
        modFormUtil::RestoreFormPosition(this, true, QStringLiteral("frmFilm"));
        SaveSetting(App().Title, QStringLiteral("frmFilm"), QStringLiteral("Visible"), QStringLiteral("True"));
        setWindowTitle(kFilmCaption);
        for (QWidget* w : {static_cast<QWidget*>(lblChan), static_cast<QWidget*>(cboChan),
                           static_cast<QWidget*>(lblOut), static_cast<QWidget*>(cboOut)})
            w->setVisible(false);
        tabForm->setTabVisible(0, false);
        tabForm->setTabVisible(1, false);
        tabForm->setTab(StoredTab(QStringLiteral("frmFilm"), 2));
        SelectTab();
        show();
    }
    if (n == 0) {
        mFilm = int16_t(cboFilms->currentData().toInt());
    } else {
        mFilm = n;
        cboFilms->setCurrentIndex(modComboBox::FindItemDataComboBox(cboFilms, vb::CStr(int(n))));
    }
    LoadGridDeposit();
    LoadGridPrePost();
    LoadGridORUN();
    LoadGridQCM();
    mLoading = false;
}

QString frmLayerFilm::Section() const {
    return windowTitle() == kFilmCaption ? QStringLiteral("frmFilm") : QStringLiteral("frmLayer");
}

frmLayerFilm* frmLayerFilm::OtherEditor() const {
    const QString other = windowTitle() == kFilmCaption ? kLayerCaption : kFilmCaption;
    auto* w = qobject_cast<frmLayerFilm*>(modFormUtil::LoadedFormByCaption(other));
    return w == this ? nullptr : w;
}

// The process tree window is reached by name: it rebuilds its tree and selects the node it
// had selected.
void frmLayerFilm::TreeRefresh() {
    QWidget* tree = modFormUtil::LoadedForm(QStringLiteral("frmProcess"));
    if (!tree) return;
    const RuntimeError unsupported{438, QStringLiteral("Object doesn't support this property or method")};
    if (!QMetaObject::invokeMethod(tree, "UpdateTreeView", Qt::DirectConnection)) throw unsupported;
    QString key;
    if (!QMetaObject::invokeMethod(tree, "SelectedNode", Qt::DirectConnection, Q_RETURN_ARG(QString, key)))
        throw unsupported;
    if (auto* tv = tree->findChild<TreeView*>(QStringLiteral("TV1"))) tv->Nodes().Item(key)->setSelected(true);
}

void frmLayerFilm::FilmChanged() {
    FilmPush::All(mFilm);
    if (frmLayerFilm* other = OtherEditor()) {
        if (other->CurrentLayer() >= 1) other->LoadGridLayer();  // the film's units
        other->LoadGridDeposit();
        other->LoadGridPrePost();
        other->LoadGridORUN();
        other->LoadGridQCM();
    }
}
