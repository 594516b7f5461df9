#pragma once
// One contact: a row of the log table, nine text columns in table order.

#include <QString>
#include <array>

namespace zelq {

enum class Column { calls, namerec, spc, cont, flddate, fldtime, uband, namesent, trn };
inline constexpr int ColumnCount = 9;

struct Contact {
    QString calls;    // call worked, upper case, portable suffix included
    QString namerec;  // name received
    QString spc;      // section abbreviation or North-American country name
    QString cont;     // continent at logging time
    QString flddate;  // UTC date "yyyy/MM/dd"
    QString fldtime;  // UTC time "hh:mm:ss" ("hh:mm" for contacts entered afterwards)
    QString uband;    // band text
    QString namesent; // own first name as sent
    QString trn;      // transmitter number of the position that logged it

    // Column 0..8 in table order.
    const QString& at(int column) const;
    QString& at(int column);

    bool operator==(const Contact&) const = default;
};

} // namespace zelq
