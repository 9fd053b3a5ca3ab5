#include "IniDocument.h"

#include <iterator>
#include <utility>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool IsSectionLine(const std::string& trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

bool IsSkipped(const std::string& trimmed) { return trimmed.empty() || trimmed.front() == ';'; }

} // namespace

std::string FoldAsciiCase(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string TrimBlanks(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void IniDocument::Section::Reindex() {
    keyIndex.clear();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].isKey) keyIndex[FoldAsciiCase(entries[i].key)] = i; // later ones win
}

void IniDocument::Reindex() {
    sectionIndex_.clear();
    for (std::size_t i = 0; i < sections_.size(); ++i)
        sectionIndex_[FoldAsciiCase(sections_[i].name)] = i;
}

void IniDocument::Clear() {
    preamble_.clear();
    sections_.clear();
    sectionIndex_.clear();
}

void IniDocument::Parse(const std::string& text) {
    Clear();
    TStringList skipped;
    for (auto& line : SplitLines(text)) {
        const std::string trimmed = TrimBlanks(line);
        if (sections_.empty() && !IsSectionLine(trimmed)) {
            preamble_.push_back(std::move(line));
            continue;
        }
        if (IsSkipped(trimmed)) {
            skipped.push_back(std::move(line));
            continue;
        }
        if (IsSectionLine(trimmed)) {
            // Comment lines directly above a section line describe that section; they go
            // (and are erased) with it. Empty lines and what is above them stay behind.
            Section section;
            auto split = skipped.end();
            while (split != skipped.begin() && !TrimBlanks(*(split - 1)).empty()) --split;
            section.leading.assign(std::make_move_iterator(split),
                                   std::make_move_iterator(skipped.end()));
            skipped.erase(split, skipped.end());
            if (!sections_.empty()) sections_.back().trailing = std::move(skipped);
            skipped.clear();
            section.name = TrimBlanks(trimmed.substr(1, trimmed.size() - 2));
            section.header = std::move(line);
            sections_.push_back(std::move(section));
            sectionIndex_[FoldAsciiCase(sections_.back().name)] = sections_.size() - 1;
            continue;
        }
        Section& section = sections_.back();
        Entry entry;
        entry.skippedBefore = std::move(skipped);
        skipped.clear();
        auto eq = trimmed.find('=');
        if (eq != std::string::npos) {
            entry.key = TrimBlanks(trimmed.substr(0, eq));
            entry.value = TrimBlanks(trimmed.substr(eq + 1));
            entry.isKey = !entry.key.empty();
        }
        entry.raw = std::move(line);
        section.entries.push_back(std::move(entry));
        if (section.entries.back().isKey)
            section.keyIndex[FoldAsciiCase(section.entries.back().key)] = section.entries.size() - 1;
    }
    if (!sections_.empty()) sections_.back().trailing = std::move(skipped);
}

TStringList IniDocument::Lines(Layout layout) const {
    TStringList out;
    const bool keep = layout == Layout::Preserving;
    if (keep) out = preamble_;
    for (const auto& section : sections_) {
        if (!keep || section.header.empty()) {
            // An added section is set apart from the text above it, as in the normalised form.
            if (keep && !out.empty() && !TrimBlanks(out.back()).empty()) out.emplace_back();
            out.push_back("[" + section.name + "]");
        } else {
            out.insert(out.end(), section.leading.begin(), section.leading.end());
            out.push_back(section.header);
        }
        for (const auto& entry : section.entries) {
            if (keep) out.insert(out.end(), entry.skippedBefore.begin(), entry.skippedBefore.end());
            if (entry.isKey && (entry.rewritten || !keep))
                out.push_back(entry.key + "=" + entry.value);
            else
                out.push_back(keep ? entry.raw : TrimBlanks(entry.raw));
        }
        if (keep)
            out.insert(out.end(), section.trailing.begin(), section.trailing.end());
        else
            out.emplace_back();
    }
    return out;
}

std::string IniDocument::Text(Layout layout) const { return JoinLines(Lines(layout), "\r\n"); }

const IniDocument::Section* IniDocument::FindSection(const std::string& section) const {
    auto it = sectionIndex_.find(FoldAsciiCase(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

IniDocument::Section* IniDocument::FindSection(const std::string& section) {
    return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

const std::string* IniDocument::Find(const std::string& section, const std::string& key) const {
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    auto it = s->keyIndex.find(FoldAsciiCase(key));
    return it == s->keyIndex.end() ? nullptr : &s->entries[it->second].value;
}

bool IniDocument::HasSection(const std::string& section) const {
    return FindSection(section) != nullptr;
}

TStringList IniDocument::SectionNames() const {
    TStringList names;
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (sectionIndex_.at(FoldAsciiCase(sections_[i].name)) == i)
            names.push_back(sections_[i].name);
    return names;
}

template <class F>
void IniDocument::ForEachKeyFound(const std::string& section, F f) const {
    if (const Section* s = FindSection(section))
        for (std::size_t i = 0; i < s->entries.size(); ++i)
            if (s->entries[i].isKey && s->keyIndex.at(FoldAsciiCase(s->entries[i].key)) == i)
                f(s->entries[i]);
}

TStringList IniDocument::KeyNames(const std::string& section) const {
    TStringList names;
    ForEachKeyFound(section, [&](const Entry& e) { names.push_back(e.key); });
    return names;
}

TStringList IniDocument::KeyValueLines(const std::string& section) const {
    TStringList lines;
    ForEachKeyFound(section, [&](const Entry& e) { lines.push_back(e.key + "=" + e.value); });
    return lines;
}

bool IniDocument::Write(const std::string& section, const std::string& key,
                        const std::string& value) {
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{});
        sections_.back().name = section;
        sectionIndex_[FoldAsciiCase(section)] = sections_.size() - 1;
        s = &sections_.back();
    }
    auto it = s->keyIndex.find(FoldAsciiCase(key));
    if (it != s->keyIndex.end()) {
        Entry& entry = s->entries[it->second];
        if (entry.key == key && entry.value == value) return false;
        entry.key = key;
        entry.value = value;
        entry.rewritten = true;
        return true;
    }
    Entry entry;
    entry.isKey = true;
    entry.rewritten = true;
    entry.key = key;
    entry.value = value;
    s->entries.push_back(std::move(entry));
    s->keyIndex[FoldAsciiCase(key)] = s->entries.size() - 1;
    return true;
}

bool IniDocument::EraseSection(const std::string& section) {
    const std::string folded = FoldAsciiCase(section);
    auto before = sections_.size();
    std::erase_if(sections_, [&](const Section& s) { return FoldAsciiCase(s.name) == folded; });
    if (sections_.size() == before) return false;
    Reindex();
    return true;
}

bool IniDocument::DeleteKey(const std::string& section, const std::string& key) {
    Section* s = FindSection(section);
    if (!s) return false;
    const std::string folded = FoldAsciiCase(key);
    std::vector<Entry> kept;
    TStringList orphans; // the skipped lines above a removed line go with the next line
    bool removed = false;
    for (auto& entry : s->entries) {
        if (entry.isKey && FoldAsciiCase(entry.key) == folded) {
            orphans.insert(orphans.end(), entry.skippedBefore.begin(), entry.skippedBefore.end());
            removed = true;
            continue;
        }
        if (!orphans.empty()) {
            orphans.insert(orphans.end(), entry.skippedBefore.begin(), entry.skippedBefore.end());
            entry.skippedBefore = std::move(orphans);
            orphans.clear();
        }
        kept.push_back(std::move(entry));
    }
    s->trailing.insert(s->trailing.begin(), orphans.begin(), orphans.end());
    s->entries = std::move(kept);
    s->Reindex();
    return removed;
}

const char* IniDocument::WriteProblem(const std::string& section, const std::string& key,
                                      const std::string& value) {
    auto hasLineBreak = [](const std::string& t) {
        return t.find_first_of("\r\n") != std::string::npos;
    };
    if (hasLineBreak(section)) return "the section name holds a line break";
    if (key.empty()) return "the key is empty";
    if (hasLineBreak(key)) return "the key holds a line break";
    if (key.find('=') != std::string::npos) return "the key holds '='";
    if (key.front() == ';' || key.front() == '[') return "the key begins with ';' or '['";
    if (hasLineBreak(value)) return "the value holds a line break";
    return nullptr;
}
