#include "IniDocument.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Up to this many lines a section is scanned from its end; beyond, its keys are indexed.
constexpr std::size_t ScannedLines = 8;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// FNV-1a over the folded bytes, then a final mix so that the low bits used for the slot depend
// on every byte (names differ mostly in their last digits).
std::uint32_t FoldedHash(std::string_view text) {
    std::uint32_t h = 2166136261u;
    for (char c : text) {
        h ^= static_cast<unsigned char>(FoldAscii(c));
        h *= 16777619u;
    }
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

std::string_view Trimmed(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool IsSectionLine(std::string_view trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

bool IsSkipped(std::string_view trimmed) { return trimmed.empty() || trimmed.front() == ';'; }

} // namespace

std::string FoldAsciiCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = FoldAscii(c);
    return folded;
}

bool EqualFoldingAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

std::string TrimBlanks(std::string_view text) { return std::string(Trimmed(text)); }

// ---- NameIndex -----------------------------------------------------------------------------

void IniDocument::NameIndex::Reserve(std::size_t names) {
    std::size_t slots = 16;
    while (slots < 2 * names) slots *= 2;
    if (slots > slots_.size()) Grow(slots);
}

void IniDocument::NameIndex::Grow(std::size_t slots) {
    std::vector<std::uint64_t> old = std::exchange(slots_, std::vector<std::uint64_t>(slots, 0));
    const std::size_t mask = slots - 1;
    for (const std::uint64_t slot : old) {
        if (slot == 0) continue;
        std::size_t p = static_cast<std::uint32_t>(slot >> 32) & mask;
        while (slots_[p] != 0) p = (p + 1) & mask;
        slots_[p] = slot;
    }
}

template <class Same>
std::size_t IniDocument::NameIndex::Find(std::uint32_t hash, Same same) const {
    if (slots_.empty()) return 0;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t p = hash & mask;; p = (p + 1) & mask) {
        const std::uint64_t slot = slots_[p];
        if (slot == 0) return 0;
        const std::size_t position = static_cast<std::uint32_t>(slot);
        if (static_cast<std::uint32_t>(slot >> 32) == hash && same(position - 1)) return position;
    }
}

template <class Same>
void IniDocument::NameIndex::Put(std::uint32_t hash, std::size_t position, Same same) {
    if (2 * (used_ + 1) > slots_.size()) Grow(std::max<std::size_t>(16, 2 * slots_.size()));
    const std::uint64_t entry = static_cast<std::uint64_t>(hash) << 32 | (position + 1);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t p = hash & mask;; p = (p + 1) & mask) {
        const std::uint64_t slot = slots_[p];
        if (slot == 0) {
            slots_[p] = entry;
            ++used_;
            return;
        }
        if (static_cast<std::uint32_t>(slot >> 32) == hash &&
            same(static_cast<std::uint32_t>(slot) - std::size_t{1})) {
            slots_[p] = entry; // later ones win
            return;
        }
    }
}

// ---- Indexes -------------------------------------------------------------------------------

std::size_t IniDocument::FindSectionIndex(std::string_view name, std::uint32_t hash) const {
    return sectionIndex_.Find(
        hash, [&](std::size_t i) { return EqualFoldingAscii(Name(sections_[i]), name); });
}

std::size_t IniDocument::FindEntryIndex(const Section& s, std::string_view key,
                                        std::uint32_t hash) const {
    const auto same = [&](std::size_t i) {
        const Entry& e = s.entries[i];
        return e.isKey && e.hash == hash && EqualFoldingAscii(Key(e), key);
    };
    if (s.keyIndex.Built()) return s.keyIndex.Find(hash, same);
    for (std::size_t i = s.entries.size(); i-- > 0;) // the last occurrence is the one found
        if (same(i)) return i + 1;
    return 0;
}

void IniDocument::IndexSection(std::size_t i) {
    const std::string_view name = Name(sections_[i]);
    sectionIndex_.Put(sections_[i].hash, i, [&](std::size_t j) {
        return EqualFoldingAscii(Name(sections_[j]), name);
    });
}

void IniDocument::IndexEntry(Section& s, std::size_t i) const {
    if (s.entries.size() <= ScannedLines) return;
    const auto put = [&](std::size_t j) {
        const Entry& e = s.entries[j];
        if (!e.isKey) return;
        const std::string_view key = Key(e);
        s.keyIndex.Put(e.hash, j, [&](std::size_t k) {
            return s.entries[k].isKey && EqualFoldingAscii(Key(s.entries[k]), key);
        });
    };
    if (!s.keyIndex.Built()) {
        // The section has just outgrown the scan: the lines up to i are indexed at once.
        s.keyIndex.Reserve(s.entries.size());
        for (std::size_t j = 0; j <= i; ++j) put(j);
        return;
    }
    put(i);
}

void IniDocument::ReindexKeys(Section& s) const {
    s.keyIndex.Clear();
    for (std::size_t i = 0; i < s.entries.size(); ++i) IndexEntry(s, i);
}

void IniDocument::Reindex() {
    sectionIndex_.Clear();
    for (std::size_t i = 0; i < sections_.size(); ++i) IndexSection(i);
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const {
    const std::size_t found = FindSectionIndex(section, FoldedHash(section));
    return found == 0 ? nullptr : &sections_[found - 1];
}

IniDocument::Section* IniDocument::FindSection(std::string_view section) {
    return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

// ---- Parsing and the saved forms -----------------------------------------------------------

void IniDocument::Clear() {
    source_.clear();
    preamble_.clear();
    sections_.clear();
    sectionIndex_.Clear();
}

void IniDocument::Parse(std::string text) {
    Clear();
    source_ = std::move(text);
    const std::string_view all = source_;
    const auto spanOf = [&](std::string_view part) {
        return Span{static_cast<std::size_t>(part.data() - all.data()), part.size()};
    };
    std::vector<Span> skipped;
    std::size_t pos = 0;
    while (pos < all.size()) {
        // The line, and past its end: CR LF, a lone LF or a lone CR.
        std::size_t end = pos;
        while (end < all.size() && all[end] != '\r' && all[end] != '\n') ++end;
        const Span line{pos, end - pos};
        pos = end;
        if (pos < all.size())
            pos += all[pos] == '\r' && pos + 1 < all.size() && all[pos + 1] == '\n' ? 2 : 1;

        const std::string_view trimmed = Trimmed(View(line));
        if (sections_.empty() && !IsSectionLine(trimmed)) {
            preamble_.push_back(line);
            continue;
        }
        if (IsSkipped(trimmed)) {
            skipped.push_back(line);
            continue;
        }
        if (IsSectionLine(trimmed)) {
            // Comment lines directly above a section line describe that section; they go
            // (and are erased) with it. Empty lines and what is above them stay behind.
            Section section;
            auto split = skipped.end();
            while (split != skipped.begin() && !Trimmed(View(*(split - 1))).empty()) --split;
            section.leading.assign(split, skipped.end());
            skipped.erase(split, skipped.end());
            if (!sections_.empty()) sections_.back().trailing = std::move(skipped);
            skipped.clear();
            const std::string_view name = Trimmed(trimmed.substr(1, trimmed.size() - 2));
            section.name = spanOf(name);
            section.hash = FoldedHash(name);
            section.header = line;
            sections_.push_back(std::move(section));
            IndexSection(sections_.size() - 1);
            continue;
        }
        Section& section = sections_.back();
        Entry entry;
        entry.skippedBefore = std::move(skipped);
        skipped.clear();
        const auto eq = trimmed.find('=');
        if (eq != std::string_view::npos) {
            const std::string_view key = Trimmed(trimmed.substr(0, eq));
            entry.key = spanOf(key);
            entry.value = spanOf(Trimmed(trimmed.substr(eq + 1)));
            entry.isKey = !key.empty();
            if (entry.isKey) entry.hash = FoldedHash(key);
        }
        entry.raw = line;
        section.entries.push_back(std::move(entry));
        IndexEntry(section, section.entries.size() - 1);
    }
    if (!sections_.empty()) sections_.back().trailing = std::move(skipped);
}

std::string IniDocument::KeyValueLine(const Entry& e) const {
    const std::string_view key = Key(e), value = Value(e);
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append(1, '=').append(value);
    return line;
}

template <class Out> void IniDocument::Emit(Layout layout, Out out) const {
    const bool keep = layout == Layout::Preserving;
    bool any = false;
    std::string_view last[3];
    const auto line = [&](std::string_view a, std::string_view b = {}, std::string_view c = {}) {
        out(a, b, c);
        any = true;
        last[0] = a, last[1] = b, last[2] = c;
    };
    const auto lastIsBlank = [&] {
        return std::all_of(std::begin(last), std::end(last),
                           [](std::string_view part) { return Trimmed(part).empty(); });
    };
    if (keep)
        for (const Span& s : preamble_) line(View(s));
    for (const auto& section : sections_) {
        if (!keep || section.added) {
            // An added section is set apart from the text above it, as in the normalised form.
            if (keep && any && !lastIsBlank()) line({});
            line("[", Name(section), "]");
        } else {
            for (const Span& s : section.leading) line(View(s));
            line(View(section.header));
        }
        for (const auto& entry : section.entries) {
            if (keep)
                for (const Span& s : entry.skippedBefore) line(View(s));
            if (entry.isKey && (entry.written || !keep))
                line(Key(entry), "=", Value(entry));
            else
                line(keep ? View(entry.raw) : Trimmed(View(entry.raw)));
        }
        if (keep)
            for (const Span& s : section.trailing) line(View(s));
        else
            line({});
    }
}

TStringList IniDocument::Lines(Layout layout) const {
    TStringList out;
    Emit(layout, [&](std::string_view a, std::string_view b, std::string_view c) {
        std::string& line = out.emplace_back();
        line.reserve(a.size() + b.size() + c.size());
        line.append(a).append(b).append(c);
    });
    return out;
}

std::string IniDocument::Text(Layout layout) const {
    std::string text;
    text.reserve(source_.size() + source_.size() / 8);
    Emit(layout, [&](std::string_view a, std::string_view b, std::string_view c) {
        text.append(a).append(b).append(c).append("\r\n");
    });
    return text;
}

// ---- Reading -------------------------------------------------------------------------------

std::optional<std::string_view> IniDocument::Find(std::string_view section,
                                                  std::string_view key) const {
    const Section* s = FindSection(section);
    if (!s) return std::nullopt;
    const std::size_t found = FindEntryIndex(*s, key, FoldedHash(key));
    if (found == 0) return std::nullopt;
    return Value(s->entries[found - 1]);
}

bool IniDocument::HasSection(std::string_view section) const {
    return FindSection(section) != nullptr;
}

TStringList IniDocument::SectionNames() const {
    TStringList names;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const std::string_view name = Name(sections_[i]);
        if (FindSectionIndex(name, sections_[i].hash) == i + 1) names.emplace_back(name);
    }
    return names;
}

template <class F> void IniDocument::ForEachKeyFound(std::string_view section, F f) const {
    if (const Section* s = FindSection(section))
        for (std::size_t i = 0; i < s->entries.size(); ++i) {
            const Entry& e = s->entries[i];
            if (e.isKey && FindEntryIndex(*s, Key(e), e.hash) == i + 1) f(e);
        }
}

TStringList IniDocument::KeyNames(std::string_view section) const {
    TStringList names;
    ForEachKeyFound(section, [&](const Entry& e) { names.emplace_back(Key(e)); });
    return names;
}

TStringList IniDocument::KeyValueLines(std::string_view section) const {
    TStringList lines;
    ForEachKeyFound(section, [&](const Entry& e) { lines.push_back(KeyValueLine(e)); });
    return lines;
}

// ---- Changing ------------------------------------------------------------------------------

bool IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
    Section* s = FindSection(section);
    if (!s) {
        Section added;
        added.added = true;
        added.addedName = section;
        added.hash = FoldedHash(section);
        sections_.push_back(std::move(added));
        IndexSection(sections_.size() - 1);
        s = &sections_.back();
    }
    const std::uint32_t hash = FoldedHash(key);
    if (const std::size_t found = FindEntryIndex(*s, key, hash)) {
        Entry& entry = s->entries[found - 1];
        if (Key(entry) == key && Value(entry) == value) return false;
        entry.written = std::make_unique<Written>(Written{std::string(key), std::string(value)});
        return true;
    }
    Entry entry;
    entry.isKey = true;
    entry.hash = hash;
    entry.written = std::make_unique<Written>(Written{std::string(key), std::string(value)});
    s->entries.push_back(std::move(entry));
    IndexEntry(*s, s->entries.size() - 1);
    return true;
}

bool IniDocument::EraseSection(std::string_view section) {
    const std::uint32_t hash = FoldedHash(section);
    const auto erased = std::erase_if(sections_, [&](const Section& s) {
        return s.hash == hash && EqualFoldingAscii(Name(s), section);
    });
    if (erased == 0) return false;
    Reindex();
    return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (!s) return false;
    const std::uint32_t hash = FoldedHash(key);
    std::vector<Entry> kept;
    std::vector<Span> orphans; // the skipped lines above a removed line go with the next line
    bool removed = false;
    for (auto& entry : s->entries) {
        if (entry.isKey && entry.hash == hash && EqualFoldingAscii(Key(entry), key)) {
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
    ReindexKeys(*s);
    return removed;
}

const char* IniDocument::WriteProblem(std::string_view section, std::string_view key,
                                      std::string_view value) {
    auto hasLineBreak = [](std::string_view t) {
        return t.find_first_of("\r\n") != std::string_view::npos;
    };
    if (hasLineBreak(section)) return "the section name holds a line break";
    if (key.empty()) return "the key is empty";
    if (hasLineBreak(key)) return "the key holds a line break";
    if (key.find('=') != std::string_view::npos) return "the key holds '='";
    if (key.front() == ';' || key.front() == '[') return "the key begins with ';' or '['";
    if (hasLineBreak(value)) return "the value holds a line break";
    return nullptr;
}
