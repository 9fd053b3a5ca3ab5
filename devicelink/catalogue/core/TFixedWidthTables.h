#pragma once
// The catalogue tables of fixed columns. Every line is as long as the first one (its line end
// included); a record's code is its first 8 characters in the class's base, its texts are cut
// at fixed columns, each ending early at a zero byte. Texts keep their trailing blanks.
//
// A record is kept as its code alone: its place in the data is its index times the record
// length, and its texts are cut from there at each look-up.
//
// A line shorter than its columns gives what it holds: a column ends at the record's end, at a
// line end and at the end of the data, never in the next line.
#include "TTextTable.h"

#include <deque>

// Columns of one fixed-width table.
struct FixedColumns {
    int base;
    qsizetype textColumn;
    qsizetype textWidth;
    qsizetype auxColumn; // auxWidth 0: no second text
    qsizetype auxWidth;
};

class TFixedWidthTable : public TTextTable {
public:
    static constexpr qsizetype CodeWidth = 8;

    bool Load(const QString& path) override;

protected:
    explicit TFixedWidthTable(const FixedColumns& columns);
    std::int32_t Parse() override;
    std::int32_t CodeAt(int index) const override;
    TextRecord RecordAt(int index) const override;
    void ClearRecords() override;

private:
    Span Column(qsizetype recordStart, qsizetype recordEnd, qsizetype column, qsizetype width) const;

    FixedColumns columns_;
    qsizetype recordLength_ = 0;
    std::deque<std::int32_t> codes_;
};

// ECU names: hexadecimal code, a 25-character name from column 9.
class TEcuTextTable : public TFixedWidthTable {
public:
    static constexpr FixedColumns Columns{16, 9, 25, 0, 0};
    TEcuTextTable();
    explicit TEcuTextTable(const QString& path);
};

// Parameter, status, identification and activation names: decimal code, a 25-character name
// from column 9 and a 70-character description from column 35.
class TItemTextTable : public TFixedWidthTable {
public:
    static constexpr FixedColumns Columns{10, 9, 25, 35, 70};
    TItemTextTable();
    explicit TItemTextTable(const QString& path);
};

// Fault texts: hexadecimal code, a 70-character text from column 9.
class TErrorTextTable : public TFixedWidthTable {
public:
    static constexpr FixedColumns Columns{16, 9, 70, 0, 0};
    TErrorTextTable();
    explicit TErrorTextTable(const QString& path);
};
