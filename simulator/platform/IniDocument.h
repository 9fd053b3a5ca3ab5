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
// Not thread-safe; the INI objects guard it.
#include "StringList.h"

#include <string>
#include <unordered_map>
#include <vector>

class IniDocument {
public:
    enum class Layout { Normalised, Preserving };

    void Parse(const std::string& text);
    void Clear();
    TStringList Lines(Layout layout) const; // without line ends
    std::string Text(Layout layout) const;  // every line followed by CR LF

    // The value of the key found, or nullptr.
    const std::string* Find(const std::string& section, const std::string& key) const;
    bool HasSection(const std::string& section) const;
    // The names found: each section or key once, in the order of the occurrences found.
    TStringList SectionNames() const;
    TStringList KeyNames(const std::string& section) const;
    TStringList KeyValueLines(const std::string& section) const; // "key=value"

    // Replaces the value in the line of the key found (the line then names the key as given),
    // or adds the key at the end of the section found, or adds the section at the end.
    // Returns false when the line already read exactly so. The caller checks the names.
    bool Write(const std::string& section, const std::string& key, const std::string& value);
    // Removes every section of that name, so that no earlier one comes to light.
    bool EraseSection(const std::string& section);
    // Removes every line of that key from the section found.
    bool DeleteKey(const std::string& section, const std::string& key);

    // Why a name or value cannot be written so that it reads back the same, or nullptr.
    static const char* WriteProblem(const std::string& section, const std::string& key,
                                    const std::string& value);

private:
    struct Entry {
        TStringList skippedBefore; // comment and empty lines above it, as read
        std::string raw;           // the line as read; empty for a written line
        bool isKey = false;
        bool rewritten = false;
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        TStringList leading; // comment lines right above the section line, as read
        std::string header;  // the line as read; empty for an added section
        std::vector<Entry> entries;
        TStringList trailing; // skipped lines after the last entry
        std::unordered_map<std::string, std::size_t> keyIndex; // folded key -> entry found
        void Reindex();
    };

    const Section* FindSection(const std::string& section) const;
    template <class F> // f(entry) for every key line found in the section, in order
    void ForEachKeyFound(const std::string& section, F f) const;
    Section* FindSection(const std::string& section);
    void Reindex();

    TStringList preamble_; // lines before the first section, as read
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_; // folded name -> section found
};

// Folds the ASCII letters A to Z to lower case and leaves every other byte as it is.
std::string FoldAsciiCase(const std::string& text);
// Removes bytes up to 0x20 (blanks and control characters) from both ends.
std::string TrimBlanks(const std::string& text);
