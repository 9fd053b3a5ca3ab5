#pragma once
// The text of an INI file as sections of lines, with the look-up rules that existing simulation
// and settings files rely on:
// - lines end with CR LF, LF or CR; each line is trimmed of blanks and control characters
//   (bytes up to 0x20); empty lines and lines beginning with ';' are skipped, and so is every
//   line before the first section;
// - "[name]" opens a section; other lines belong to the current section, "key=value" (both
//   trimmed, split at the first '=') defines a key, a line without '=' (or with nothing before
//   it) defines none but stays in the section;
// - section and key names match without regard to ASCII letter case; other bytes (0xE0 of the
//   key "Parità" in code page 1252) match only themselves and are never converted;
// - where a name occurs more than once, the last occurrence is the one found and the earlier
//   ones are invisible to every reader (they stay in the text).
//
// Two saved forms: Normalised (every section as "[name]", its lines, one empty line; comments,
// skipped lines and the file's own spacing dropped) for the in-memory INI object, and Preserving
// (every line as it was read, only written lines rewritten) for the file-backed one, which edits
// a file in place as the desktop platform's profile functions do. Both end every line with CR LF.
//
// A large simulation file is read hundreds of thousands of times while it loads, so the parsed
// text stays one block that lines, names and values point into (written names and values own
// their bytes), each section holds one block of its entries, and names are found through flat
// tables of case-folded hashes: a look-up copies none of the names it is given and allocates
// nothing.
//
// Not thread-safe, not even for reading (a look-up keeps where it found its section as the
// place to look first next time); the INI objects guard it.
#include "StringList.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniDocument {
public:
    enum class Layout { Normalised, Preserving };

    void Parse(std::string text); // raises Exception for a text beyond 4 GiB, changing nothing
    void Clear();
    TStringList Lines(Layout layout) const; // without line ends
    std::string Text(Layout layout) const;  // every line followed by CR LF

    // The value of the key found (valid until the next change), or nothing.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;
    // The names found: each section or key once, in the order of the occurrences found.
    TStringList SectionNames() const;
    TStringList KeyNames(std::string_view section) const;
    TStringList KeyValueLines(std::string_view section) const; // "key=value"

    // Replaces the value in the line of the key found (the line then names the key as given),
    // or adds the key at the end of the section found, or adds the section at the end.
    // Returns false when the line already read exactly so. The caller checks the names.
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    // Removes every section of that name, so that no earlier one comes to light.
    bool EraseSection(std::string_view section);
    // Removes every line of that key from the section found.
    bool DeleteKey(std::string_view section, std::string_view key);

    // Why a name or value cannot be written so that it reads back the same, or nullptr.
    static const char* WriteProblem(std::string_view section, std::string_view key,
                                    std::string_view value);

private:
    // Open addressing over names: each slot holds a name's folded hash and the position + 1 of
    // its occurrence found; 0 is a free slot. Positions fit 32 bits: every section and entry
    // takes a line of its own.
    class NameIndex {
    public:
        void Clear() {
            slots_.clear();
            used_ = 0;
        }
        void Reserve(std::size_t names);
        // Position + 1 of the name of that hash for which same(position) holds, or 0.
        template <class Same> std::size_t Find(std::uint32_t hash, Same same) const;
        // Makes position the one found for its name; returns the earlier one + 1, or 0.
        template <class Same> std::size_t Put(std::uint32_t hash, std::size_t position, Same same);

    private:
        void Grow(std::size_t slots);
        std::vector<std::uint64_t> slots_; // a power of two, at most half used
        std::size_t used_ = 0;
    };

    // Bytes of source_ as offsets, so that moving the document (and its short text) keeps
    // them; texts beyond 4 GiB are refused.
    struct Span {
        std::uint32_t begin = 0;
        std::uint32_t size = 0;
    };
    // Lines as read, each followed in the text by the next: count lines over size bytes.
    struct Run {
        std::uint32_t begin = 0;
        std::uint32_t size = 0;
        std::uint32_t count = 0;
    };
    // Skipped lines as read: one run, and more only where a removed key left its own to the
    // next line.
    struct Skipped {
        Run first;
        std::unique_ptr<std::vector<Run>> more;
    };
    struct Written {
        std::string key;
        std::string value;
    };
    struct Entry {
        Span raw;      // the line as read; empty for a written line
        Span key;      // as read, unless written holds it
        Span value;    // as read, unless written holds it
        Skipped skippedBefore; // comment and empty lines above it
        std::unique_ptr<Written> written; // for a written line
        std::uint32_t hash = 0;           // of the folded key
        bool isKey = false;
    };
    struct Section {
        std::uint32_t hash = 0; // of the folded name
        bool hidden = false;    // by a later section of the same name
        Span name;              // as read, unless added
        Span header;            // the line as read; empty for an added section
        Run leading;            // comment lines right above the section line
        Skipped trailing;       // skipped lines after the last entry
        std::unique_ptr<std::string> addedName; // for a section added by a write
        std::vector<Entry> entries;
        // Only for sections of many lines: a few entries side by side are scanned faster than
        // any table is reached.
        std::unique_ptr<NameIndex> keyIndex;
    };

    class SkippedLines; // while parsing
    static void AppendRuns(std::vector<Run>& runs, const Skipped& skipped);
    static Skipped SkippedOf(const std::vector<Run>& runs);

    std::string_view View(Span span) const { return {source_.data() + span.begin, span.size}; }
    std::string_view Name(const Section& s) const {
        return s.addedName ? *s.addedName : View(s.name);
    }
    std::string_view Key(const Entry& e) const { return e.written ? e.written->key : View(e.key); }
    std::string_view Value(const Entry& e) const {
        return e.written ? e.written->value : View(e.value);
    }
    std::string KeyValueLine(const Entry& e) const;
    // out(a, b, c) for every line of the layout, the line being a + b + c.
    template <class Out> void Emit(Layout layout, Out out) const;
    template <class Line> void EmitRun(const Run& run, Line line) const;
    template <class Line> void EmitSkipped(const Skipped& skipped, Line line) const;

    // Index + 1 of the section or entry found, or 0.
    std::size_t FindSectionIndex(std::string_view name) const;
    std::size_t FindEntryIndex(const Section& s, std::string_view key) const;
    const Section* FindSection(std::string_view section) const;
    Section* FindSection(std::string_view section);
    template <class F> // f(entry) for every key line found in the section, in order
    void ForEachKeyFound(std::string_view section, F f) const;

    // Makes sections_[i] (or entry i of s) the one found under its name.
    void IndexSection(std::size_t i);
    void IndexKey(Section& s, std::size_t i); // s has its index
    void Reindex();
    void ReindexKeys(Section& s);

    std::string source_; // the text parsed
    Run preamble_;       // lines before the first section
    std::vector<Section> sections_;
    NameIndex sectionIndex_;
    mutable std::size_t lastFound_ = 0; // where the next section looked for is likely near
};

// Folds the ASCII letters A to Z to lower case and leaves every other byte as it is.
std::string FoldAsciiCase(std::string_view text);
// True when the two are the same after FoldAsciiCase.
bool EqualFoldingAscii(std::string_view a, std::string_view b);
// Removes bytes up to 0x20 (blanks and control characters) from both ends.
std::string TrimBlanks(std::string_view text);
