#pragma once
// The library's INI file: read whole at construction, answered from memory, written back whole at
// destruction when a setter or a removal ran.
//
// Values are addressed by their full key: the section's name, "_" and the key's name, all
// lower-cased, looked up inside the lower-cased section. The loader stores each key line under
// its own (lower-cased) text, so a file that the store reads carries the section prefix in every
// key ("[public]" then "public_comport=5"); the store writes its files in that form.
//
// Names and values are single-byte (Latin-1) texts cut at the store's widths: section names 63
// characters, full keys 127, values 255. A setter's name or value ends at its first line end, so
// no value can add lines to the file.
//
// An instance belongs to the thread that made it; instances share nothing.
#include "TIniTables.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

class TIniFiles {
public:
    TIniFiles();
    explicit TIniFiles(const QString& file);
    ~TIniFiles();
    TIniFiles(const TIniFiles&) = delete;
    TIniFiles& operator=(const TIniFiles&) = delete;

    // Replaces the store with the file's sections. False for an empty name (nothing printed) and
    // for a file that cannot be read ("cannot parse file [<name>]" on the standard error stream).
    // A file that is there but was refused (no regular file, larger than an INI file may be)
    // reads as a missing one, and is never written back: what it holds is not lost.
    bool Load(const QString& file);
    // Writes the store to file; true whether or not it could be written. Nothing is written over
    // the loaded file when it was refused.
    bool Save(const QString& file);
    QString FileName() const;

    QString GetStringValue(const QString& section, const QString& key, const QString& def) const;
    // Copies the value or def into out, at most room bytes with the terminator (room 0: nothing).
    void GetValue(const char* section, const char* key, const char* def, char* out, std::size_t room) const;
    bool GetBoolValue(const QString& section, const QString& key, bool def) const;
    int GetIntValue(const QString& section, const QString& key, int def) const;
    double GetDoubleValue(const QString& section, const QString& key, double def) const;
    QColor GetColorValue(const QString& section, const QString& key, const QColor& def) const;
    QFont GetFontValue(const QString& section, const QString& key, const QFont& def) const;
    QDate GetDateValue(const QString& section, const QString& key, const QDate& def) const;

    void SetStringValue(const QString& section, const QString& key, const QString& value);
    int SetValue(const char* section, const char* key, const char* value); // always 0
    void SetIntValue(const QString& section, const QString& key, int value);
    void SetDoubleValue(const QString& section, const QString& key, double value);
    void SetBoolValue(const QString& section, const QString& key, bool value);
    void SetColorValue(const QString& section, const QString& key, const QColor& value);
    void SetFontValue(const QString& section, const QString& key, const QFont& value);
    void SetDateValue(const QString& section, const QString& key, const QDate& value);

    // False without a store or without the section; else the key's slot is freed (also when
    // the key was absent) and the file counts as modified.
    bool RemoveKey(const QString& section, const QString& key);

    int SectionCount() const;
    // The i-th used section whose name holds no underscore; a null string when there is none.
    QString SectionName(int i) const;

    // For the tests: whether a setter or removal ran since the last load or save, and the store.
    bool IsModified() const { return modified != 0; }
    const TIniSectionTable* Store() const { return store.get(); }

    // The full key of a section and a key, and a section's stored name.
    static QByteArray FullKey(const QString& section, const QString& key);
    static QByteArray SectionKey(const QString& section);

private:
    const QByteArray* Find(const QString& section, const QString& key) const;
    void Put(const QString& section, const QString& key, const QByteArray& value);

    std::uint8_t modified = 0;
    std::unique_ptr<TIniSectionTable> store;
    QString fileName;
    bool refused = false; // the file of fileName was there but not read
};
