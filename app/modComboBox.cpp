#include "app/modComboBox.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"

#include <QComboBox>

namespace modComboBox {
namespace {

void checkSet(const QComboBox* combo) {
    if (!combo) throw RuntimeError::ObjectNotSet();
}

}  // namespace

int AddItemDataComboBox(QComboBox* combo, const QString& Item, int32_t Data) {
    return ResultReportingErrors<int>(QStringLiteral("AddItemDataComboBox"), 0, [&] {
        checkSet(combo);
        int at = combo->count();
        if (combo->insertPolicy() == QComboBox::InsertAlphabetically) {
            at = 0;
            while (at < combo->count() && combo->itemText(at).compare(Item, Qt::CaseInsensitive) <= 0) ++at;
        }
        combo->insertItem(at, Item, QVariant(Data));
        return at;
    });
}

int FindItemDataComboBox(QComboBox* combo, const QString& Data) {
    return ResultReportingErrors<int>(QStringLiteral("FindItemDataComboBox"), -1, [&] {
        checkSet(combo);
        if (combo->count() == 0) return -1;
        const int32_t wanted = vb::CLng(Data);
        // An item added without a number carries 0, as list items always did.
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemData(i).toInt() == wanted) return i;
        }
        return -1;
    });
}

int FindStringComboBox(QComboBox* combo, const QString& Text, bool Exact) {
    return ResultReportingErrors<int>(QStringLiteral("FindStringComboBox"), -1, [&] {
        checkSet(combo);
        for (int i = 0; i < combo->count(); ++i) {
            const QString item = combo->itemText(i);
            if (Exact ? item.compare(Text, Qt::CaseInsensitive) == 0
                      : item.startsWith(Text, Qt::CaseInsensitive))
                return i;
        }
        return -1;
    });
}

}  // namespace modComboBox
