#include "IniDocument.h"

#include "Exception.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <utility>

namespace {

// Up to this many lines a section is scanned from its end; beyond, its keys are indexed.
constexpr std::size_t ScannedLines = 8;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Eight bytes at a time with the letters A to Z folded: 0x20 added where a byte's low seven
// bits are 0x41 to 0x5A and its high bit is clear.
std::uint64_t FoldedWord(std::uint64_t w) {
    constexpr std::uint64_t ones = 0x0101010101010101u, high = 0x8080808080808080u;
    const std::uint64_t low7 = w & ~high;
    const std::uint64_t fromA = low7 + (0x80 - 'A') * ones; // high bit: at least 'A'
    const std::uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * ones; // high bit: beyond 'Z'
    const std::uint64_t upper = fromA & ~pastZ & ~w & high;
    return w | upper >> 2;
}

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93u;
    h ^= h >> 32;
    return h;
}

std::uint32_t FoldedHash(std::string_view text) {
    std::uint64_t h = 0x9e3779b97f4a7c15u ^ text.size();
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, text.data() + i, 8);
        h = Mix(h ^ FoldedWord(w));
    }
    if (i < text.size()) {
        // Byte by byte: a copy of a few bytes into a word stalls its load.
        std::uint64_t w = 0;
        for (std::size_t shift = 0; i < text.size(); ++i, shift += 8)
            w |= std::uint64_t{static_cast<unsigned char>(text[i])} << shift;
        h = Mix(h ^ FoldedWord(w));
    }
    return static_cast<std::uint32_t>(Mix(h));
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
    if (a == b) return true; // mostly written as they are asked for
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
std::size_t IniDocument::NameIndex::Put(std::uint32_t hash, std::size_t position, Same same) {
    if (2 * (used_ + 1) > slots_.size()) Grow(std::max<std::size_t>(16, 2 * slots_.size()));
    const std::uint64_t entry = static_cast<std::uint64_t>(hash) << 32 | (position + 1);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t p = hash & mask;; p = (p + 1) & mask) {
        const std::uint64_t slot = slots_[p];
        if (slot == 0) {
            slots_[p] = entry;
            ++used_;
            return 0;
        }
        const std::size_t earlier = static_cast<std::uint32_t>(slot);
        if (static_cast<std::uint32_t>(slot >> 32) == hash && same(earlier - 1)) {
            slots_[p] = entry; // later ones win
            return earlier;
        }
    }
}

// ---- Indexes -------------------------------------------------------------------------------

std::size_t IniDocument::FindSectionIndex(std::string_view name) const {
    const std::uint32_t hash = FoldedHash(name);
    const auto same = [&](std::size_t i) {
        return sections_[i].hash == hash && !sections_[i].hidden &&
               EqualFoldingAscii(Name(sections_[i]), name);
    };
    // Readers mostly ask for the sections near the one they asked for last, in the order of
    // the file: those are tried first, before the table far away in memory.
    const std::size_t first = lastFound_ < 2 ? 0 : lastFound_ - 2;
    const std::size_t last = std::min(sections_.size(), lastFound_ + 4);
    for (std::size_t i = first; i < last; ++i)
        if (same(i)) {
            lastFound_ = i;
            return i + 1;
        }
    const std::size_t found = sectionIndex_.Find(hash, same);
    if (found != 0) lastFound_ = found - 1;
    return found;
}

std::size_t IniDocument::FindEntryIndex(const Section& s, std::string_view key) const {
    // Hashes first: the entries lie together, the bytes of their keys elsewhere in the text.
    const std::uint32_t hash = FoldedHash(key);
    const auto same = [&](std::size_t i) {
        const Entry& e = s.entries[i];
        return e.isKey && e.hash == hash && EqualFoldingAscii(Key(e), key);
    };
    if (s.keyIndex) return s.keyIndex->Find(hash, same);
    for (std::size_t i = s.entries.size(); i-- > 0;) // the last occurrence is the one found
        if (same(i)) return i + 1;
    return 0;
}

void IniDocument::IndexSection(std::size_t i) {
    const std::string_view name = Name(sections_[i]);
    const std::size_t earlier = sectionIndex_.Put(sections_[i].hash, i, [&](std::size_t j) {
        return EqualFoldingAscii(Name(sections_[j]), name);
    });
    if (earlier != 0) sections_[earlier - 1].hidden = true;
}

void IniDocument::IndexKey(Section& s, std::size_t i) {
    const Entry& e = s.entries[i];
    if (!e.isKey) return;
    const std::string_view key = Key(e);
    s.keyIndex->Put(e.hash, i, [&](std::size_t j) {
        return s.entries[j].isKey && EqualFoldingAscii(Key(s.entries[j]), key);
    });
}

void IniDocument::ReindexKeys(Section& s) {
    s.keyIndex.reset();
    if (s.entries.size() <= ScannedLines) return;
    s.keyIndex = std::make_unique<NameIndex>();
    s.keyIndex->Reserve(s.entries.size());
    for (std::size_t i = 0; i < s.entries.size(); ++i) IndexKey(s, i);
}

void IniDocument::Reindex() {
    sectionIndex_.Clear();
    for (Section& s : sections_) s.hidden = false;
    for (std::size_t i = 0; i < sections_.size(); ++i) IndexSection(i);
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const {
    const std::size_t found = FindSectionIndex(section);
    return found == 0 ? nullptr : &sections_[found - 1];
}

IniDocument::Section* IniDocument::FindSection(std::string_view section) {
    return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

// ---- Parsing and the saved forms -----------------------------------------------------------

void IniDocument::Clear() {
    source_.clear();
    preamble_ = {};
    sections_.clear();
    sectionIndex_.Clear();
    lastFound_ = 0;
}

// The skipped lines met since the last entry or section line, and where the comment lines right
// above the next line begin (after the last empty one).
class IniDocument::SkippedLines {
public:
    void Add(std::uint32_t begin, std::uint32_t size, bool empty) {
        if (all_.count == 0) all_.begin = begin;
        all_.size = begin + size - all_.begin;
        ++all_.count;
        if (empty) {
            headEnd_ = begin + size;
            headCount_ = all_.count;
            tailCount_ = 0;
        } else if (tailCount_++ == 0) {
            tailBegin_ = begin;
        }
    }
    Run All() const { return all_; }
    Run UpToComments() const {
        return {all_.begin, headCount_ == 0 ? 0 : headEnd_ - all_.begin, headCount_};
    }
    Run Comments() const {
        return {tailBegin_, tailCount_ == 0 ? 0 : all_.begin + all_.size - tailBegin_, tailCount_};
    }

private:
    Run all_;
    std::uint32_t headEnd_ = 0, headCount_ = 0, tailBegin_ = 0, tailCount_ = 0;
};

void IniDocument::Parse(std::string text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw Exception("An INI text of more than 4 GiB cannot be read");
    Clear();
    source_ = std::move(text);
    const std::string_view all = source_;
    const auto spanOf = [&](std::string_view part) {
        return Span{static_cast<std::uint32_t>(part.data() - all.data()),
                    static_cast<std::uint32_t>(part.size())};
    };
    // Room for the sections at once (counted by the lines that begin with '['), so that they
    // are not moved while they grow.
    std::size_t sectionLines = 0;
    for (std::size_t i = all.find('['); i != std::string_view::npos; i = all.find('[', i + 1))
        if (i == 0 || all[i - 1] == '\n' || all[i - 1] == '\r') ++sectionLines;
    sections_.reserve(sectionLines);
    sectionIndex_.Reserve(sectionLines);
    SkippedLines skipped;
    // The entries of the section being read, moved into it at its end, so that each section
    // holds one block of exactly its entries.
    std::vector<Entry> entries;
    const auto endSection = [&] {
        if (sections_.empty()) return;
        Section& s = sections_.back();
        s.entries.reserve(entries.size());
        std::move(entries.begin(), entries.end(), std::back_inserter(s.entries));
        entries.clear();
        ReindexKeys(s);
    };
    std::size_t pos = 0;
    while (pos < all.size()) {
        // The line, and past its end: CR LF, a lone LF or a lone CR.
        std::size_t end = pos;
        while (end < all.size() && all[end] != '\r' && all[end] != '\n') ++end;
        const std::string_view line = all.substr(pos, end - pos);
        pos = end;
        if (pos < all.size())
            pos += all[pos] == '\r' && pos + 1 < all.size() && all[pos + 1] == '\n' ? 2 : 1;

        const std::string_view trimmed = Trimmed(line);
        if (sections_.empty() && !IsSectionLine(trimmed)) {
            preamble_.size = static_cast<std::uint32_t>(end);
            ++preamble_.count;
            continue;
        }
        if (IsSkipped(trimmed)) {
            const Span s = spanOf(line);
            skipped.Add(s.begin, s.size, trimmed.empty());
            continue;
        }
        if (IsSectionLine(trimmed)) {
            // Comment lines directly above a section line describe that section; they go
            // (and are erased) with it. Empty lines and what is above them stay behind.
            if (!sections_.empty()) sections_.back().trailing.first = skipped.UpToComments();
            endSection();
            Section section;
            section.leading = skipped.Comments();
            skipped = {};
            const std::string_view name = Trimmed(trimmed.substr(1, trimmed.size() - 2));
            section.name = spanOf(name);
            section.hash = FoldedHash(name);
            section.header = spanOf(line);
            sections_.push_back(std::move(section));
            IndexSection(sections_.size() - 1);
            continue;
        }
        Entry& entry = entries.emplace_back();
        entry.skippedBefore.first = skipped.All();
        skipped = {};
        const auto eq = trimmed.find('=');
        if (eq != std::string_view::npos) {
            const std::string_view key = Trimmed(trimmed.substr(0, eq));
            entry.key = spanOf(key);
            entry.value = spanOf(Trimmed(trimmed.substr(eq + 1)));
            entry.isKey = !key.empty();
            if (entry.isKey) entry.hash = FoldedHash(key);
        }
        entry.raw = spanOf(line);
    }
    if (!sections_.empty()) sections_.back().trailing.first = skipped.All();
    endSection();
}

std::string IniDocument::KeyValueLine(const Entry& e) const {
    const std::string_view key = Key(e), value = Value(e);
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append(1, '=').append(value);
    return line;
}

template <class Line> void IniDocument::EmitRun(const Run& run, Line line) const {
    std::size_t p = run.begin;
    const std::size_t end = std::size_t{run.begin} + run.size;
    for (std::uint32_t i = 0; i < run.count; ++i) {
        std::size_t q = p;
        while (q < end && source_[q] != '\r' && source_[q] != '\n') ++q;
        line(std::string_view(source_).substr(p, q - p));
        if (q < end) q += source_[q] == '\r' && q + 1 < end && source_[q + 1] == '\n' ? 2 : 1;
        p = q;
    }
}

template <class Line> void IniDocument::EmitSkipped(const Skipped& skipped, Line line) const {
    EmitRun(skipped.first, line);
    if (skipped.more)
        for (const Run& run : *skipped.more) EmitRun(run, line);
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
    if (keep) EmitRun(preamble_, line);
    for (const auto& section : sections_) {
        if (!keep || section.addedName) {
            // An added section is set apart from the text above it, as in the normalised form.
            if (keep && any && !lastIsBlank()) line({});
            line("[", Name(section), "]");
        } else {
            EmitRun(section.leading, line);
            line(View(section.header));
        }
        for (const auto& entry : section.entries) {
            if (keep) EmitSkipped(entry.skippedBefore, line);
            if (entry.isKey && (entry.written || !keep))
                line(Key(entry), "=", Value(entry));
            else
                line(keep ? View(entry.raw) : Trimmed(View(entry.raw)));
        }
        if (keep)
            EmitSkipped(section.trailing, line);
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
    const std::size_t found = FindEntryIndex(*s, key);
    if (found == 0) return std::nullopt;
    return Value(s->entries[found - 1]);
}

bool IniDocument::HasSection(std::string_view section) const {
    return FindSection(section) != nullptr;
}

TStringList IniDocument::SectionNames() const {
    TStringList names;
    for (const Section& s : sections_)
        if (!s.hidden) names.emplace_back(Name(s));
    return names;
}

template <class F> void IniDocument::ForEachKeyFound(std::string_view section, F f) const {
    if (const Section* s = FindSection(section))
        for (std::size_t i = 0; i < s->entries.size(); ++i) {
            const Entry& e = s->entries[i];
            if (e.isKey && FindEntryIndex(*s, Key(e)) == i + 1) f(e);
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
        added.addedName = std::make_unique<std::string>(section);
        added.hash = FoldedHash(section);
        sections_.push_back(std::move(added));
        IndexSection(sections_.size() - 1);
        s = &sections_.back();
    }
    if (const std::size_t found = FindEntryIndex(*s, key)) {
        Entry& entry = s->entries[found - 1];
        if (Key(entry) == key && Value(entry) == value) return false;
        entry.written = std::make_unique<Written>(Written{std::string(key), std::string(value)});
        return true;
    }
    Entry entry;
    entry.isKey = true;
    entry.hash = FoldedHash(key);
    entry.written = std::make_unique<Written>(Written{std::string(key), std::string(value)});
    s->entries.push_back(std::move(entry));
    if (s->keyIndex)
        IndexKey(*s, s->entries.size() - 1);
    else if (s->entries.size() > ScannedLines)
        ReindexKeys(*s);
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

void IniDocument::AppendRuns(std::vector<Run>& runs, const Skipped& skipped) {
    if (skipped.first.count > 0) runs.push_back(skipped.first);
    if (skipped.more) runs.insert(runs.end(), skipped.more->begin(), skipped.more->end());
}

IniDocument::Skipped IniDocument::SkippedOf(const std::vector<Run>& runs) {
    Skipped skipped;
    if (runs.empty()) return skipped;
    skipped.first = runs.front();
    if (runs.size() > 1)
        skipped.more = std::make_unique<std::vector<Run>>(runs.begin() + 1, runs.end());
    return skipped;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (!s) return false;
    const std::uint32_t hash = FoldedHash(key);
    const auto isKey = [&](const Entry& e) {
        return e.isKey && e.hash == hash && EqualFoldingAscii(Key(e), key);
    };
    if (std::none_of(s->entries.begin(), s->entries.end(), isKey)) return false;
    std::vector<Entry> kept;
    std::vector<Run> orphans; // the skipped lines above a removed line go with the next line
    for (auto& entry : s->entries) {
        if (isKey(entry)) {
            AppendRuns(orphans, entry.skippedBefore);
            continue;
        }
        if (!orphans.empty()) {
            AppendRuns(orphans, entry.skippedBefore);
            entry.skippedBefore = SkippedOf(orphans);
            orphans.clear();
        }
        kept.push_back(std::move(entry));
    }
    if (!orphans.empty()) {
        AppendRuns(orphans, s->trailing);
        s->trailing = SkippedOf(orphans);
    }
    s->entries = std::move(kept);
    ReindexKeys(*s);
    return true;
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
