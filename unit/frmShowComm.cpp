#include "unit/frmShowComm.h"

#include "app/modFormUtil.h"

frmShowComm::frmShowComm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmShowComm"));
    setAttribute(Qt::WA_DeleteOnClose);
}

void frmShowComm::setMode(int16_t nMode) {
    Mode_ = nMode;
    show();
    raise();
}

frmShowComm* ShowCommForm() {
    if (auto* open = qobject_cast<frmShowComm*>(modFormUtil::LoadedForm(QStringLiteral("frmShowComm")))) return open;
    return new frmShowComm;
}
