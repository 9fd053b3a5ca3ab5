#include "IniFile.h"

#include "Exception.h"
#include "FileBytes.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

bool ParseDecimal(const std::string& text, int& out) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+' && ++first != last && *first == '-') return false;
    if (first == last) return false;
    int value = 0;
    auto [end, ec] = std::from_chars(first, last, value, 10);
    if (ec != std::errc() || end != last) return false;
    out = value;
    return true;
}

bool ParseHex(const char* first, const char* last, int& out) {
    if (first == last || last - first > 8) return false;
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(first, last, value, 16);
    if (ec != std::errc() || end != last) return false;
    out = static_cast<int>(value); // the 32-bit pattern, as the desktop library reads it
    return true;
}

bool ParseInteger(const std::string& text, int& out) {
    const char* p = text.data();
    const char* last = p + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseHex(p + 2, last, out);
    if (!text.empty() && text[0] == '$') return ParseHex(p + 1, last, out);
    return ParseDecimal(text, out);
}

bool ParseFloat(std::string text, double& out) {
    if (text.find('.') == std::string::npos) {
        auto comma = text.find(',');
        if (comma != std::string::npos && text.find(',', comma + 1) == std::string::npos)
            text[comma] = '.';
    }
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+' && ++first != last && *first == '-') return false;
    if (first == last) return false;
    double value = 0;
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(value)) return false;
    out = value;
    return true;
}

} // namespace

// ---- TCustomIniFile ------------------------------------------------------------------------

std::string TCustomIniFile::ReadString(const std::string& section, const std::string& ident,
                                       const std::string& defaultValue) const {
    std::string result = defaultValue;
    Read([&](const IniDocument& doc) {
        if (const auto value = doc.Find(section, ident)) result = *value;
    });
    return result;
}

std::optional<std::string> TCustomIniFile::ReadValue(const std::string& section,
                                                     const std::string& ident) const {
    std::optional<std::string> result;
    Read([&](const IniDocument& doc) {
        if (const auto value = doc.Find(section, ident)) result.emplace(*value);
    });
    return result;
}

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                int defaultValue) const {
    int value = defaultValue;
    return ParseInteger(ReadString(section, ident, ""), value) ? value : defaultValue;
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident,
                              bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident,
                                 double defaultValue) const {
    double value = defaultValue;
    return ParseFloat(ReadString(section, ident, ""), value) ? value : defaultValue;
}

void TCustomIniFile::WriteString(const std::string& section, const std::string& ident,
                                 const std::string& value) {
    if (const char* problem = IniDocument::WriteProblem(section, ident, value))
        throw Exception("Cannot write key \"" + ident + "\" of section [" + section +
                        "] in file " + fileName_ + ": " + problem);
    Change([&](IniDocument& doc) { return doc.Write(section, ident, value); });
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident,
                                  int value) {
    WriteString(section, ident, std::to_string(value));
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

bool TCustomIniFile::SectionExists(const std::string& section) const {
    bool exists = false;
    Read([&](const IniDocument& doc) { exists = doc.HasSection(section); });
    return exists;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    bool exists = false;
    Read([&](const IniDocument& doc) { exists = doc.Find(section, ident).has_value(); });
    return exists;
}

void TCustomIniFile::ReadSection(const std::string& section, TStringList& keys) const {
    Read([&](const IniDocument& doc) { keys = doc.KeyNames(section); });
}

void TCustomIniFile::ReadSections(TStringList& sections) const {
    Read([&](const IniDocument& doc) { sections = doc.SectionNames(); });
}

void TCustomIniFile::ReadSectionValues(const std::string& section, TStringList& lines) const {
    Read([&](const IniDocument& doc) { lines = doc.KeyValueLines(section); });
}

void TCustomIniFile::EraseSection(const std::string& section) {
    Change([&](IniDocument& doc) { return doc.EraseSection(section); });
}

void TCustomIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    Change([&](IniDocument& doc) { return doc.DeleteKey(section, ident); });
}

// ---- TMemIniFile ---------------------------------------------------------------------------

TMemIniFile::TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {
    std::string bytes;
    if (!fileName_.empty() && ReadFileBytes(fileName_, bytes)) doc_.Parse(std::move(bytes));
}

void TMemIniFile::Read(IniCall<void(const IniDocument&)> read) const {
    std::lock_guard lock(mutex_);
    read(doc_);
}

void TMemIniFile::Change(IniCall<bool(IniDocument&)> change) {
    std::lock_guard lock(mutex_);
    change(doc_);
}

void TMemIniFile::UpdateFile() {
    std::lock_guard lock(mutex_);
    if (fileName_.empty()) throw Exception("Cannot save the INI text: it has no file name");
    WriteFileAtomically(fileName_, doc_.Text(IniDocument::Layout::Normalised));
}

void TMemIniFile::GetStrings(TStringList& lines) const {
    std::lock_guard lock(mutex_);
    lines = doc_.Lines(IniDocument::Layout::Normalised);
}

void TMemIniFile::SetStrings(const TStringList& lines) { SetText(JoinLines(lines, "\n")); }

std::string TMemIniFile::Text() const {
    std::lock_guard lock(mutex_);
    return doc_.Text(IniDocument::Layout::Normalised);
}

void TMemIniFile::SetText(const std::string& text) {
    std::lock_guard lock(mutex_);
    doc_.Parse(text);
}

void TMemIniFile::Clear() {
    std::lock_guard lock(mutex_);
    doc_.Clear();
}

void TMemIniFile::SetFileName(const std::string& fileName) {
    std::lock_guard lock(mutex_);
    fileName_ = fileName;
}

void TMemIniFile::Rename(const std::string& fileName, bool reload) {
    std::lock_guard lock(mutex_);
    if (reload) {
        std::string bytes;
        IniDocument loaded;
        if (!fileName.empty() && ReadFileBytes(fileName, bytes)) loaded.Parse(std::move(bytes));
        doc_ = std::move(loaded); // only once the new file was read whole
    }
    fileName_ = fileName;
}

// ---- TIniFile ------------------------------------------------------------------------------

TIniFile::TIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {}

IniDocument TIniFile::Load() const {
    IniDocument doc;
    std::string bytes;
    if (!fileName_.empty() && ReadFileBytes(fileName_, bytes)) doc.Parse(std::move(bytes));
    return doc;
}

void TIniFile::Read(IniCall<void(const IniDocument&)> read) const {
    std::lock_guard lock(mutex_);
    read(Load());
}

void TIniFile::Change(IniCall<bool(IniDocument&)> change) {
    std::lock_guard lock(mutex_);
    IniDocument doc = Load();
    if (change(doc)) WriteFileAtomically(fileName_, doc.Text(IniDocument::Layout::Preserving));
}

void TIniFile::UpdateFile() {}
