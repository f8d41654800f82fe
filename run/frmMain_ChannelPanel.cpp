// The channel panel of the process and ratio views: a heading row and one row per
// channel, each row the channel's selector, film and phase, reading, deviation or ratio,
// total with its zero button, and power with the manual power switch and box. Controls
// keep their place when hidden, so the columns stay aligned whatever a row shows.
#include "run/frmMain.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Column widths in pixels: edit, film, rate, deviation, total, power.
constexpr int kColumnWidth[] = {44, 138, 150, 96, 156, 200};
constexpr int kRowHeight = 42;

void KeepPlace(QWidget* w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

// One cell of the panel's grid of fixed widths.
QWidget* Cell(QWidget* row, int column, QLayout* content) {
    auto* cell = new QWidget(row);
    cell->setFixedWidth(kColumnWidth[column]);
    content->setContentsMargins(2, 0, 2, 0);
    cell->setLayout(content);
    row->layout()->addWidget(cell);
    return cell;
}

template <typename T>
T* Named(T* control, const char* name, int ch) {
    control->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(ch));
    KeepPlace(control);
    return control;
}

// A value shown like a meter: a sunken box, right-aligned digits.
QLabel* Meter(QWidget* parent, const char* name, int ch, int width) {
    auto* label = Named(new QLabel(parent), name, ch);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(width);
    label->setAutoFillBackground(true);
    return label;
}

QLabel* Small(QWidget* parent, const char* name, int ch, const QString& text = QString()) {
    auto* label = Named(new QLabel(text, parent), name, ch);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    label->setFont(f);
    return label;
}

}  // namespace

void frmMain::CreateChannelPanel() {
    picChannels = new QFrame(this);
    picChannels->setObjectName(QStringLiteral("picChannels"));
    picChannels->setFrameShape(QFrame::StyledPanel);
    picChannels->setAutoFillBackground(true);
    auto* rows = new QVBoxLayout(picChannels);
    rows->setContentsMargins(4, 4, 4, 4);
    rows->setSpacing(2);

    // Headings, left to right with their indexes: 7 "Edit", 4 "Film", 0 "Rate",
    // 1 "Deviation" (or "Ratio"), 3 "Total   -    Zero", 2 "Power - Manual".
    auto* heading = new QWidget(picChannels);
    heading->setLayout(new QHBoxLayout);
    heading->layout()->setContentsMargins(0, 0, 0, 0);
    heading->layout()->setSpacing(0);
    static const struct {
        int index;
        const char* text;
    } kHeadings[] = {{7, "Edit"}, {4, "Film"}, {0, "Rate"}, {1, "Deviation"}, {3, "Total   -    Zero"}, {2, "Power - Manual"}};
    QFont bold = font();
    bold.setBold(true);
    for (int c = 0; c < 6; ++c) {
        auto* label = new QLabel(QString::fromLatin1(kHeadings[c].text), heading);
        label->setObjectName(QStringLiteral("lblColumn(%1)").arg(kHeadings[c].index));
        label->setFont(bold);
        label->setAlignment(Qt::AlignCenter);
        lblColumn(kHeadings[c].index) = label;
        auto* box = new QHBoxLayout;
        box->addWidget(label);
        Cell(heading, c, box);
    }
    lblColumn(7)->setToolTip(QStringLiteral("List of channel films and phases."));
    lblColumn(4)->setToolTip(QStringLiteral("List of channel films and phases."));
    rows->addWidget(heading);

    QFont reading = font();
    reading.setPointSizeF(reading.pointSizeF() * 1.6);
    reading.setBold(true);
    QFont filmFont = font();
    filmFont.setBold(true);

    for (int ch = 0; ch <= 7; ++ch) {
        auto* row = new QWidget(picChannels);
        row->setObjectName(QStringLiteral("rowChannel(%1)").arg(ch));
        row->setFixedHeight(kRowHeight);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(0);
        chanRow_(ch) = row;

        optChEdit(ch) = Named(new QRadioButton(QString::number(ch + 1), row), "optChEdit", ch);
        optChEdit(ch)->setAutoExclusive(false);
        optChEdit(ch)->setToolTip(QStringLiteral("Click to edit channel parameters."));
        auto* edit = new QHBoxLayout;
        edit->addWidget(optChEdit(ch));
        Cell(row, 0, edit);

        lblFilm(ch) = Named(new QLabel(row), "lblFilm", ch);
        lblFilm(ch)->setFont(filmFont);
        lblFilm(ch)->setToolTip(QStringLiteral("Film for this channel."));
        lblSubPhase(ch) = Small(row, "lblSubPhase", ch);
        lblSubPhase(ch)->setToolTip(QStringLiteral("Phase for this film."));
        auto* film = new QVBoxLayout;
        film->setSpacing(0);
        film->addWidget(lblFilm(ch));
        film->addWidget(lblSubPhase(ch));
        Cell(row, 1, film);

        lblRdg(ch) = Meter(row, "lblRdg", ch, 96);
        lblRdg(ch)->setFont(reading);
        lblRdg(ch)->setToolTip(QStringLiteral("Channel reading (with X Ch adjustments)."));
        lblExponent(ch) = Small(row, "lblExponent", ch);
        lblExponent(ch)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        lblRdgUnits(ch) = Small(row, "lblRdgUnits", ch);
        auto* units = new QVBoxLayout;
        units->setSpacing(0);
        units->addWidget(lblExponent(ch));
        units->addWidget(lblRdgUnits(ch));
        auto* rate = new QHBoxLayout;
        rate->setSpacing(3);
        rate->addWidget(lblRdg(ch), 1);
        rate->addLayout(units);
        Cell(row, 2, rate);

        lblDevRatio(ch) = Meter(row, "lblDevRatio", ch, 56);
        lblDevRatio(ch)->setToolTip(QStringLiteral("Channel deviation from setpoint."));
        lblRdgDevRatio(ch) = Small(row, "lblRdgDevRatio", ch, QStringLiteral("%"));
        auto* dev = new QHBoxLayout;
        dev->setSpacing(3);
        dev->addWidget(lblDevRatio(ch), 1);
        dev->addWidget(lblRdgDevRatio(ch));
        Cell(row, 3, dev);

        lblTotal(ch) = Meter(row, "lblTotal", ch, 70);
        lblTotal(ch)->setToolTip(QStringLiteral("Accumulated channel total for this layer."));
        lblTotalUnits(ch) = Small(row, "lblTotalUnits", ch);
        cmdZero(ch) = Named(new QPushButton(QStringLiteral("Zero"), row), "cmdZero", ch);
        cmdZero(ch)->setFixedWidth(44);
        cmdZero(ch)->setFocusPolicy(Qt::TabFocus);
        cmdZero(ch)->setToolTip(ch == 0 ? QStringLiteral("Zero total for channel. Shift click zeroes all.")
                                        : QStringLiteral("Zero accumulated total for this channel."));
        auto* total = new QHBoxLayout;
        total->setSpacing(3);
        total->addWidget(lblTotal(ch), 1);
        total->addWidget(lblTotalUnits(ch));
        total->addWidget(cmdZero(ch));
        Cell(row, 4, total);

        lblPower(ch) = Meter(row, "lblPower", ch, 56);
        lblPower(ch)->setToolTip(QStringLiteral("Power reading for this channel."));
        lblRdgPwr(ch) = Small(row, "lblRdgPwr", ch, QStringLiteral("%"));
        txtPower(ch) = Named(new QLineEdit(row), "txtPower", ch);
        txtPower(ch)->setFixedWidth(52);
        txtPower(ch)->setAlignment(Qt::AlignRight);
        txtPower(ch)->setToolTip(QStringLiteral("Manual power setting for this channel."));
        txtPower(ch)->hide();
        chkManPwr(ch) = Named(new QCheckBox(row), "chkManPwr", ch);
        chkManPwr(ch)->setToolTip(ch == 0 ? QStringLiteral("Manual power on/off for this channel. Shift click for all.")
                                          : QStringLiteral("Manual power on/off for this channel."));
        auto* power = new QHBoxLayout;
        power->setSpacing(3);
        power->addWidget(lblPower(ch), 1);
        power->addWidget(lblRdgPwr(ch));
        power->addWidget(txtPower(ch));
        power->addWidget(chkManPwr(ch));
        Cell(row, 5, power);

        // A click leaves the selector on (at most one is on) and opens the editor.
        connect(optChEdit(ch), &QRadioButton::clicked, this, [this, ch] {
            for (int other = 0; other <= 7; ++other) optChEdit(other)->setChecked(other == ch);
            optChEdit_Click(ch);
        });
        rows->addWidget(row);
    }
}
