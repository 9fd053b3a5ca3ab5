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

std::int32_t TFixedWidthTable::Parse() {
    recordLength_ = 0;
    const qsizetype size = data.size();
    std::int32_t lines = 0;
    ForEachLine([&](qsizetype, qsizetype, qsizetype lineEnd) {
        // The first line, with its line end, sets the length of every record.
        if (lines == 0)
            recordLength_ = lineEnd;
        const qsizetype start = static_cast<qsizetype>(lines) * recordLength_;
        if (start >= size)
            return false; // shorter lines than the first: no record begins beyond the data
        const Span code = Column(start, std::min(start + recordLength_, size), 0, CodeWidth);
        codes_.push_back(ParseCode(data.constData() + code.offset, code.length, columns_.base));
        ++lines;
        return true;
    });
    return lines;
}

std::int32_t TFixedWidthTable::CodeAt(int index) const { return codes_[static_cast<std::size_t>(index)]; }

TTextTable::TextRecord TFixedWidthTable::RecordAt(int index) const {
    TextRecord rec;
    if (index < 0 || index >= count)
        return rec;
    const qsizetype start = static_cast<qsizetype>(index) * recordLength_;
    const qsizetype end = std::min(start + recordLength_, data.size());
    rec.code = CodeAt(index);
    rec.text = Column(start, end, columns_.textColumn, columns_.textWidth);
    if (columns_.auxWidth > 0)
        rec.aux = Column(start, end, columns_.auxColumn, columns_.auxWidth);
    return rec;
}

void TFixedWidthTable::ClearRecords() {
    TTextTable::ClearRecords();
    std::deque<std::int32_t>().swap(codes_);
    recordLength_ = 0;
}

TEcuTextTable::TEcuTextTable() : TFixedWidthTable(Columns) {}
TEcuTextTable::TEcuTextTable(const QString& path) : TFixedWidthTable(Columns) { TFixedWidthTable::Load(path); }

TItemTextTable::TItemTextTable() : TFixedWidthTable(Columns) {}
TItemTextTable::TItemTextTable(const QString& path) : TFixedWidthTable(Columns) { TFixedWidthTable::Load(path); }

TErrorTextTable::TErrorTextTable() : TFixedWidthTable(Columns) {}
TErrorTextTable::TErrorTextTable(const QString& path) : TFixedWidthTable(Columns) { TFixedWidthTable::Load(path); }
