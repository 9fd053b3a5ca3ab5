#include "IniFileText.h"

#include "WorkingFiles.h"

#include <QtGlobal>
#include <QSaveFile>

namespace IniFileText {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

QByteArray TrimmedRight(QByteArray text) {
    qsizetype n = text.size();
    while (n > 0 && IsSpace(text.at(n - 1)))
        --n;
    text.truncate(n);
    return text;
}

QByteArray Lowered(const QByteArray& text) { return QString::fromLatin1(text).toLower().toLatin1(); }

// The value after "=" and its blanks, or null when the line holds none: "quoted", 'quoted' (each
// up to its closing quote or the end of the line), else bare up to the first '#'.
QByteArray Value(const QByteArray& rest) {
    for (char quote : {'"', '\''}) {
        if (rest.startsWith(quote)) {
            const qsizetype close = rest.indexOf(quote, 1);
            const QByteArray inside = close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
            if (!inside.isEmpty())
                return inside;
        }
    }
    const qsizetype hash = rest.indexOf('#');
    const QByteArray bare = hash < 0 ? rest : rest.left(hash);
    return bare.isEmpty() ? QByteArray() : bare;
}

class Parser {
public:
    Parser() : table_(std::make_unique<TIniSectionTable>()) {}

    void Line(QByteArray line) {
        qsizetype i = 0;
        while (i < line.size() && IsSpace(line.at(i)))
            ++i;
        line = line.mid(i);
        // The line end is no part of a section name.
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            return;
        if (line.startsWith('[') && line.size() > 1 && line.at(1) != ']') {
            const qsizetype close = line.indexOf(']');
            Section(Lowered(close < 0 ? line.mid(1) : line.mid(1, close - 1)));
            return;
        }
        KeyLine(line);
    }

    std::unique_ptr<TIniSectionTable> Take() { return std::move(table_); }

private:
    void Section(const QByteArray& name) {
        current_ = name.left(TIniSectionTable::NameLimit);
        if (table_->Find(current_) == nullptr)
            table_->Set(current_, TIniKeyList());
    }

    void KeyLine(const QByteArray& line) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return;
        qsizetype start = eq + 1;
        while (start < line.size() && IsSpace(line.at(start)))
            ++start;
        QByteArray value = Value(line.mid(start));
        if (value.isNull())
            return;
        value = TrimmedRight(value);
        if (value == "\"\"" || value == "''")
            value = QByteArray("");
        List().Set(Lowered(TrimmedRight(line.left(eq))), value);
    }

    // The current section's list, created when missing (the unnamed one before any header).
    TIniKeyList& List() {
        if (TIniKeyList* named = table_->Find(current_))
            return *named;
        if (unnamedSlot_ < 0)
            unnamedSlot_ = table_->Set(current_, TIniKeyList());
        return table_->ListAt(unnamedSlot_);
    }

    std::unique_ptr<TIniSectionTable> table_;
    QByteArray current_;
    int unnamedSlot_ = -1; // the slot of the keys before the first section, once they have one
};

} // namespace

std::unique_ptr<TIniSectionTable> ParseIniText(const QByteArray& text) {
    Parser parser;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype newline = text.indexOf('\n', pos);
        qsizetype end = newline < 0 ? text.size() : newline + 1;
        end = std::min(end, pos + LineLimit);
        parser.Line(text.mid(pos, end - pos));
        pos = end;
    }
    return parser.Take();
}

std::unique_ptr<TIniSectionTable> ParseIniFile(const QString& path, FileRead* how) {
    FileRead ignored = FileRead::Read;
    FileRead& result = how != nullptr ? *how : ignored;
    result = FileRead::Missing;
    if (path.isEmpty())
        return nullptr;
    const WorkingFiles::Contents read = WorkingFiles::ReadBounded(path, FileLimit);
    if (!read.note.isEmpty())
        qDebug("%s", read.note.constData());
    if (!read.opened && read.note.isEmpty())
        return nullptr;
    if (!read.opened || !read.note.isEmpty()) {
        result = FileRead::Refused;
        return nullptr;
    }
    result = FileRead::Read;
    return ParseIniText(read.bytes);
}

bool WriteIniFile(const TIniSectionTable* table, const QString& path) {
    if (table == nullptr || path.isEmpty())
        return false;
    QByteArray text;
    for (int s = 0; s < table->Count(); ++s) {
        if (table->NameAt(s).isEmpty())
            continue;
        text += '[' + table->NameAt(s) + "]\n";
        const TIniKeyList& list = table->ListAt(s);
        for (int k = 0; k < list.Count(); ++k)
            if (!list.NameAt(k).isEmpty())
                text += list.NameAt(k) + '=' + list.ValueAt(k) + '\n';
    }
    QSaveFile file(path);
    // Where no file can be made beside it (a read-only folder), the file itself is rewritten.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    return file.commit();
}

} // namespace IniFileText
