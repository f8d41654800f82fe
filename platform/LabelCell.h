#pragma once
// A layout cell that holds one label and fills itself with it. A label asks its layout to
// run again with every text it is given, whatever the text; a clock that is given a new
// time every second would have the whole window laid out again every second, for nothing
// as long as the time takes the room it took before. The cell passes the request on only
// when the label's size hints have changed, so the window looks exactly as with the label
// in the cell's place. The label is opaque, so that its repaints stop at it.
#include <QSize>
#include <QWidget>

class QLabel;

class LabelCell : public QWidget {
public:
    // The cell's label is made with it, as a child of the cell.
    explicit LabelCell(QWidget* parent);

    QLabel* label() const { return label_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // The layout has the label's hints as they are now.
    void Remember();

    QLabel* label_;
    QSize hint_;
    QSize minimumHint_;
};
