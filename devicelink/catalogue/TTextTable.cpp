#include "TTextTable.h"

#include "CatalogueCodec.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return std::numeric_limits<int>::max();
}

TTextTable::Span Cut(qsizetype offset, qsizetype length, qsizetype limit) {
    return {offset, std::min(length, limit)};
}

} // namespace

TTextTable::TTextTable() = default;

TTextTable::TTextTable(bool direct, int base) : numberBase(base), directIndex(direct) {}

TTextTable::TTextTable(const QString& path, bool direct, int base) : numberBase(base), directIndex(direct) {
    TTextTable::Load(path);
}

TTextTable::~TTextTable() = default;

void TTextTable::SetDirectIndex(bool direct) { directIndex = direct; }

void TTextTable::SetNumberBase(int base) { numberBase = base; }

QString TTextTable::FileName() const { return fileName; }

bool TTextTable::Load(const QString& path) {
    fileName = path;
    return LoadFile(path);
}

bool TTextTable::LoadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return LoadBytes(bytes);
}

bool TTextTable::LoadBytes(const QByteArray& bytes) {
    Clear();
    if (bytes.isEmpty())
        return false;
    data = bytes;
    const std::vector<Line> lines = SplitLines(data);
    ParseLines(lines);
    count = static_cast<std::int32_t>(records.size());
    return true;
}

void TTextTable::Clear() {
    records.clear();
    records.shrink_to_fit();
    data.clear();
    count = 0;
    lastIndex = -1;
    lastKey = -1;
}

std::vector<TTextTable::Line> TTextTable::SplitLines(const QByteArray& bytes) {
    std::vector<Line> lines;
    const char* d = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        if (!IsLineEnd(d[i])) {
            ++i;
            continue;
        }
        const qsizetype contentEnd = i++;
        if (i < n && IsLineEnd(d[i]))
            ++i;
        lines.push_back({start, contentEnd, i});
        start = i;
    }
    return lines;
}

std::int32_t TTextTable::ParseCode(const char* text, qsizetype length, int base) {
    qsizetype i = 0;
    while (i < length && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    qsizetype digits = 0;
    for (; i < length; ++i, ++digits) {
        const int d = DigitValue(text[i]);
        if (d >= base)
            break;
        value = value * base + d;
        if (value > std::numeric_limits<std::int32_t>::max() + std::int64_t{1})
            return 0;
    }
    while (i < length && IsBlank(text[i]))
        ++i;
    if (digits == 0 || i != length)
        return 0;
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(value);
}

void TTextTable::ParseLines(const std::vector<Line>& lines) {
    if (directIndex)
        ParseDirect(lines);
    else
        ParseDelimited(lines);
}

void TTextTable::ParseDelimited(const std::vector<Line>& lines) {
    records.resize(lines.size());
    const char* d = data.constData();
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const Line& line = lines[r];
        TextRecord& rec = records[r];
        qsizetype fieldStart = line.start;
        int separators = 0;
        for (qsizetype i = line.start; i < line.contentEnd; ++i) {
            if (d[i] != ';')
                continue;
            ++separators;
            const qsizetype length = std::min(i - fieldStart, FieldLimit);
            if (separators == 1)
                rec.code = ParseCode(d + fieldStart, length, numberBase);
            else if (separators == 2)
                rec.text = {fieldStart, length};
            fieldStart = i + 1;
        }
        rec.aux = Cut(fieldStart, line.contentEnd - fieldStart, FieldLimit);
    }
}

void TTextTable::ParseDirect(const std::vector<Line>& lines) {
    records.resize(lines.size());
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const Line& line = lines[r];
        TextRecord& rec = records[r];
        rec.code = static_cast<std::int32_t>(r);
        rec.text = Cut(line.start, line.contentEnd - line.start, FieldLimit);
        rec.aux = rec.text;
    }
}

int TTextTable::Find(int key) const {
    if (count < 1)
        return -1;
    if (directIndex)
        return (key >= 0 && key < count) ? key : -1;
    if (count == 1)
        return records[0].code == key ? 0 : -1;
    int lo = 0;
    int hi = count;
    bool leftStep = false;
    int probe = 0;
    for (;;) {
        probe = leftStep ? lo + (hi - lo) / 2 : lo + (hi - lo + 1) / 2;
        if (probe == count)
            return -1;
        const std::int32_t code = records[static_cast<std::size_t>(probe)].code;
        if (key < code) {
            hi = probe;
            leftStep = true;
        } else {
            lo = (lo != probe) ? probe : hi;
            leftStep = false;
        }
        if (hi - lo < 1 || code == key)
            break;
    }
    return records[static_cast<std::size_t>(probe)].code == key ? probe : -1;
}

QString TTextTable::Lookup(int key, bool aux) {
    RefreshCodec();
    int index = -1;
    if (key == lastKey && lastIndex != -1) {
        index = lastIndex;
    } else {
        index = Find(key);
        if (index < 0)
            return QString();
        lastKey = key;
        lastIndex = index;
    }
    const TextRecord& rec = records[static_cast<std::size_t>(index)];
    const Span& span = aux ? rec.aux : rec.text;
    if (span.length <= 0)
        return QString();
    return CatalogueCodec::Decode(data.constData() + span.offset, span.length);
}

QString TTextTable::GetText(int key) { return Lookup(key, false); }

QString TTextTable::GetAuxText(int key) { return Lookup(key, true); }

void TTextTable::RefreshCodec() { CatalogueCodec::Refresh(); }
