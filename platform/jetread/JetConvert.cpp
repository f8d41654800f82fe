#include "JetConvert.h"

#include "ScratchWriter.h"

void ConvertJetToSqlite(const QString& source, const QString& target) {
    const JetFile jet(source);
    ScratchWriter out(target);
    for (const QString& name : jet.UserTables()) {
        // The copy keeps the properties under this name; a table of the same name is no
        // recipe table and stays in the Access file.
        if (name.compare(ScratchWriter::PropertiesTable(), Qt::CaseInsensitive) == 0) continue;
        jet.ReadTable(
            name, [&](const JetTable& table) { out.BeginTable(table); }, [&](const QVariantList& row) { out.Row(row); });
    }
    out.Properties(jet.UserDefinedProperties());
    out.Finish();
}
