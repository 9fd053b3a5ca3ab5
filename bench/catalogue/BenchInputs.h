#pragma once
// The inputs of catalogue_bench, written into the working folder with the tests' writers: a
// language folder of a given size of expanded text, a stored file that expands far beyond what
// it stores, a codec.ini of many languages and a vehicle database whose one system has many ECU
// records.
#include <QByteArray>
#include <QString>

#include <cstdint>

namespace BenchInputs {

constexpr qsizetype MiB = 1024 * 1024;
constexpr int Language = 1;

struct Written {
    qint64 textBytes = 0;   // expanded text of the files InitText reads
    qint64 storedBytes = 0; // what they hold on disk
};

// text/ita/ with the nine files InitText reads, textBytes of expanded text shared evenly among
// them (each in its own form), and the tables of messag.zip and the plain texts beside.
Written WriteCatalogueOfSize(qint64 textBytes);

// The small sample language, with param.zip and messag.zip holding about textBytes each.
Written WriteMessageCatalogue(qint64 textBytes);

// The small sample language with umis.zip replaced by a compressed file of the same short unit
// line over and over, up to textBytes of it: a small file that expands a thousandfold, and the
// most lines a byte of text can hold.
Written WriteExpandingUnits(qint64 textBytes);

// The languages 1 to count (ids LanguageIds), each a copy of a catalogue of textBytes of text
// in its own folder, with codec.ini naming them. The text of one language.
constexpr int MaxLanguages = 6;
extern const char* const LanguageIds[MaxLanguages];
Written WriteLanguagesOfSize(int count, qint64 textBytes);

// codec.ini with the languages 1 to sections, each in its own section; the language folder
// of the last one is "text/ita/".
void WriteCodecIni(int sections);

// The car database: one maker, fuel, model and version, one system with records ECU records,
// four a ECU (two part numbers, each with two engine codes).
void WriteEcuDatabase(int records);

} // namespace BenchInputs
