// The layer grid: the current layer's set points, start mode and start prompt, and the
// units of its film beside them.
#include "editors/frmLayerFilm.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modComboBox.h"
#include "app/modFormUtil.h"
#include "editors/GridCycle.h"
#include "platform/Dialogs.h"
#include "platform/TarselGrid.h"

#include <QComboBox>

namespace {

const QString kRateMessage = QStringLiteral("Valid Rate values are  0.0 to 999.9.");
const QString kThicknessMessage = QStringLiteral("Valid Thickness values are  0.0 to 999.9.");

}  // namespace

// The film's units as the Setpoint row shows them; thicknesses are in kA only for a film
// shown in A/s (or with no units).
QString frmLayerFilm::LayerUnits() const { return vb::Trim(Film().Units); }

void frmLayerFilm::SetupGridLayer() {
    const std::function<LayerRec&()> layer = [this]() -> LayerRec& { return Layer(); };
    const auto treeRefresh = [this] { TreeRefresh(); };
    const auto thicknessUnits = [this]() -> std::optional<QString> {
        const QString u = vb::UCase(LayerUnits());
        return u.isEmpty() || u == "A/S" || u == "A/SEC" || u == "A/SEC." ? QStringLiteral("kA") : QString();
    };
    std::vector<GridRow>& rows = cycLayer->rows;

    rows.push_back(NumberRow("Setpoint", {}, "Setpoint for layer (typically A/s).", FieldGet(layer, &LayerRec::Rate),
                             FieldSet(layer, &LayerRec::Rate), "0.00", 0.0, 999.9, kRateMessage));
    rows.back().stored = treeRefresh;
    rows.back().showUnits = [this]() -> std::optional<QString> {
        QString units = LayerUnits();
        if (Film().Exponent != 0) units += QStringLiteral(" ^") + vb::CStr(int(Film().Exponent));
        return units;
    };

    rows.push_back(NumberRow("Endpoint", {}, "Accumulated value that ends the layer (typically kA).",
                             FieldGet(layer, &LayerRec::Thick), FieldSet(layer, &LayerRec::Thick), "0.000", 0.0, 999.9,
                             kThicknessMessage));
    rows.back().stored = treeRefresh;
    rows.back().showUnits = thicknessUnits;

    rows.push_back(NumberRow("End SetPt", {}, "Accumulated value to trigger relay.", FieldGet(layer, &LayerRec::ThickSetPt),
                             FieldSet(layer, &LayerRec::ThickSetPt), "0.000", 0.0, 999.9, kThicknessMessage));
    rows.back().showUnits = thicknessUnits;

    rows.push_back(TimeRow("Time SetPt", "h:m:s", "Time after deposit begins to end layer.",
                           FieldGet(layer, &LayerRec::TimeSetPt), FieldSet(layer, &LayerRec::TimeSetPt)));

    // The list offers "Contstant" while the cell shows "Constant"; both are code 2.
    rows.push_back(ChoiceRow("Start Mode", "Start next layer automatically, wait for user, or run continuously.",
                             {"Auto", "Manual", "Contstant"}, 0, FieldGet(layer, &LayerRec::StartMode),
                             FieldSet(layer, &LayerRec::StartMode), [this]() -> std::optional<QString> {
                                 const int mode = Layer().StartMode;
                                 if (mode <= 0) return QStringLiteral("Auto");
                                 if (mode == 1) return QStringLiteral("Manual");
                                 if (mode == 2) return QStringLiteral("Constant");
                                 return std::nullopt;
                             }));

    rows.push_back(TextRow("Start Prompt", "Click to see entire prompt for Manual Start layer.",
                           [this] { return Layer().Prompt; }, [this](const QString& t) { Layer().Prompt = t; }));
    rows.back().alignment = tgAlignLeft;

    // Before the rows: the film, channel and output lists follow the layer; the channel and
    // output can be changed only while the process tree window is open.
    cycLayer->loading = [this] {
        cboFilms->setCurrentIndex(modComboBox::FindItemDataComboBox(cboFilms, vb::CStr(int(Layer().Film_Number))));
        cboChan->setCurrentIndex(Layer().Channel);
        cboOut->setCurrentIndex(Layer().Output + 1);
        const bool tree = modFormUtil::IsFormLoaded(QStringLiteral("frmProcess"));
        cboChan->setEnabled(tree);
        cboOut->setEnabled(tree);
    };
    cycLayer->Setup("LAYER");
}

void frmLayerFilm::LoadGridLayer() { cycLayer->Load(); }

// A click on the prompt asks for the whole prompt; an empty answer may remove it.
void frmLayerFilm::grdLayer_CellClick(int Row, int Col) {
    if (Row != 5 || Col != 0) return;
    ORUN_PROC("frmLayerFilm_grdLayer_CellClick");
    try {
        const QString answer = InputBox(QString(), QStringLiteral("Enter layer start prompt"), Layer().Prompt);
        if (answer.isEmpty()) {
            if (MsgBox(QStringLiteral("Elminate start prompt for this layer?"), vbYesNo, QStringLiteral("No start prompt!")) == vbYes)
                Layer().Prompt.clear();
        } else {
            Layer().Prompt = answer;
        }
        grdLayer->setCellText(Row, Col, Layer().Prompt);
        grdLayer->RefreshCell(Row, Col);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmLayerFilm::ShowLayerUnits() {
    for (int i = 0; i < 3 && i < int(cycLayer->rows.size()); ++i)
        if (const auto& units = cycLayer->rows[size_t(i)].showUnits)
            if (const auto text = units()) grdLayer->setCellText(i, 1, *text);
}
