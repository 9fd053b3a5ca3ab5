#pragma once
// A catalogue text table: one catalogue file in memory, mapping a numeric code to one or two
// texts. The file's bytes are kept as they are and decoded through the catalogue's code page
// (CatalogueCodec.h) at each look-up.
//
// Forms (TTextTable itself; the fixed-width forms are in TFixedWidthTables.h):
// - delimited: "code;text;aux" per line, the code parsed in numberBase;
// - direct (directIndex): each line is both texts, its code is its line index.
//
// Lines end at a CR or an LF; a CR or LF right after it belongs to the same line end (so CR LF,
// LF CR, CR CR and LF LF end one line). Text after the last line end is not read.
//
// The data are read in one pass; a record only points into them (a delimited line is its code
// and its start, a fixed-width one its code, and a direct-form table keeps the start of every
// sixteenth line), so a table costs little more than its text; texts are cut from the data when
// they are asked for. The data hold at most CatalogueBlobs::MaxExpandedBytes: a larger file
// gives an empty table.
//
// Look-ups are a bisection over the records in file order, which must be ascending by code: with
// equal codes the search lands on a later one of them, and in a table that is not ascending a
// present code may be missed. Files rely on exactly this, so it is kept.
//
// No locks: a table is used by one call at a time (the catalogue's lock guards the shared ones).
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <optional>

class TTextTable {
public:
    // Longest delimited field and direct-form line kept; the rest of it is dropped.
    static constexpr qsizetype FieldLimit = 255;

    // A span of the data; length -1 is "no text".
    struct Span {
        qsizetype offset = 0;
        qsizetype length = -1;
    };

    struct TextRecord {
        std::int32_t code = 0;
        Span aux;
        Span text;
    };

    // Empty, delimited form, base 10.
    TTextTable();
    // Loads path with this class's own load.
    TTextTable(const QString& path, bool directIndex, int numberBase);
    virtual ~TTextTable();
    TTextTable(const TTextTable&) = delete;
    TTextTable& operator=(const TTextTable&) = delete;

    // Take effect at the next load.
    void SetDirectIndex(bool directIndex);
    void SetNumberBase(int numberBase);

    // The path of the last load of the delimited or direct form.
    QString FileName() const;

    // Replaces every record with those of the file. False when the file cannot be opened (the
    // records stay as they were) or holds no bytes or too many (the table is then empty).
    virtual bool Load(const QString& path);
    // The same for bytes that stand for a file's content (a catalogue expanded in memory); the
    // table shares them.
    bool LoadBytes(const QByteArray& data);

    virtual void Clear();

    // The record index of the code, or -1.
    int Find(int key) const;
    // The record's text or second text in the catalogue's code page; empty when not found.
    QString GetText(int key);
    QString GetAuxText(int key);

    virtual void RefreshCodec();

    int Count() const { return count; }
    TextRecord Record(int i) const { return RecordAt(i); }

    // The code text of a field: blanks around the digits and a sign allowed, anything else 0.
    static std::int32_t ParseCode(const char* text, qsizetype length, int base);

protected:
    TTextTable(bool directIndex, int numberBase);

    // Reads the file and parses it; no change of fileName.
    bool LoadFile(const QString& path);
    // Builds the records from this->data; returns their count.
    virtual std::int32_t Parse();
    virtual std::int32_t CodeAt(int index) const;
    virtual TextRecord RecordAt(int index) const;
    // Frees the records of the form.
    virtual void ClearRecords();

    // The line that begins at start: where its characters end and where its line end ends;
    // none when no line end follows (text after the last line end is no line).
    struct LineEnds {
        qsizetype contentEnd;
        qsizetype lineEnd;
    };
    std::optional<LineEnds> LineAt(qsizetype start) const;
    // Calls line(start, contentEnd, lineEnd) for each line of the data in order, while it
    // returns true.
    template <typename F> void ForEachLine(F line) const;

    QByteArray data;
    QString fileName;
    std::int32_t count = 0;
    std::int32_t lastIndex = -1;
    std::int32_t lastKey = -1;
    std::int32_t numberBase = 10;
    bool directIndex = false;

private:
    // A direct-form table keeps where every LinesAStep-th line begins; a look-up walks on from
    // there.
    static constexpr int LinesAStep = 16;

    // A delimited line: its code and where it begins; its texts are found again when asked for.
    struct DelimitedRecord {
        std::int32_t code = 0;
        std::uint32_t start = 0;
    };
    // The fields of a delimited line.
    struct DelimitedFields {
        std::int32_t code = 0;
        Span text;
        Span aux;
    };

    QString Lookup(int key, bool aux);
    std::int32_t ParseDelimited();
    std::int32_t ParseDirect();
    DelimitedFields FieldsOf(qsizetype start, qsizetype contentEnd, bool withCode) const;

    bool parsedDirect_ = false; // the form of the records held
    std::deque<DelimitedRecord> delimited_;
    std::deque<std::uint32_t> lineStarts_; // the direct form: where lines 0, LinesAStep, ... begin
};

template <typename F> void TTextTable::ForEachLine(F line) const {
    qsizetype start = 0;
    while (const std::optional<LineEnds> l = LineAt(start)) {
        if (!line(start, l->contentEnd, l->lineEnd))
            return;
        start = l->lineEnd;
    }
}
