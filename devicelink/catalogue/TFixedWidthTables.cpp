#include "TFixedWidthTables.h"

#include <algorithm>

namespace {

bool EndsColumn(char c) { return c == '\0' || c == '\r' || c == '\n'; }

} // namespace

TFixedWidthTable::TFixedWidthTable(const FixedColumns& columns) : TTextTable(false, columns.base), columns_(columns) {}

bool TFixedWidthTable::Load(const QString& path) { return LoadFile(path); }

TTextTable::Span TFixedWidthTable::Column(qsizetype recordStart, qsizetype recordEnd, qsizetype column,
                                          qsizetype width) const {
    const qsizetype begin = recordStart + column;
    if (begin >= recordEnd)
        return {begin, 0};
    const qsizetype end = std::min(begin + width, recordEnd);
    const char* d = data.constData();
    qsizetype i = begin;
    while (i < end && !EndsColumn(d[i]))
        ++i;
    return {begin, i - begin};
}

void TFixedWidthTable::ParseLines(const std::vector<Line>& lines) {
    records.clear();
    if (lines.empty())
        return;
    // The first line, with its line end, sets the length of every record.
    const qsizetype recordLength = lines.front().lineEnd;
    const qsizetype size = data.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const qsizetype start = static_cast<qsizetype>(i) * recordLength;
        if (start >= size)
            break; // shorter lines than the first: no record begins beyond the data
        const qsizetype end = std::min(start + recordLength, size);
        TextRecord rec;
        const Span code = Column(start, end, 0, CodeWidth);
        rec.code = ParseCode(data.constData() + code.offset, code.length, columns_.base);
        rec.text = Column(start, end, columns_.textColumn, columns_.textWidth);
        if (columns_.auxWidth > 0)
            rec.aux = Column(start, end, columns_.auxColumn, columns_.auxWidth);
        records.push_back(rec);
    }
}

TEcuTextTable::TEcuTextTable() : TFixedWidthTable(Columns) {}
TEcuTextTable::TEcuTextTable(const QString& path) : TFixedWidthTable(Columns) { TFixedWidthTable::Load(path); }

TItemTextTable::TItemTextTable() : TFixedWidthTable(Columns) {}
TItemTextTable::TItemTextTable(const QString& path) : TFixedWidthTable(Columns) { TFixedWidthTable::Load(path); }

TErrorTextTable::TErrorTextTable() : TFixedWidthTable(Columns) {}
TErrorTextTable::TErrorTextTable(const QString& path) : TFixedWidthTable(Columns) { TFixedWidthTable::Load(path); }
