#include "app/frmAbout.h"

#include "app/VBConv.h"
#include "app/modFileUtil.h"
#include "app/modFormUtil.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/HtmlHelp.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kHelpContext = 140;

// The maker's contact lines: telephone, fax and web address, each after its label.
const char* const kContactLines[] = {"Telephone:  -", "Fax:  -", "Web:  -"};

// Where the system's information program is looked for when no setting names it. This
// platform keeps no such settings, so this is the only place tried.
const char* const kSysInfoProgram = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    const auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    lblTitle = label("lblTitle");
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = label("lblVersion");
    lblCopyright = label("lblCopyright");
    lblCopyright->setWordWrap(true);
    lblDescription = label("lblDescription");
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblCopyright);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch(1);
    auto* window = new QHBoxLayout(this);
    window->setContentsMargins(16, 16, 16, 16);
    window->setSpacing(16);
    window->addWidget(picIcon);
    window->addLayout(text, 1);
    window->addLayout(buttons);
    window->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load() {
    const AppInfoData& app = App();
    setWindowTitle(QStringLiteral("About ") + app.Title);
    lblTitle->setText(app.Title);
    const double built = modFileUtil::GetFileDateTime(modFileUtil::GetExeFileName(), 2, false);
    lblVersion->setText(QStringLiteral("Version ") + vb::CStr(app.Major) + QLatin1Char('.') + vb::CStr(app.Minor) +
                        vb::CStr(app.Revision) + QStringLiteral("    ") + vb::Format(built, QStringLiteral("Short Date")));
    lblCopyright->setText(app.LegalCopyright);
    QStringList lines;
    for (const char* line : kContactLines) lines << QString::fromLatin1(line);
    lblDescription->setText(lines.join(QStringLiteral("\r\n")));
}

void frmAbout::cmdOK_Click() { close(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo() {
    const QString program = ResolvePath(QString::fromLatin1(kSysInfoProgram));
    if (!QFileInfo(program).isExecutable() || !QProcess::startDetached(program, {})) {
        MsgBox(QStringLiteral("System Information Is Unavailable At This Time"), vbOKOnly);
    }
}

void frmAbout::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    modFormUtil::MarkUnloaded(this);
}

bool frmAbout::event(QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        event->accept();
        if (event->type() == QEvent::KeyPress) HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, kHelpContext);
        return true;
    }
    return QWidget::event(event);
}
