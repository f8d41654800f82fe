#include "editors/frmLayerFilm.h"

#include "app/modFormUtil.h"
#include "data/ProcessRec.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

QPointer<frmLayerFilm> gLayerEditor;
QPointer<frmLayerFilm> gFilmEditor;

frmLayerFilm::frmLayerFilm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmLayerFilm"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* grid = new QGridLayout(this);
    lblChan = new QLabel(QStringLiteral("Channel"), this);
    lblChan->setObjectName(QStringLiteral("lblChan"));
    cboChan = new QComboBox(this);
    cboChan->setObjectName(QStringLiteral("cboChan"));
    for (int c = 1; c <= 8; ++c) cboChan->addItem(QString::number(c));
    lblOut = new QLabel(QStringLiteral("Output"), this);
    lblOut->setObjectName(QStringLiteral("lblOut"));
    cboOut = new QComboBox(this);
    cboOut->setObjectName(QStringLiteral("cboOut"));
    cboOut->addItem(QStringLiteral("--"));
    for (int o = 1; o <= 8; ++o) cboOut->addItem(QString::number(o));
    grid->addWidget(lblChan, 0, 0);
    grid->addWidget(cboChan, 0, 1);
    grid->addWidget(lblOut, 1, 0);
    grid->addWidget(cboOut, 1, 1);
}

void frmLayerFilm::ShowLayer(int16_t n) {
    mLayer = n;
    mFilm = gLayer.inRange(n) ? gLayer(n).Film_Number : 0;
    if (gLayer.inRange(n)) {
        cboChan->setCurrentIndex(gLayer(n).Channel >= 0 && gLayer(n).Channel <= 7 ? gLayer(n).Channel : -1);
        cboOut->setCurrentIndex(gLayer(n).Output >= 0 && gLayer(n).Output <= 7 ? gLayer(n).Output + 1 : 0);
    }
    if (!modFormUtil::IsFormLoadedByCaption(QStringLiteral("Edit Layer"))) {
        setWindowTitle(QStringLiteral("Edit Layer"));
        show();
    }
}
