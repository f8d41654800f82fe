#include "app/cErrHandler.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"

namespace modDB {

dao::Database gDB;

void DBErrorPath() {
    for (const dao::Error& e : dao::Errors()) {
        MsgBox(QStringLiteral("Error number: ") + QString::number(e.Number) + QLatin1Char('\r') + e.Description);
    }
    gErr.HandleError();
}

void AddRow(const QString& table, const std::vector<std::pair<QString, QVariant>>& columns) {
    dao::Recordset rs = gDB.OpenRecordset(table);
    rs.AddNew();
    for (const auto& [name, value] : columns) rs.Fields(name) = value;
    rs.Update();
}

}  // namespace modDB
