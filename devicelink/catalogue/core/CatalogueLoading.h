#pragma once
// Loading the catalogues of one language. "./codec.ini" names, per language number, the
// language folder ("text/<idlingua>/", default id "ita") and the code page of its texts
// (unicodeCodecName, default "CP1258"); the keys carry the section prefix
// ("[lingua1]" then "lingua1_idlingua=ita").
//
// InitText builds the twelve catalogue tables (the message and key tables at the first message,
// MessageTexts.h) from the language folder, expanding each stored file in memory: the folder is
// only read. A missing or corrupt file gives an empty table; nothing is reported to the caller.
// The maker's own fault file, named by the maker code through errlist, replaces the generic
// fault texts for that maker when it can be read.
//
// Both names come from data files and name one folder or file (PathPartNames.h): a language id
// that could lead out of text/ leaves the language without a folder (every table of the language
// is empty, and nothing below the working folder is read in its place), and such a maker file
// name counts as a file that cannot be opened (the generic fault texts stand).
#include <QByteArray>
#include <QString>

#include <cstdint>

namespace Catalogue {

struct LanguageSettings {
    QString codecName;  // empty when the codec is off
    QString textFolder; // "text/<id>/"; empty when the id was refused
};

constexpr const char* CodecIniPath = "./codec.ini";
constexpr const char* DefaultCodecName = "CP1258";
constexpr const char* DefaultLanguageId = "ita";
constexpr const char* ActivationKindsPath = "text/tipoatt.txt";

LanguageSettings ReadLanguageSettings(std::int32_t languageNumber, std::uint8_t useCodec);

// The maker code of an ECU record's code field (up to 3 characters, up to its terminator):
// blanks stripped, decimal; 0 when it is no number.
int MakerCode(const char* field, std::size_t width);

// Loads the catalogue tables of the language; the maker code chooses the maker fault file.
// Always 1.
std::int32_t InitText(std::int32_t languageNumber, std::uint8_t useCodec, int makerCode);
// Loads the three texts of the vehicle database (carb.txt, impianti.txt, db.txt, read as they
// lie in the language folder).
void InitDbText(std::int32_t languageNumber, std::uint8_t useCodec);

} // namespace Catalogue
