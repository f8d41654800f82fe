#include "app/frmStartup.h"

#include "app/F1Key.h"
#include "app/VBConv.h"
#include "platform/AppInfo.h"

#include <QFont>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

frmStartup::frmStartup(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      imgLogo_(new QLabel(this)),
      lblVersion_(new QLabel(this)),
      lblStatus_(new QLabel(this)),
      prgPercent_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmStartup"));
    imgLogo_->setObjectName(QStringLiteral("imgLogo"));
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    prgPercent_->setObjectName(QStringLiteral("prgPercent"));

    // The logo: the program's title set large, as no picture ships with the program.
    imgLogo_->setText(App().Title);
    QFont big = imgLogo_->font();
    big.setPointSize(big.pointSize() * 3);
    big.setBold(true);
    imgLogo_->setFont(big);
    imgLogo_->setAlignment(Qt::AlignCenter);

    lblVersion_->setFrameShape(QFrame::NoFrame);
    lblStatus_->setFrameShape(QFrame::NoFrame);
    // Minor and revision are written one after the other: 4, 1, 1 reads "4.11".
    lblVersion_->setText(App().Title + QStringLiteral(" Version ") + vb::CStr(App().Major) + u'.' +
                         vb::CStr(App().Minor) + vb::CStr(App().Revision) + QStringLiteral("  "));
    lblVersion_->setAlignment(Qt::AlignRight);

    prgPercent_->setRange(0, 100);
    prgPercent_->setValue(0);
    prgPercent_->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(imgLogo_);
    layout->addWidget(lblVersion_);
    layout->addWidget(lblStatus_);
    layout->addWidget(prgPercent_);
}

namespace {

frmStartup::ProgressObserver& observer() {
    static frmStartup::ProgressObserver o;
    return o;
}

}  // namespace

void frmStartup::SetProgressObserver(ProgressObserver o) { observer() = std::move(o); }

void frmStartup::setProgressPercent(double dValue) {
    if (dValue < 0 || dValue > 100) return;
    prgPercent_->setValue(vb::CInt(dValue));
    if (observer()) observer()(lblStatus_->text(), prgPercent_->value());
}

void frmStartup::setProgressText(const QString& sValue) { lblStatus_->setText(vb::Trim(sValue)); }

bool frmStartup::event(QEvent* e) { return SwallowF1(e) || QWidget::event(e); }
