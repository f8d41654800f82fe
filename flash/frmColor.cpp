#include "flash/frmColor.h"

#include "app/VBConv.h"
#include "flash/FlashGlobals.h"
#include "flash/StartupLogo.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace NorvikFlash {
namespace {

QLineEdit* makeDisplay(QWidget* parent, const char* name, const QString& tip) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    t->setToolTip(tip);
    t->setReadOnly(true);
    t->setMaximumWidth(TwipsToPixelsX(800));
    return t;
}

}  // namespace

frmColor::frmColor(const QString& logoFile, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmColor"));
    setWindowTitle(QStringLiteral("Startup Screen"));

    picScreen = new QWidget(this);
    picScreen->setObjectName(QStringLiteral("picScreen"));
    picScreen->setFixedSize(TwipsToPixelsX(kScreenWidth), TwipsToPixelsY(kScreenHeight));
    picScreen->setAutoFillBackground(true);
    picScreen->installEventFilter(this);

    imgLogo = new QLabel(picScreen);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setScaledContents(true);
    imgLogo->installEventFilter(this);

    picColor = new QLabel(this);
    picColor->setObjectName(QStringLiteral("picColor"));
    picColor->setPixmap(QPixmap::fromImage(PaletteImage()));
    picColor->setFixedSize(kPaletteWidth, kPaletteHeight);
    picColor->installEventFilter(this);

    txtX = makeDisplay(this, "txtX", QStringLiteral("Logo X position."));
    txtY = makeDisplay(this, "txtY", QStringLiteral("Logo Y position."));
    txtColor = makeDisplay(this, "txtColor", QStringLiteral("Screen background color."));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("Close and save screen selections."));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Close and abandon screen selections."));
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* values = new QGridLayout;
    values->addWidget(new QLabel(QStringLiteral("X"), this), 0, 0);
    values->addWidget(txtX, 0, 1);
    values->addWidget(new QLabel(QStringLiteral("Y"), this), 1, 0);
    values->addWidget(txtY, 1, 1);
    values->addWidget(new QLabel(QStringLiteral("Color"), this), 2, 0);
    values->addWidget(txtColor, 2, 1);
    values->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* side = new QVBoxLayout;
    side->addWidget(picColor);
    side->addLayout(values);
    side->addStretch(1);
    side->addLayout(buttons);
    auto* main = new QHBoxLayout(this);
    main->addWidget(picScreen, 0, Qt::AlignTop);
    main->addLayout(side);

    // The logo at ten twips per bitmap pixel, its size read from the bitmap's header.
    QFile file(logoFile);
    const QByteArray header = file.open(QIODevice::ReadOnly) ? file.read(64) : QByteArray();
    int width = 0, height = 0;
    LogoSize(header, width, height);
    logoWidth_ = width * 10.0;
    logoHeight_ = height * 10.0;
    imgLogo->setPixmap(QPixmap(logoFile));

    X_ = Location % kScreenColumns;
    Y_ = Location / kScreenColumns;
    colorIndex_ = ColorNum;
    screenColor_ = static_cast<uint32_t>(RGBColor);
    txtX->setText(vb::CStr(X_));
    txtY->setText(vb::CStr(Y_));
    txtColor->setText(vb::CStr(colorIndex_));
    showScreenColor();
    logoLeft_ = 10.0 * X_;
    logoTop_ = 10.0 * Y_ - logoHeight_;
    imgLogo->setGeometry(TwipsToPixelsX(logoLeft_), TwipsToPixelsY(logoTop_), TwipsToPixelsX(logoWidth_),
                         TwipsToPixelsY(logoHeight_));
}

void frmColor::showScreenColor() {
    QPalette p = picScreen->palette();
    p.setColor(QPalette::Window, VbColor(screenColor_));
    picScreen->setPalette(p);
}

void frmColor::picColor_Click(double x, double y) {
    colorIndex_ = PaletteIndexAt(x, y, kPaletteWidth, kPaletteHeight);
    screenColor_ = PaletteColor(colorIndex_);
    showScreenColor();
    txtColor->setText(vb::CStr(colorIndex_));
}

void frmColor::imgLogo_MouseDown(double x, double y) {
    dragX_ = vb::Round(x);
    dragY_ = vb::Round(y);
    dragging_ = true;
}

void frmColor::imgLogo_MouseUp() { dragging_ = false; }

void frmColor::picScreen_DragDrop(double x, double y) {
    if (dragging_) moveLogo(x - dragX_, y - dragY_);
}

void frmColor::imgLogo_DragDrop(double x, double y) {
    if (dragging_) moveLogo(logoLeft_ + x - dragX_, logoTop_ + y - dragY_);
}

void frmColor::moveLogo(double left, double top) {
    logoLeft_ = std::max(left, 0.0);
    logoTop_ = std::max(top, -logoHeight_);
    imgLogo->move(TwipsToPixelsX(logoLeft_), TwipsToPixelsY(logoTop_));
    UpdatePosition();
}

void frmColor::UpdatePosition() {
    X_ = static_cast<int32_t>(logoLeft_ / 10);
    Y_ = static_cast<int32_t>((logoTop_ + logoHeight_) / 10);
    txtX->setText(vb::CStr(X_));
    txtY->setText(vb::CStr(Y_));
}

void frmColor::cmdOK_Click() {
    ColorNum = colorIndex_;
    RGBColor = static_cast<int32_t>(screenColor_);
    Location = Y_ * kScreenColumns + X_;
    SaveFlashSetting(QStringLiteral("ColorNum"), QString::number(ColorNum));
    SaveFlashSetting(QStringLiteral("RGBColor"), QString::number(RGBColor));
    SaveFlashSetting(QStringLiteral("Location"), QString::number(Location));
    accept();
}

bool frmColor::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return QDialog::eventFilter(watched, event);
    const QPointF pos = static_cast<QMouseEvent*>(event)->position();
    if (watched == picColor && type == QEvent::MouseButtonPress) {
        picColor_Click(pos.x(), pos.y());
        return true;
    }
    if (watched != imgLogo) return QDialog::eventFilter(watched, event);
    if (type == QEvent::MouseButtonPress) {
        imgLogo_MouseDown(PixelsToTwipsX(qRound(pos.x())), PixelsToTwipsY(qRound(pos.y())));
        return true;
    }
    // The logo holds the mouse while it is dragged: the release tells where it was dropped.
    const QPoint onScreen = imgLogo->mapToParent(pos.toPoint());
    if (imgLogo->geometry().contains(onScreen))
        imgLogo_DragDrop(PixelsToTwipsX(qRound(pos.x())), PixelsToTwipsY(qRound(pos.y())));
    else if (picScreen->rect().contains(onScreen))
        picScreen_DragDrop(PixelsToTwipsX(onScreen.x()), PixelsToTwipsY(onScreen.y()));
    imgLogo_MouseUp();
    return true;
}

}  // namespace NorvikFlash
