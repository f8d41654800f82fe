#include "app/modFormUtil.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <optional>

namespace modFormUtil {
namespace {

const QString kSection = QStringLiteral("Form Positions");

const char* const kUnloaded = "orunUnloaded";
const char* const kUnloading = "orunUnloading";

bool isOpen(const QWidget* w) { return w->isWindow() && !w->property(kUnloaded).toBool(); }

template <typename Match>
QWidget* findOpen(Match&& match) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (isOpen(w) && match(w)) return w;
    return nullptr;
}

QString keyOf(const QWidget* form, const QString& keyName) {
    return keyName.isEmpty() ? form->objectName() : keyName;
}

// The number after "<field>=" in the stored text, rounded; nullopt when the field is missing.
std::optional<int> field(const QString& text, const QString& name) {
    const int at = text.indexOf(name + QLatin1Char('='));
    if (at < 0) return std::nullopt;
    return int(vb::Round(vb::Val(text.mid(at + name.size() + 1).section(QLatin1Char(';'), 0, 0))));
}

}  // namespace

QWidget* LoadedForm(const QString& Name) {
    return findOpen([&](const QWidget* w) { return w->objectName().compare(Name, Qt::CaseInsensitive) == 0; });
}

QWidget* LoadedFormByCaption(const QString& Caption) {
    return findOpen([&](const QWidget* w) { return w->windowTitle().compare(Caption, Qt::CaseInsensitive) == 0; });
}

bool Unload(QWidget* Form) {
    if (!Form) return true;
    QPointer<QWidget> guard(Form);
    Form->setProperty(kUnloading, true);
    const bool closed = Form->close();
    if (guard) guard->setProperty(kUnloading, false);
    return closed;
}

int UnloadMode(const QWidget* Form) { return Form && Form->property(kUnloading).toBool() ? 1 : 0; }

void MarkUnloaded(QWidget* Form) {
    if (Form) Form->setProperty(kUnloaded, true);
}

void CenterFormScreen(QWidget* Form) {
    RunReportingErrors(QStringLiteral("CenterFormScreen"), [&] {
        if (!Form) throw RuntimeError::ObjectNotSet();
        const QRect screen = (Form->screen() ? Form->screen() : QGuiApplication::primaryScreen())->geometry();
        const QRect frame = Form->frameGeometry();
        Form->move(screen.x() + (screen.width() - frame.width()) / 2, screen.y() + (screen.height() - frame.height()) / 2);
    });
}

// The program's windows, not the platform's menus and pop-ups.
QList<QWidget*> LoadedForms(const QWidget* Except) {
    QList<QWidget*> forms;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != Except && isOpen(w) && w->objectName().startsWith(QLatin1String("frm"), Qt::CaseInsensitive)) forms << w;
    return forms;
}

void CloseForms(QWidget* Form) {
    RunReportingErrors(QStringLiteral("CloseForms"), [&] {
        QList<QPointer<QWidget>> others;
        for (QWidget* w : LoadedForms(Form)) others << w;
        for (const QPointer<QWidget>& w : others)
            if (w) Unload(w);
        Unload(Form);
    });
}

bool IsFormLoaded(const QString& Name) { return LoadedForm(Name) != nullptr; }

bool IsFormLoadedByCaption(const QString& Caption) { return LoadedFormByCaption(Caption) != nullptr; }

void SaveFormPosition(QWidget* Form, const QString& KeyName) {
    RunReportingErrors(QStringLiteral("SaveFormPosition"), [&] {
        if (!Form) throw RuntimeError::ObjectNotSet();
        if (Form->isMinimized()) return;
        const QRect r = Form->frameGeometry();
        const int state = Form->isMaximized() ? 2 : 0;
        const QString text = QStringLiteral("L=%1;T=%2;W=%3;H=%4;S=%5")
                                 .arg(vb::CStr(PixelsToTwipsX(r.x())), vb::CStr(PixelsToTwipsY(r.y())),
                                      vb::CStr(PixelsToTwipsX(r.width())), vb::CStr(PixelsToTwipsY(r.height())))
                                 .arg(state);
        SaveSetting(App().Title, kSection, keyOf(Form, KeyName), text);
    });
}

bool RestoreFormPosition(QWidget* Form, bool KeepOnScreen, const QString& KeyName) {
    return ResultReportingErrors<bool>(QStringLiteral("RestoreFormPosition"), false, [&] {
        if (!Form) throw RuntimeError::ObjectNotSet();
        const QString text = GetSetting(App().Title, kSection, keyOf(Form, KeyName));
        if (text.isEmpty()) return false;
        const int state = field(text, QStringLiteral("S")).value_or(0);
        if (state == 1 || state == 2) {
            if (state == 1) Form->showMinimized();
            else Form->showMaximized();
            return true;
        }
        // Sizes in pixels of the window's frame, as stored.
        const QRect frame = Form->frameGeometry();
        const int extraW = frame.width() - Form->width(), extraH = frame.height() - Form->height();
        int left = TwipsToPixelsX(field(text, QStringLiteral("L")).value_or(0));
        int top = TwipsToPixelsY(field(text, QStringLiteral("T")).value_or(0));
        const bool fixed = Form->minimumSize() == Form->maximumSize();
        const auto w = field(text, QStringLiteral("W")), h = field(text, QStringLiteral("H"));
        const int width = fixed || !w ? frame.width() : TwipsToPixelsX(*w);
        const int height = fixed || !h ? frame.height() : TwipsToPixelsY(*h);
        if (KeepOnScreen) {
            const QRect screen = (Form->screen() ? Form->screen() : QGuiApplication::primaryScreen())->geometry();
            if (screen.width() <= left) left = screen.width() - width;
            if (screen.height() <= top) top = screen.height() - height;
            top = std::max(top, 0);
            left = std::max(left, 0);
        }
        Form->move(left, top);
        if (!fixed) Form->resize(std::max(0, width - extraW), std::max(0, height - extraH));
        return true;
    });
}

}  // namespace modFormUtil
