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
