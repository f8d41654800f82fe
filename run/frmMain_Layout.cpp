// The main window's frame: the process status across the top, the sensor, data-log and
// run controls down the left, and the channel or readings panel below the status.
#include "platform/LabelCell.h"
#include "platform/TarselGrid.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "run/frmMain.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* Label(QWidget* parent, const QString& name, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QFrame* Panel(QWidget* parent, const char* name) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

}  // namespace

void frmMain::CreateTopPanel() {
    picTop = Panel(this, "picTop");
    auto* grid = new QGridLayout(picTop);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(2);
    QFont bold = font();
    bold.setBold(true);
    // The run's times and the clock change every second: each sits in a cell that has the
    // window laid out again only when its text needs another size.
    QWidget* cells[5] = {};
    const auto inCell = [&](int at, const QString& name) {
        auto* cell = new LabelCell(picTop);
        cells[at] = cell;
        cell->label()->setObjectName(name);
        return cell->label();
    };
    for (int i = 0; i <= 2; ++i)
        lblProcess(i) = i == 1 ? inCell(0, QStringLiteral("lblProcess(1)")) : Label(picTop, QStringLiteral("lblProcess(%1)").arg(i));
    for (int i = 0; i <= 1; ++i)
        lblLayer(i) = i == 1 ? inCell(1, QStringLiteral("lblLayer(1)")) : Label(picTop, QStringLiteral("lblLayer(%1)").arg(i));
    for (int i = 0; i <= 2; ++i)
        lblPhase(i) = i == 1 ? inCell(2, QStringLiteral("lblPhase(1)")) : Label(picTop, QStringLiteral("lblPhase(%1)").arg(i));
    lblProcess(0)->setFont(bold);
    lblLayer(0)->setFont(bold);
    lblPhase(0)->setFont(bold);
    lblProcess(0)->setText(QStringLiteral("Process: "));
    lblLayer(0)->setText(QStringLiteral("Layer: "));
    lblPhase(0)->setText(QStringLiteral("Phase: "));
    prgPhase = new QProgressBar(picTop);
    prgPhase->setObjectName(QStringLiteral("prgPhase"));
    prgPhase->setRange(0, 100);
    prgPhase->setValue(0);
    prgPhase->setTextVisible(false);
    prgPhase->setFixedHeight(14);
    lblStatus = Label(picTop, QStringLiteral("lblStatus"));
    lblStatus->setFont(bold);
    lblStatus->setAlignment(Qt::AlignCenter);
    lblDate = inCell(3, QStringLiteral("lblDate"));
    lblTime = inCell(4, QStringLiteral("lblTime"));
    lblDate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    grid->addWidget(lblProcess(0), 0, 0);
    grid->addWidget(cells[0], 0, 1);
    grid->addWidget(lblProcess(2), 0, 2);
    grid->addWidget(cells[3], 0, 3);
    grid->addWidget(lblLayer(0), 1, 0);
    grid->addWidget(cells[1], 1, 1);
    grid->addWidget(lblStatus, 1, 2);
    grid->addWidget(cells[4], 1, 3);
    grid->addWidget(lblPhase(0), 2, 0);
    grid->addWidget(cells[2], 2, 1);
    grid->addWidget(lblPhase(2), 2, 2, Qt::AlignRight);
    grid->addWidget(prgPhase, 2, 3);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 2);
    grid->setColumnStretch(3, 2);
}

void frmMain::CreateLeftPanel() {
    picLeft = Panel(this, "picLeft");
    picLeft->setFocusPolicy(Qt::StrongFocus);  // takes the focus after a button press
    auto* column = new QVBoxLayout(picLeft);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(8);

    static const char* const kFrameCaptions[] = {"  Sensor 1 ", "  Sensor 2 "};
    for (int f = 0; f <= 1; ++f) {
        auto* frame = new QGroupBox(QString::fromLatin1(kFrameCaptions[f]), picLeft);
        frame->setObjectName(QStringLiteral("fraSensor(%1)").arg(f));
        fraSensor(f) = frame;
        auto* grid = new QGridLayout(frame);
        grid->setContentsMargins(6, 4, 6, 6);
        const int emission = 2 * f;
        const int gas = emission + 1;
        grid->addWidget(new QLabel(QStringLiteral("Emission"), frame), 0, 0);
        cmdSensor(emission) = Button(frame, QStringLiteral("cmdSensor(%1)").arg(emission), QStringLiteral("OFF"));
        grid->addWidget(cmdSensor(emission), 0, 1);
        lblGas(gas) = Label(frame, QStringLiteral("lblGas(%1)").arg(gas), QStringLiteral("Gas"));
        grid->addWidget(lblGas(gas), 1, 0);
        cmdSensor(gas) = Button(frame, QStringLiteral("cmdSensor(%1)").arg(gas), QStringLiteral("OFF"));
        grid->addWidget(cmdSensor(gas), 1, 1);
        for (int s : {emission, gas}) cmdSensor(s)->setMinimumWidth(80);
        column->addWidget(frame);
    }
    cmdSensor(0)->setToolTip(QStringLiteral("Turn Sensor1 on/off."));
    cmdSensor(1)->setToolTip(QStringLiteral("Turn Sensor1 gas sensor on/off."));
    cmdSensor(2)->setToolTip(QStringLiteral("Turn Sensor2 on/off."));
    cmdSensor(3)->setToolTip(QStringLiteral("Turn Sensor2 gas sensor on/off."));

    auto* logFrame = new QGroupBox(QStringLiteral("  Data Log "), picLeft);
    auto* logRow = new QHBoxLayout(logFrame);
    logRow->setContentsMargins(6, 4, 6, 6);
    cmdDataLog = Button(logFrame, QStringLiteral("cmdDataLog"), QStringLiteral("OFF"));
    logRow->addWidget(cmdDataLog);
    column->addWidget(logFrame);
    column->addStretch(1);

    static const char* const kRunCaptions[] = {"&START", "&NEXT", "&RESET"};
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    for (int i = 0; i <= 2; ++i) {
        cmdFunc(i) = Button(picLeft, QStringLiteral("cmdFunc(%1)").arg(i), QString::fromLatin1(kRunCaptions[i]));
        cmdFunc(i)->setMinimumHeight(i == 0 ? 44 : 30);
        if (i == 0) cmdFunc(i)->setFont(big);
        column->addWidget(cmdFunc(i));
    }
    picLeft->setFixedWidth(picLeft->sizeHint().width() + 10);
}

// The left column beside the status and the one panel of the current view; the window
// takes the size its panels need (the view and the row count decide it).
void frmMain::LayoutWindow() {
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->setMenuBar(mnuBar);
    window->setSizeConstraint(QLayout::SetFixedSize);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    body->addWidget(picLeft, 0, Qt::AlignTop);
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(picTop);
    right->addWidget(picChannels);
    right->addWidget(picReadings);
    right->addStretch(1);
    body->addLayout(right);
    window->addLayout(body);

    picChannels->setFixedWidth(picChannels->sizeHint().width());
    picReadings->hide();
}
