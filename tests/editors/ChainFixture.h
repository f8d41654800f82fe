#pragma once
// Layer chains written as text, over a recipe database that holds a row for every process
// and layer record: "5>9+2>7" is First_Layer 5, 5 -Next-> 9 -CoDep-> 2 -Next-> 7.
#include "app/VBConv.h"
#include "editors/EditorFixture.h"
#include "editors/LayerChain.h"

#include <QRegularExpression>
#include <ostream>

// Texts in failure messages as texts.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

class ChainFixture : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        for (auto& p : gProcess) p = ProcessRec{};
        for (auto& l : gLayer) l = LayerRec{};
        dao::Transaction rows(modDB::gDB);
        for (int16_t p = 1; p <= 25; ++p) modDB::ProcessLoad(p);
        for (int16_t l = 1; l <= 250; ++l) modDB::LayerLoad(l);
        rows.Commit();
    }

    // Gives process p the chain of the text and its counts, and writes them. Record l has
    // film l % 3 + 1, channel and output l % 8.
    static void Link(int16_t p, const QString& text) {
        ProcessRec& process = gProcess(p);
        process.Number_Layers = process.Number_Act_Layers = 0;
        LayerRec* last = nullptr;
        for (const auto& m : QRegularExpression("([>+]?)(\\d+)").globalMatch(text)) {
            const int16_t l = int16_t(m.captured(2).toInt());
            if (!last) process.First_Layer = l;
            else (m.captured(1) == ">" ? last->Next_Layer : last->CoDep_Layer) = l;
            process.Number_Layers += m.captured(1) != "+";
            ++process.Number_Act_Layers;
            last = &gLayer(l);
            *last = LayerRec{};
            last->Layer_Number = l;
            last->Film_Number = int16_t(l % 3 + 1);
            last->Channel = last->Output = int16_t(l % 8);
            last->Next_Layer = last->CoDep_Layer = -1;
        }
        for (int16_t l = 1; l <= 250; ++l)
            if (gLayer(l).Film_Number != -1) modDB::LayerSave(l);
        modDB::ProcessSave(p);
    }

    // Process p's chain as text, then its steps and records: "5>9+2>7 3/4". A record that
    // holds both links shows its CoDep_Layer in parentheses.
    static QString Chain(int16_t p) {
        const ProcessRec& process = gProcess(p);
        QString text = QString::number(process.First_Layer);
        for (int16_t l = process.First_Layer, n = 0; l >= 1 && l <= 250 && n < 260; ++n) {
            const LayerRec& r = gLayer(l);
            if (r.Next_Layer >= 1 && r.CoDep_Layer >= 1) text += QString("(+%1)").arg(r.CoDep_Layer);
            l = r.Next_Layer >= 1 ? r.Next_Layer : r.CoDep_Layer;
            if (l >= 1) text += (r.Next_Layer >= 1 ? ">" : "+") + QString::number(l);
        }
        return text + QString(" %1/%2").arg(process.Number_Layers).arg(process.Number_Act_Layers);
    }

    // The layer records whose row, read through a connection of its own, differs from
    // memory in film or links; empty when the file holds what memory holds.
    QString StoredLayersDiffering() const {
        QStringList differing;
        for (dao::Recordset rs = File().OpenRecordset("Layers"); !rs.Eof(); rs.MoveNext()) {
            const LayerRec& r = gLayer(vb::CInt(rs.Fields("Layer_Number").Value()));
            if (vb::CInt(rs.Fields("Film_Number").Value()) != r.Film_Number ||
                vb::CInt(rs.Fields("Next_Layer").Value()) != r.Next_Layer ||
                vb::CInt(rs.Fields("CoDep_Layer").Value()) != r.CoDep_Layer)
                differing << rs.Fields("Layer_Number").Value().toString();
        }
        return differing.join(',');
    }

    // Process p as "<name>|<first> <steps>/<records>", from memory or from its row.
    static QString ProcessText(int16_t p) {
        const ProcessRec& r = gProcess(p);
        return vb::Trim(r.Process_Name) + QString("|%1 %2/%3").arg(r.First_Layer).arg(r.Number_Layers).arg(r.Number_Act_Layers);
    }
    QString StoredProcess(int16_t p) const {
        const dao::Recordset rs = File().OpenRecordset(QString("SELECT * FROM Processes WHERE Process_Number =%1").arg(p));
        return vb::Trim(vb::CStr(rs.Fields("Process_Name").Value())) + "|" + rs.Fields("First_Layer").Value().toString() + " " +
               rs.Fields("Number_Layers").Value().toString() + "/" + rs.Fields("Number_Act_Layers").Value().toString();
    }

    dao::Database File() const { return dao::OpenDatabase(folder.file("ORUN.MDB")); }
};
