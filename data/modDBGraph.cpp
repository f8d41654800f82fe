// Graph settings of a process and its row in table Graphs.
#include "app/cErrHandler.h"
#include "data/GraphRec.h"
#include "data/RecordColumns.h"
#include "data/modDB.h"

#include <QByteArray>
#include <array>

namespace modDB {

namespace {

// The sixteen settings of each graph; graph n's column is "G" n and the field's name.
constexpr std::array<RecordColumn<GraphRec>, 16> kGraphFields{{
    {"Caption", &GraphRec::Caption},
    {"Data", &GraphRec::Data},
    {"Advanced", &GraphRec::Advanced},
    {"OnTop", &GraphRec::OnTop},
    {"Channels", &GraphRec::Channels},
    {"ChanAxis", &GraphRec::ChanAxis},
    {"Y1Min", &GraphRec::Y1Min},
    {"Y1Max", &GraphRec::Y1Max},
    {"Y1Units", &GraphRec::Y1Units},
    {"Y1Log", &GraphRec::Y1Log},
    {"Y1Exp", &GraphRec::Y1Exp},
    {"Y2Min", &GraphRec::Y2Min},
    {"Y2Max", &GraphRec::Y2Max},
    {"Y2Units", &GraphRec::Y2Units},
    {"Y2Log", &GraphRec::Y2Log},
    {"Y2Exp", &GraphRec::Y2Exp},
}};

// The X axis columns: one set per row, shared by the four graphs.
constexpr std::array<RecordColumn<GraphRec>, 4> kXColumns{{
    {"XPoints", &GraphRec::XPoints},
    {"XScroll", &GraphRec::XScroll},
    {"XWidth", &GraphRec::XWidth},
    {"XUnits", &GraphRec::XUnits},
}};

using GraphColumns = std::array<RecordColumn<GraphRec>, kGraphFields.size()>;

// The columns of graph g (0..3), named "G1Caption" ... "G4Y2Exp".
const GraphColumns& ColumnsOfGraph(int g) {
    static const auto names = [] {
        std::array<std::array<QByteArray, kGraphFields.size()>, 4> n;
        for (size_t graph = 0; graph < n.size(); ++graph) {
            for (size_t f = 0; f < kGraphFields.size(); ++f) {
                n[graph][f] = 'G' + QByteArray::number(static_cast<int>(graph) + 1) + kGraphFields[f].name;
            }
        }
        return n;
    }();
    static const auto columns = [] {
        std::array<GraphColumns, 4> c;
        for (size_t graph = 0; graph < c.size(); ++graph) {
            for (size_t f = 0; f < kGraphFields.size(); ++f) {
                c[graph][f] = {names[graph][f].constData(), kGraphFields[f].member};
            }
        }
        return c;
    }();
    return columns.at(static_cast<size_t>(g));
}

RowKey RowOf(int16_t nProcess) { return {QStringLiteral("Graphs"), QStringLiteral("Process_Number"), nProcess}; }

QString What(int16_t nProcess) { return QStringLiteral("The graph settings of process %1").arg(nProcess); }

QString GraphQuery(int16_t nProcess) {
    return QStringLiteral("SELECT * FROM Graphs WHERE Process_Number =") + QString::number(nProcess);
}

}  // namespace

void GraphLoad(int16_t nProcess) {
    ORUN_PROC("modDB_GraphLoad");
    const TellUnreadOnce tell;
    // Read into a copy that becomes the settings once the row has been read; after an
    // error, what was read stands.
    BoundedArray<GraphRec, 0, 3> graphs = gGraph;
    const RowWorkResult read = RowWork(FileUse::Read, What(nProcess), [&] {
        graphs = gGraph;
        const dao::Recordset rs = OpenRowAdding(GraphQuery(nProcess), {{QStringLiteral("Process_Number"), nProcess}});
        const RowKey row = RowOf(nProcess);
        ForgetUnreadRow(row);
        for (int g = 0; g <= 3; ++g) {
            for (const auto& column : kXColumns) ReadColumn(rs, row, column, graphs(g));
            for (const auto& column : ColumnsOfGraph(g)) ReadColumn(rs, row, column, graphs(g));
        }
    });
    if (read != RowWorkResult::Undone) gGraph = graphs;
}

void GraphSave(int16_t nProcess) {
    ORUN_PROC("modDB_GraphSave");
    RowWork(FileUse::Write, What(nProcess), [&] {
        dao::Recordset rs = gDB.OpenRecordset(GraphQuery(nProcess));
        if (rs.RecordCount() == 0) return;  // only the load adds rows
        rs.Edit();
        for (int g = 0; g <= 3; ++g) {
            for (const auto& column : ColumnsOfGraph(g)) WriteColumn(rs, RowOf(nProcess), column, gGraph(g));
            // One X axis per process: graph 1's.
            if (g == 0) {
                for (const auto& column : kXColumns) WriteColumn(rs, RowOf(nProcess), column, gGraph(g));
            }
        }
        rs.Update();
    });
}

}  // namespace modDB
