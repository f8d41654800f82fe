#pragma once
// The editing cycle that every grid of the layer and film editor shares. A grid is a
// table of rows (GridRow): each row says how its record field is shown, how a commit reads
// the cell and stores it, with which range and refusal text, and what a stored value sets
// off (a tree rebuild, a push to the running channels). GridCycle binds one TarselGrid to
// its rows and handles the grid's events:
//
// - CellOver: the grid's hint becomes the row's hint ("" off the data rows).
// - BeforeEdit (value column): a choice row fills the list with its items and selects the
//   stored code; any other row selects the shown text with the caret at its end, so what
//   the user types replaces it.
// - Commit: Enter while editing and LostFocus run AfterEdit for the current cell and then
//   EndEdit; the grid raises AfterEdit itself when the user moves to another cell.
// - AfterEdit (value column): the row's kind decides how the cell is read and stored; a
//   number must be the whole text, never the leading digits of it. A
//   cell whose text is still the one the program last wrote is not stored again (its text
//   may be rounded: "0.00", a time of day that dropped whole days), and a choice row
//   stores ListIndex only when this row filled the list and an item is chosen.
// - Load: every value cell is rewritten from the record.
#include "app/VBConv.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

class TarselGrid;

struct GridRow {
    enum Kind { Number, Time, Choice, Text, Button };
    Kind kind = Number;
    QString caption;
    QString units;  // fixed text of the units cell
    QString hint;   // tooltip over the row
    int editor = 3;      // CellEditor code of the value cell
    int alignment = -1;  // CellAlignment of the value cell; -1 leaves the column's

    // The texts the load writes into the value cell and, when given, the units cell;
    // nullopt keeps the cell's text.
    std::function<std::optional<QString>()> show;
    std::function<std::optional<QString>()> showUnits;

    // Number, Time and Choice rows: the record field as a number. A whole-number field
    // takes a decimal rounded (halves to the even one); one out of its type's range is an
    // overflow error.
    std::function<double()> get;
    std::function<void(double)> set;
    // Text rows: the record field as text.
    std::function<QString()> getText;
    std::function<void(const QString&)> setText;

    // Number rows: the accepted range (bounds included; none takes every number), the text
    // a reading of 0 is first written as (none when empty), the refusal message and the
    // cell's text after a refusal (by default the field with one decimal).
    std::function<bool(double)> accepts;
    QString zeroText = QStringLiteral("0.0");
    std::function<QString()> message;
    std::function<QString()> reshow;

    // Choice rows: the items in order; the field stores ListIndex + offset.
    QStringList items;
    int offset = 0;

    // Runs after the row stored a value.
    std::function<void()> stored;
    // A row whose commit departs from its kind's rule does the whole commit itself.
    std::function<void(int row)> commit;
};

// Getter and setter of a numeric member of the record that rec() returns: a decimal
// stored into a whole-number member is rounded (halves to the even one), and one out of
// the member's range is an overflow error.
template <class Rec, class T>
std::function<double()> FieldGet(std::function<Rec&()> rec, T Rec::*member) {
    return [rec, member] { return static_cast<double>(rec().*member); };
}
template <class Rec, class T>
std::function<void(double)> FieldSet(std::function<Rec&()> rec, T Rec::*member) {
    return [rec, member](double v) {
        if constexpr (std::is_floating_point_v<T>) rec().*member = v;
        else if constexpr (sizeof(T) == 2) rec().*member = vb::CInt(v);
        else rec().*member = vb::CLng(v);
    };
}

// Builders of the common rows. Field access comes as a getter and a setter over the
// current record.
GridRow NumberRow(const QString& caption, const QString& units, const QString& hint,
                  std::function<double()> get, std::function<void(double)> set, const QString& showFormat,
                  double low, double high, const QString& message);
GridRow TimeRow(const QString& caption, const QString& units, const QString& hint, std::function<double()> get,
                std::function<void(double)> set);
GridRow ChoiceRow(const QString& caption, const QString& hint, const QStringList& items, int offset,
                  std::function<double()> get, std::function<void(double)> set,
                  std::function<std::optional<QString>()> show);
GridRow TextRow(const QString& caption, const QString& hint, std::function<QString()> get,
                std::function<void(const QString&)> set);

// The time texts of the cycle: seconds shown as a time of day "hh:mm:ss" (whole days
// dropped), and the message of a refused time.
QString SecondsText(double seconds);
extern const QString kTimeMessage;

class GridCycle : public QObject {
    Q_OBJECT
public:
    // The trace names pushed on the error handler; an empty name pushes nothing.
    struct Names {
        QString load, beforeEdit, afterEdit;
    };

    GridCycle(TarselGrid* grid, Names names, QObject* parent = nullptr);

    TarselGrid* grid() const { return grid_; }
    std::vector<GridRow> rows;
    // The row whose items the grid's list holds (its BeforeEdit filled it), -1 when none.
    int ListRow() const { return listRow_; }

    // Runs at the end of every AfterEdit on a data row's value cell that had something to
    // commit, stored or refused: the refresh of the other editor window.
    std::function<void()> committed;
    // Runs at the start of Load (inside its error path): a grid's own cells beside the rows.
    std::function<void()> loading;

    // Builds the grid once: the column widths in per cent (caption, value, units; no
    // units column when units is below 0), the shaded read-only units column, the bold
    // headings, the height that shows every row, and each row's caption, editor and units.
    void Setup(const QString& corner, double captionWidth = 45, double valueWidth = 30, double unitsWidth = 25);
    // Rewrites every value cell from the record; keeps an open list in step with the
    // current row's field when that row filled it.
    void Load();

    // The cycle's event handlers, connected to the grid by the constructor.
    void CellOver(int Row, int Col);
    void BeforeEdit(int Row, int Col);
    void KeyPress(int& KeyAscii);
    void LostFocus();
    void AfterEdit(int Row, int Col);

    // The shared commit rules, for rows that do part of their commit themselves.
    // Number: reads the cell (a reading of 0 first rewrites it as the zero text); an
    // accepted number is stored; a text that is not wholly a number, or a number out of
    // range, shows the row's message and re-shows the cell. True when stored.
    bool CommitNumber(int Row);
    // The cell's text as a number; a text that is not wholly one is refused as CommitNumber
    // refuses it, and gives nothing.
    std::optional<double> TypedNumber(int Row);
    // Time: a text with ":" is a time of day, one without a number of seconds (0 or more);
    // the cell then shows the stored time. A text that is neither gives the time message.
    bool CommitTime(int Row);
    // Shows a refusal and re-shows the cell from the record.
    void Refuse(int Row, const QString& message, const QString& reshow);

private:
    bool hasRow(int Row) const { return Row >= 0 && Row < int(rows.size()); }
    // A row's refusal: its message ("Valid <caption> values are numbers." for a row that
    // takes any number) and the text the cell is re-shown with.
    QString RefusalOf(const GridRow& r) const;
    QString ReshowOf(const GridRow& r) const;
    int codeOf(const GridRow& r) const;

    TarselGrid* grid_;
    Names names_;
    int listRow_ = -1;  // the row whose items the list holds, -1 when none
};
