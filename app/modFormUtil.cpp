#include "app/modFormUtil.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace {

const QString kSection = QStringLiteral("Form Positions");

// The program's windows: top-level widgets named as windows are ("frm..."), not menus,
// tips or dialogs of the platform.
QList<QWidget*> OpenForms() {
    QList<QWidget*> forms;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName().startsWith(QLatin1String("frm"), Qt::CaseInsensitive)) forms << w;
    return forms;
}

QRect ScreenArea(const QWidget* form) {
    const QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

bool FixedSize(const QWidget* form) { return form->minimumSize() == form->maximumSize(); }

// The number after "<name>=" in the stored text, rounded to a whole number; missing when
// the field is not there.
bool Field(const QString& text, const QString& name, double& value) {
    const int at = text.indexOf(name + QLatin1Char('='), 0, Qt::CaseInsensitive);
    if (at < 0) return false;
    value = std::nearbyint(vb::Val(text.mid(at + name.size() + 1)));
    return true;
}

QString KeyOf(const QWidget* form, const QString& key) { return key.isEmpty() ? form->objectName() : key; }

}  // namespace

namespace modFormUtil {

void CenterFormScreen(QWidget* form) {
    RunReportingErrors(QStringLiteral("CenterFormScreen"), [&] {
        const QRect screen = ScreenArea(form);
        const QRect frame = form->frameGeometry();
        form->move(screen.x() + (screen.width() - frame.width()) / 2, screen.y() + (screen.height() - frame.height()) / 2);
    });
}

void CloseForms(QWidget* form) {
    RunReportingErrors(QStringLiteral("CloseForms"), [&] {
        for (QWidget* w : OpenForms())
            if (w != form) w->close();
        if (form) form->close();
    });
}

QWidget* FormByName(const QString& name) {
    for (QWidget* w : OpenForms())
        if (w->objectName().compare(name, Qt::CaseInsensitive) == 0) return w;
    return nullptr;
}

bool IsFormLoaded(const QString& name) { return FormByName(name) != nullptr; }

QWidget* FormByCaption(const QString& caption) {
    for (QWidget* w : OpenForms())
        if (w->windowTitle().compare(caption, Qt::CaseInsensitive) == 0) return w;
    return nullptr;
}

bool IsFormLoadedByCaption(const QString& caption) { return FormByCaption(caption) != nullptr; }

bool RestoreFormPosition(QWidget* form, bool keepOnScreen, const QString& key) {
    return ResultReportingErrors(QStringLiteral("RestoreFormPosition"), false, [&] {
        const QString text = GetSetting(App().Title, kSection, KeyOf(form, key));
        if (text.isEmpty()) return false;
        double left = 0, top = 0, width = 0, height = 0, state = 0;
        Field(text, QStringLiteral("L"), left);
        Field(text, QStringLiteral("T"), top);
        Field(text, QStringLiteral("S"), state);
        const QRect frame = form->frameGeometry();
        // A window of fixed size keeps it; so does one whose stored value lacks a measure,
        // which would otherwise shrink to nothing.
        if (FixedSize(form) || !Field(text, QStringLiteral("W"), width)) width = PixelsToTwipsX(frame.width());
        if (FixedSize(form) || !Field(text, QStringLiteral("H"), height)) height = PixelsToTwipsY(frame.height());
        if (state == 1) {
            form->setWindowState(Qt::WindowMinimized);
            return true;
        }
        if (state == 2) {
            form->setWindowState(Qt::WindowMaximized);
            return true;
        }
        if (keepOnScreen) {
            const QRect screen = ScreenArea(form);
            const double screenW = PixelsToTwipsX(screen.width());
            const double screenH = PixelsToTwipsY(screen.height());
            if (screenW <= left) left = screenW - width;
            if (screenH <= top) top = screenH - height;
            if (top < 0) top = 0;
            if (left < 0) left = 0;
        }
        const int extraW = frame.width() - form->width();
        const int extraH = frame.height() - form->height();
        form->move(TwipsToPixelsX(left), TwipsToPixelsY(top));
        if (!FixedSize(form))
            form->resize(std::max(0, TwipsToPixelsX(width) - extraW), std::max(0, TwipsToPixelsY(height) - extraH));
        return true;
    });
}

void SaveFormPosition(QWidget* form, const QString& key) {
    RunReportingErrors(QStringLiteral("SaveFormPosition"), [&] {
        const Qt::WindowStates states = form->windowState();
        if (states & Qt::WindowMinimized) return;
        const QRect frame = form->frameGeometry();
        const int state = (states & Qt::WindowMaximized) ? 2 : 0;
        const QString text = QStringLiteral("L=%1;T=%2;W=%3;H=%4;S=%5")
                                 .arg(vb::CStr(std::round(PixelsToTwipsX(frame.x()))),
                                      vb::CStr(std::round(PixelsToTwipsY(frame.y()))),
                                      vb::CStr(std::round(PixelsToTwipsX(frame.width()))),
                                      vb::CStr(std::round(PixelsToTwipsY(frame.height()))), vb::CStr(state));
        SaveSetting(App().Title, kSection, KeyOf(form, key), text);
    });
}

}  // namespace modFormUtil
