#include "TTextTable.h"

#include "CatalogueBlobs.h"
#include "CatalogueCodec.h"

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

template <typename T> void Release(std::deque<T>& d) { std::deque<T>().swap(d); }

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
    const std::optional<QByteArray> bytes = CatalogueBlobs::ReadWholeFile(path, CatalogueBlobs::MaxExpandedBytes);
    if (!bytes)
        return false;
    return LoadBytes(*bytes);
}

bool TTextTable::LoadBytes(const QByteArray& bytes) {
    Clear();
    if (bytes.isEmpty())
        return false;
    if (bytes.size() > CatalogueBlobs::MaxExpandedBytes) {
        qDebug("main: catalogue: a table of %lld bytes is refused", static_cast<long long>(bytes.size()));
        return false;
    }
    data = bytes;
    count = Parse();
    return true;
}

void TTextTable::Clear() {
    ClearRecords();
    data.clear();
    count = 0;
    lastIndex = -1;
    lastKey = -1;
}

void TTextTable::ClearRecords() {
    Release(delimited_);
    Release(lineStarts_);
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

std::int32_t TTextTable::Parse() {
    parsedDirect_ = directIndex;
    return parsedDirect_ ? ParseDirect() : ParseDelimited();
}

std::optional<TTextTable::LineEnds> TTextTable::LineAt(qsizetype start) const {
    const char* d = data.constData();
    const qsizetype n = data.size();
    for (qsizetype i = start; i < n; ++i) {
        if (!IsLineEnd(d[i]))
            continue;
        // A CR or LF right after it belongs to the same line end.
        const qsizetype lineEnd = (i + 1 < n && IsLineEnd(d[i + 1])) ? i + 2 : i + 1;
        return LineEnds{i, lineEnd};
    }
    return std::nullopt;
}

TTextTable::DelimitedFields TTextTable::FieldsOf(qsizetype start, qsizetype contentEnd, bool withCode) const {
    const char* d = data.constData();
    DelimitedFields f;
    qsizetype fieldStart = start;
    int separators = 0;
    for (qsizetype i = start; i < contentEnd; ++i) {
        if (d[i] != ';')
            continue;
        ++separators;
        if (separators == 1 && withCode)
            f.code = ParseCode(d + fieldStart, std::min(i - fieldStart, FieldLimit), numberBase);
        else if (separators == 2)
            f.text = {fieldStart, std::min(i - fieldStart, FieldLimit)};
        fieldStart = i + 1;
    }
    f.aux = {fieldStart, std::min(contentEnd - fieldStart, FieldLimit)};
    return f;
}

std::int32_t TTextTable::ParseDelimited() {
    ForEachLine([&](qsizetype start, qsizetype contentEnd, qsizetype) {
        delimited_.push_back({FieldsOf(start, contentEnd, true).code, static_cast<std::uint32_t>(start)});
        return true;
    });
    return static_cast<std::int32_t>(delimited_.size());
}

std::int32_t TTextTable::ParseDirect() {
    std::int32_t lines = 0;
    ForEachLine([&](qsizetype start, qsizetype, qsizetype) {
        if (lines++ % LinesAStep == 0)
            lineStarts_.push_back(static_cast<std::uint32_t>(start));
        return true;
    });
    return lines;
}

std::int32_t TTextTable::CodeAt(int index) const {
    return parsedDirect_ ? index : delimited_[static_cast<std::size_t>(index)].code;
}

TTextTable::TextRecord TTextTable::RecordAt(int index) const {
    TextRecord rec;
    if (index < 0 || index >= count)
        return rec;
    if (parsedDirect_) {
        qsizetype start = lineStarts_[static_cast<std::size_t>(index / LinesAStep)];
        for (int i = 0; i < index % LinesAStep; ++i)
            start = LineAt(start)->lineEnd;
        const qsizetype contentEnd = LineAt(start)->contentEnd;
        rec.code = index;
        rec.text = {start, std::min(contentEnd - start, FieldLimit)};
        rec.aux = rec.text;
        return rec;
    }
    const qsizetype start = delimited_[static_cast<std::size_t>(index)].start;
    const DelimitedFields f = FieldsOf(start, LineAt(start)->contentEnd, false);
    rec.code = delimited_[static_cast<std::size_t>(index)].code;
    rec.text = f.text;
    rec.aux = f.aux;
    return rec;
}

int TTextTable::Find(int key) const {
    if (count < 1)
        return -1;
    if (directIndex)
        return (key >= 0 && key < count) ? key : -1;
    if (count == 1)
        return CodeAt(0) == key ? 0 : -1;
    int lo = 0;
    int hi = count;
    bool leftStep = false;
    int probe = 0;
    std::int32_t code = 0;
    for (;;) {
        probe = leftStep ? lo + (hi - lo) / 2 : lo + (hi - lo + 1) / 2;
        if (probe == count)
            return -1;
        code = CodeAt(probe);
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
    return code == key ? probe : -1;
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
    const TextRecord rec = RecordAt(index);
    const Span& span = aux ? rec.aux : rec.text;
    if (span.length <= 0)
        return QString();
    return CatalogueCodec::Decode(data.constData() + span.offset, span.length);
}

QString TTextTable::GetText(int key) { return Lookup(key, false); }

QString TTextTable::GetAuxText(int key) { return Lookup(key, true); }

void TTextTable::RefreshCodec() { CatalogueCodec::Refresh(); }
