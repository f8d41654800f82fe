#pragma once
// The start-up screen picker ("Startup Screen"): the screen's background colour from the
// 216-colour palette and the logo's place on the 320-pixel-wide screen, dragged with the
// mouse. One instrument pixel is 10 twips on the screen picture. OK stores the choices
// in ColorNum, RGBColor and Location and in the settings; Cancel changes nothing.
#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace NorvikFlash {

class frmColor : public QDialog {
    Q_OBJECT
public:
    explicit frmColor(const QString& logoFile, QWidget* parent = nullptr);

    QWidget* picScreen = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* picColor = nullptr;
    QLineEdit* txtX = nullptr;
    QLineEdit* txtY = nullptr;
    QLineEdit* txtColor = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The screen picture's size in twips.
    static constexpr double kScreenWidth = 3200;
    static constexpr double kScreenHeight = 2400;

    // A click on the palette at (x, y) in the palette picture's pixels.
    void picColor_Click(double x, double y);
    // Mouse down and up on the logo, (x, y) in twips inside the logo.
    void imgLogo_MouseDown(double x, double y);
    void imgLogo_MouseUp();
    // A drop at (x, y) in twips inside the screen picture / inside the logo.
    void picScreen_DragDrop(double x, double y);
    void imgLogo_DragDrop(double x, double y);
    void cmdOK_Click();

    // The logo's place and size in twips, relative to the screen picture's top left.
    double LogoLeft() const { return logoLeft_; }
    double LogoTop() const { return logoTop_; }
    double LogoHeight() const { return logoHeight_; }
    uint32_t ScreenColor() const { return screenColor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdatePosition();
    // Moves the logo so that its left edge stays on the screen and its bottom edge below
    // the screen's top: the instrument takes no negative place.
    void moveLogo(double left, double top);
    void showScreenColor();

    int32_t X_ = 0;
    int32_t Y_ = 0;
    int32_t colorIndex_ = 0;
    uint32_t screenColor_ = 0xFFFFFF;
    double logoLeft_ = 0;
    double logoTop_ = 0;
    double logoWidth_ = 0;
    double logoHeight_ = 0;
    double dragX_ = 0;
    double dragY_ = 0;
    bool dragging_ = false;
};

}  // namespace NorvikFlash
