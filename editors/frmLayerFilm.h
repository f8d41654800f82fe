#pragma once
// The layer and film editor: one window class, two instances. The layer editor (caption
// "Edit Layer", gLayerEditor) edits one layer record together with the film that the
// layer uses; the film editor ("Edit Film", gFilmEditor) edits one film record. Both
// change gLayer and gFilm in place, so a running process uses an edited value from its
// next reading on; the records reach the database when the window moves to another layer
// or film, when it closes, and after a film rename or paste.
//
// Four tabs of grids: "Layer" (grdLayer, grdRamps), "X Chan." (grdXChan, grdRatio),
// "Film" (grdDeposit, grdPrePost) and "Film Cal." (grdORUN, grdQCM). Each grid is a table
// of rows run by the shared editing cycle (editors/GridCycle.h); the grids' rows are in
// frmLayerFilm_Grid<name>.cpp.
//
// The members live in files by concern: frmLayerFilm.cpp (loading, ShowLayer, ShowFilm,
// layout), _Lists (the channel, output and film lists), _Buttons (Rename, Copy, Paste,
// Close and closing), _Tabs (tabs, tab hint, keys), _Grid* (the grids).
#include "data/FilmRec.h"
#include "data/ProcessRec.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>

class GridCycle;
class cQCMCal;
class QComboBox;
class QLabel;
class QPushButton;
class SSTab;
class TarselGrid;

class frmLayerFilm : public QWidget {
    Q_OBJECT
public:
    explicit frmLayerFilm(QWidget* parent = nullptr);
    ~frmLayerFilm() override;

    // ---- Public members, reached by the other windows ----
    // Shows layer n (1..250) and its film; the first call shows the window as the layer
    // editor. A later call first writes the layer and film being left to the database.
    Q_INVOKABLE void ShowLayer(int16_t n);
    // Shows film n (1..25), or with 0 the film selected in the film list; the first call
    // shows the window as the film editor. A later call first writes the film being left.
    Q_INVOKABLE void ShowFilm(int16_t n);
    // Each rewrites one grid from the current layer or film.
    Q_INVOKABLE void LoadGridLayer();
    Q_INVOKABLE void LoadGridXChan();
    Q_INVOKABLE void LoadGridRatio();
    Q_INVOKABLE void LoadGridRamps();
    Q_INVOKABLE void LoadGridDeposit();
    Q_INVOKABLE void LoadGridPrePost();
    Q_INVOKABLE void LoadGridORUN();
    Q_INVOKABLE void LoadGridQCM();
    // Shows the rows of the calibration grids that the film's input type uses.
    Q_INVOKABLE void InitGridRows();

    // The window's current layer (0 in the film editor and after closing) and film.
    int16_t CurrentLayer() const { return mLayer; }
    int16_t CurrentFilm() const { return mFilm; }

    // ---- Controls ----
    SSTab* tabForm = nullptr;
    QWidget* fraTab[4] = {};
    TarselGrid* grdLayer = nullptr;
    TarselGrid* grdRamps = nullptr;
    TarselGrid* grdXChan = nullptr;
    TarselGrid* grdRatio = nullptr;
    TarselGrid* grdDeposit = nullptr;
    TarselGrid* grdPrePost = nullptr;
    TarselGrid* grdORUN = nullptr;
    TarselGrid* grdQCM = nullptr;
    QLabel* lblChan = nullptr;
    QComboBox* cboChan = nullptr;
    QLabel* lblOut = nullptr;
    QComboBox* cboOut = nullptr;
    QLabel* lblFilm = nullptr;
    QComboBox* cboFilms = nullptr;
    QPushButton* cmdForm[4] = {};

    // ---- Event handlers ----
    void Form_KeyDown(int& KeyCode, int Shift);
    // UnloadMode 0: the user closed the window from its close box; 1: the program did.
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void cboChan_Click();
    void cboOut_Click();
    void cboFilms_Click();
    void cmdForm_Click(int Index);
    void tabForm_Click(int PreviousTab);
    void tabForm_MouseMove(int Button, int Shift, float X, float Y);
    void grdLayer_CellClick(int Row, int Col);
    // The user's pick in the Input list of grdORUN: the film's input type, and the rows
    // both editors show for it.
    void grdORUN_TextChange(int Row, int Col);
    // The Start cell of grdQCM (layer editor): calibrates the layer's channel.
    void grdQCM_CellClick(int Row, int Col);
    // The progress of the calibration started from the Start cell.
    void CalEvent_Status(int16_t Phase);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void CreateControls();
    void BuildGrids();
    void SelectTab();
    void FilmRename();
    // The process tree window, when open, rebuilds its tree and selects its node again.
    void TreeRefresh();
    // The other instance (the film editor for the layer editor and the other way round),
    // when it is open; nullptr otherwise.
    frmLayerFilm* OtherEditor() const;
    // After a film record changed as a whole (paste, another film for the layer): its
    // values reach the running channels as the grids' own commits push them, and the
    // other editor shows them.
    void FilmChanged();
    QString Section() const;

    // The grids' rows (frmLayerFilm_Grid*.cpp).
    void SetupGridLayer();
    void SetupGridRamps();
    void SetupGridXChan();
    void SetupGridRatio();
    void SetupGridDeposit();
    void SetupGridPrePost();
    void SetupGridORUN();
    void SetupGridQCM();
    QString LayerUnits() const;
    // Rewrites the units column of grdLayer from the film (its rows 0 to 2).
    void ShowLayerUnits();
    // Stops following the calibration object and lets it go.
    void ReleaseCal();

    // The current records.
    LayerRec& Layer() const;
    FilmRec& Film() const;

    bool mLoading = false;
    int16_t mLayer = 0;
    int16_t mFilm = 0;
    FilmRec mFilmCopy;
    bool mGridsBuilt = false;
    // The user confirmed a PMT change that alters the calibration gain; cleared by each
    // LoadGridORUN.
    bool mPMTConfirmed = false;
    // The calibration started from the Start cell (null when none runs), when it started
    // (seconds since midnight) and the film it calibrates.
    cQCMCal* CalEvent = nullptr;
    float mCalStart = 0;
    int16_t mCalFilm = 0;

    // The cycles of the eight grids, in the order of the grids above.
    GridCycle* cycLayer = nullptr;
    GridCycle* cycRamps = nullptr;
    GridCycle* cycXChan = nullptr;
    GridCycle* cycRatio = nullptr;
    GridCycle* cycDeposit = nullptr;
    GridCycle* cycPrePost = nullptr;
    GridCycle* cycORUN = nullptr;
    GridCycle* cycQCM = nullptr;
};

// The two instances; null until first used and again after the window closed.
extern QPointer<frmLayerFilm> gLayerEditor;
extern QPointer<frmLayerFilm> gFilmEditor;

// How a caller reaches an editor: the open window with the editor's caption, restored
// from minimised, or else a new instance kept in the global.
frmLayerFilm* LayerEditor();
frmLayerFilm* FilmEditor();
