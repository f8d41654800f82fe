#pragma once
// The layer and film editor window. Two instances: the layer editor gLayerEditor (caption
// "Edit Layer"), which edits one layer with the film it uses, and the film editor
// gFilmEditor (caption "Edit Film").
//
// So far the window only shows which layer it holds: its grids, lists and buttons come
// with the editor itself. The main window opens it on a channel's layer and fixes the
// channel and output lists.
#include <QPointer>
#include <QWidget>
#include <cstdint>

class QComboBox;
class QLabel;

class frmLayerFilm : public QWidget {
    Q_OBJECT
public:
    explicit frmLayerFilm(QWidget* parent = nullptr);

    // Shows layer n (1..250) and its film; the first call captions the window "Edit Layer"
    // and shows it.
    void ShowLayer(int16_t n);

    // The layer and film shown; 0 for none.
    int16_t Layer() const { return mLayer; }
    int16_t Film() const { return mFilm; }

    QLabel* lblChan = nullptr;
    QComboBox* cboChan = nullptr;
    QLabel* lblOut = nullptr;
    QComboBox* cboOut = nullptr;

private:
    int16_t mLayer = 0;
    int16_t mFilm = 0;
};

// The two instances; null until first used and after they close.
extern QPointer<frmLayerFilm> gLayerEditor;
extern QPointer<frmLayerFilm> gFilmEditor;
