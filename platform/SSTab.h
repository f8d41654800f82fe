#pragma once
// The tabbed dialog control of the editor and setup windows: a row of tabs over one page
// per tab. Each tab's page (TabFrame) is the container of that tab's controls; the window
// puts its own frame into it. The tabs share the strip's width equally.
//
// Click(PreviousTab) is raised whenever the shown tab changes, by the user or by the
// program (setTab, or hiding the tab shown, which moves to the next visible one). A hidden
// tab is never shown: the user cannot reach it and setTab leaves the current tab. MouseMove
// gives the pointer position over the tab row in twips, relative to the control.
#include <QString>
#include <QWidget>
#include <vector>

class QStackedWidget;
class QTabBar;

class SSTab : public QWidget {
    Q_OBJECT
public:
    explicit SSTab(QWidget* parent = nullptr);

    int Tabs() const;
    void setTabs(int count);  // tabs are added or removed at the end
    QString TabCaption(int tab) const;
    void setTabCaption(int tab, const QString& caption);
    int Tab() const;           // the tab shown, -1 when there is none
    void setTab(int tab);      // 0..Tabs-1, else RuntimeError 380
    bool TabVisible(int tab) const;
    void setTabVisible(int tab, bool visible);
    QWidget* TabFrame(int tab) const;

    QString ToolTipText() const { return toolTip_; }
    void setToolTipText(const QString& text);
    // Geometry in twips: the position in the parent and the size.
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void setHeight(double twips);

    QTabBar* tabBar() const { return bar_; }  // for tests: the tab row

signals:
    void Click(int PreviousTab);
    void MouseMove(int Button, int Shift, float X, float Y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void checkTab(int tab) const;
    QTabBar* bar_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::vector<QWidget*> frames_;
    int shown_ = -1;
    bool building_ = false;  // no Click while tabs are added
    QString toolTip_;
};
