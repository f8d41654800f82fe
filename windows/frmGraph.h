#pragma once
// A graph window: one strip chart of a graph record of the active process. Up to four
// are open at once, one per graph record, held in gGraphForm.
#include "platform/BoundedArray.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>

class frmGraph : public QWidget {
    Q_OBJECT
public:
    explicit frmGraph(QWidget* parent = nullptr);

    // Shows the window for graph record Index (0..3).
    void ShowGraph(int16_t Index);
    // Rebuilds the chart from its graph record.
    void GraphInit();
    // Closes the window and releases it.
    void Unload();

    int16_t Index() const { return Index_; }

    // The graph windows' part of the application state's events, connected when gApp is
    // made: window Index opens (a new one, unless it is open) or is unloaded, and at the
    // start of a layer every open window rebuilds its chart.
    static void ApEvent_ShowGraphChange(int16_t Index, bool State);
    static void ApEvent_GraphRestart();

protected:
    // Closing the window by hand tells the application state, which clears the menu
    // entry's check mark.
    void closeEvent(QCloseEvent* event) override;

private:
    int16_t Index_ = -1;
    bool unloading_ = false;
};

// The open graph windows, by graph record 0..3; null where none is open.
extern BoundedArray<QPointer<frmGraph>, 0, 3> gGraphForm;
