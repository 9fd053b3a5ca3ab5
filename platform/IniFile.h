#pragma once
// INI objects in place of the desktop class library's: one abstract base and two kinds.
//
// TMemIniFile holds the whole text in memory (the simulation file: loaded once, read by the
// window and the engine, edited in memory and saved whole by UpdateFile in the normalised
// layout: "[name]", "key=value" lines, one empty line after each section, CR LF everywhere).
// TIniFile works on the file itself (protocol.ini and the settings files): every read reads
// the file, every write changes the file at once and keeps its other lines as they were.
//
// The syntax and look-up rules are those of IniDocument.h: ASCII-case-insensitive names, the
// last occurrence found, bytes never converted. Integers are decimal with an optional sign, or
// hexadecimal after "0x", "0X" or "$" (up to eight digits, taken as a 32-bit pattern, so
// "$FFFFFFFF" is -1); an empty, missing or unreadable value gives the default. A boolean is an
// integer, non-zero being true, written as "1" or "0". A float takes '.' or ',' as the decimal
// separator (files written on a desktop with a comma locale stay readable).
//
// Saving writes a new file beside the old one and renames it over (FileBytes.h), so a failure
// raises Exception "Cannot save file <name>: <reason>" and the old file stays whole. Names or
// values that would not read back the same (a line break anywhere, an empty key, a key holding
// '=' or beginning with ';' or '[') are refused with an Exception before anything changes.
//
// Every operation of one object is atomic with respect to the others, so one thread may read
// while another writes. The file name is the exception: FileName() returns a reference, so
// rename an object (SetFileName, Rename) only while no other thread uses it.
#include "Exception.h"
#include "IniDocument.h"
#include "StringList.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

// A reference to a callable that outlives it: the INI objects hand every read and change through
// one, and a std::function would allocate for most of them.
template <class Signature> class IniCall;
template <class R, class... Args> class IniCall<R(Args...)> {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, IniCall>>>
    IniCall(F&& f) // implicit: made where the lambda is passed
        : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          call_([](void* object, Args... args) -> R {
              auto& callable = *static_cast<std::remove_reference_t<F>*>(object);
              return callable(std::forward<Args>(args)...);
          }) {}
    R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

private:
    void* object_;
    R (*call_)(void*, Args...);
};

class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    virtual ~TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    // The value as stored (an empty value is returned as empty), or the default when the key
    // is missing.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    // The value as stored, or nothing when the key is missing: ValueExists and ReadString in
    // one look-up.
    std::optional<std::string> ReadValue(const std::string& section,
                                         const std::string& ident) const;
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
    double ReadFloat(const std::string& section, const std::string& ident,
                     double defaultValue) const;

    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    // A section exists when its section line is in the text, also with no keys.
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;
    // The lists are cleared first; each name once, in the order of the occurrences found.
    void ReadSection(const std::string& section, TStringList& keys) const;
    void ReadSections(TStringList& sections) const;
    void ReadSectionValues(const std::string& section, TStringList& lines) const;
    // Remove every occurrence, so that no hidden earlier one comes to light.
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);
    // Writes what is not yet on disk.
    virtual void UpdateFile() = 0;

protected:
    // The two ways the kinds differ: where the text comes from and where a change goes.
    // Read runs read on the text as it is now; Change runs change on it and keeps the result
    // when change returns true. Each call is atomic for this object.
    virtual void Read(IniCall<void(const IniDocument&)> read) const = 0;
    virtual void Change(IniCall<bool(IniDocument&)> change) = 0;

    std::string fileName_;
};

class TMemIniFile : public TCustomIniFile {
public:
    // Loads the file when it exists (no file or an empty name: empty text). A file that exists
    // but cannot be read raises "Cannot read file <name>: <reason>".
    explicit TMemIniFile(std::string fileName = {});

    // Saves the whole text to FileName() in the normalised layout; an empty name raises.
    void UpdateFile() override;

    // The whole text as the lines UpdateFile writes (without line ends), and its replacement
    // by other lines (parsed as a file is; a line holding line breaks counts as several).
    void GetStrings(TStringList& lines) const;
    void SetStrings(const TStringList& lines);
    std::string Text() const;              // exactly the bytes UpdateFile writes
    void SetText(const std::string& text); // parsed as a file's bytes
    void Clear();

    // "Save as": the next UpdateFile writes to the new name. Rename with reload also replaces
    // the text by that file's (empty when it does not exist).
    void SetFileName(const std::string& fileName);
    void Rename(const std::string& fileName, bool reload);

protected:
    void Read(IniCall<void(const IniDocument&)> read) const override;
    void Change(IniCall<bool(IniDocument&)> change) override;

private:
    mutable std::mutex mutex_;
    IniDocument doc_;
};

class TIniFile : public TCustomIniFile {
public:
    // Touches no file: a missing file reads as empty and is created by the first write.
    explicit TIniFile(std::string fileName);

    // Nothing to do: every write is on disk already.
    void UpdateFile() override;

protected:
    void Read(IniCall<void(const IniDocument&)> read) const override;
    void Change(IniCall<bool(IniDocument&)> change) override;

private:
    IniDocument Load() const;

    mutable std::mutex mutex_; // one read-change-save of this object at a time
};
