#pragma once
// Writers of tiny catalogue installations for the tests: the stored forms of a catalogue file
// (compressed, scrambled), fixed-width and delimited lines with CR LF ends, codec.ini, and a
// language folder with every file the catalogue loading reads. Everything is written relative
// to the working folder (WorkingFolder.h), as the library reads it.
#include "CatalogueBlobs.h"
#include "CatalogueCodec.h"
#include "CatalogueState.h"
#include "WorkingFolder.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace CatalogueFixture {

inline const QByteArray CrLf = "\r\n";

// The compressed form: Qt's qCompress (length big-endian, then the zlib stream).
inline QByteArray Compressed(const QByteArray& text) { return qCompress(text); }

// The compressed form with another value in its length field.
inline QByteArray CompressedWithLength(const QByteArray& text, quint32 length) {
    QByteArray blob = qCompress(text);
    blob[0] = static_cast<char>(length >> 24);
    blob[1] = static_cast<char>(length >> 16);
    blob[2] = static_cast<char>(length >> 8);
    blob[3] = static_cast<char>(length);
    return blob;
}

// The scrambled form, made by the reverse of the library's steps: reverse the text, rotate every
// byte left by one bit and XOR it with the catalogue key, compress, XOR every compressed byte
// with the file key and rotate it left by one bit, put the file key in front.
inline QByteArray Scrambled(const QByteArray& text, std::uint8_t fileKey,
                            std::uint8_t catalogueKey = CatalogueBlobs::CatalogueKey) {
    QByteArray inner = text;
    std::reverse(inner.begin(), inner.end());
    for (char& c : inner)
        c = static_cast<char>(CatalogueBlobs::RotateLeft1(static_cast<std::uint8_t>(c)) ^ catalogueKey);
    QByteArray body = qCompress(inner);
    for (char& b : body)
        b = static_cast<char>(CatalogueBlobs::RotateLeft1(static_cast<std::uint8_t>(static_cast<std::uint8_t>(b) ^ fileKey)));
    return QByteArray(1, static_cast<char>(fileKey)) + body;
}

// Lines each ended by CR LF.
inline QByteArray Lines(std::initializer_list<QByteArray> lines) {
    QByteArray text;
    for (const QByteArray& l : lines)
        text += l + CrLf;
    return text;
}

// A text in a column of the given width, blank-padded (cut when longer).
inline QByteArray Column(const QByteArray& text, qsizetype width) {
    return text.left(width) + QByteArray(std::max<qsizetype>(0, width - text.size()), ' ');
}

inline QByteArray Hex8(std::uint32_t code) { return QByteArray::number(code, 16).toUpper().rightJustified(8, '0'); }
inline QByteArray Dec8(std::int32_t code) { return QByteArray::number(code).rightJustified(8, '0'); }

// Fixed-width lines with CR LF: code, a blank, the columns of the table.
inline QByteArray EcuLine(std::uint32_t code, const QByteArray& name) { return Hex8(code) + ' ' + Column(name, 25) + CrLf; }
inline QByteArray ItemLine(std::int32_t code, const QByteArray& name, const QByteArray& description) {
    return Dec8(code) + ' ' + Column(name, 25) + ' ' + Column(description, 70) + CrLf;
}
inline QByteArray ErrorLine(std::uint32_t code, const QByteArray& text) { return Hex8(code) + ' ' + Column(text, 70) + CrLf; }

// A delimited line with CR LF: "code;text;aux".
inline QByteArray DelimitedLine(std::int32_t code, const QByteArray& text, const QByteArray& aux = {}) {
    return QByteArray::number(code) + ';' + text + ';' + aux + CrLf;
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    QDir().mkpath(info.path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file below the folder with its bytes: a folder left unchanged compares equal.
inline std::map<std::string, QByteArray> Snapshot(const QString& folder) {
    std::map<std::string, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[path.toStdString()] = ReadFile(path);
    }
    return files;
}

// One language of codec.ini.
struct Language {
    int number;
    QByteArray id;
    QByteArray codec; // empty: no codec key (the default applies)
};

// codec.ini as an installation writes it: each key carries its section's prefix.
template <typename Languages> QByteArray CodecIni(const Languages& languages) {
    QByteArray text;
    for (const Language& l : languages) {
        const QByteArray section = "lingua" + QByteArray::number(l.number);
        text += '[' + section + ']' + CrLf;
        text += section + "_idlingua=" + l.id + CrLf;
        if (!l.codec.isEmpty())
            text += section + "_unicodeCodecName=" + l.codec + CrLf;
    }
    return text;
}
inline QByteArray CodecIni(std::initializer_list<Language> languages) { return CodecIni<>(languages); }

// The plain texts of one language's catalogue files.
struct LanguageTexts {
    QByteArray ecu;     // fixed width: EcuLine
    QByteArray attiva;  // ItemLine
    QByteArray errlist; // delimited: maker code;maker fault file name
    QByteArray errsae;  // ErrorLine (stored scrambled)
    QByteArray info;    // ItemLine
    QByteArray param;   // ItemLine
    QByteArray posst;   // one text a line
    QByteArray stati;   // ItemLine
    QByteArray umis;    // one text a line
    QByteArray messag;  // delimited: id;text
    QByteArray carb;    // delimited, plain file
    QByteArray impianti;
    QByteArray db;
    std::map<QByteArray, QByteArray> makerFaults; // file name without ".zip" -> ErrorLine text
};

// A language's texts, each one telling its language and its file apart.
inline LanguageTexts SampleTexts(const QByteArray& tag) {
    LanguageTexts t;
    t.ecu = EcuLine(0x10, "ECU ten " + tag) + EcuLine(0x1A, "ECU 1A " + tag);
    t.attiva = ItemLine(5, "Pump " + tag, "Fuel pump test " + tag) + ItemLine(7, "Fan " + tag, "Fan test " + tag);
    t.errlist = DelimitedLine(12, " Opel ") + DelimitedLine(30, "NoFile");
    t.errsae = ErrorLine(0x0100, "Generic P0100 " + tag) + ErrorLine(0x0200, "Generic P0200 " + tag);
    t.info = ItemLine(1, "VIN " + tag, "Vehicle number " + tag);
    t.param = ItemLine(3, "Speed " + tag, "Engine speed " + tag) + ItemLine(4, "Temp " + tag, "Coolant " + tag);
    t.posst = Lines({"Off " + tag, "On " + tag});
    t.stati = ItemLine(2, "Switch " + tag, "Brake switch " + tag);
    t.umis = Lines({"", "rpm " + tag, "degC " + tag});
    t.messag = DelimitedLine(0, "Wait " + tag) + DelimitedLine(1, "Link ready " + tag + "@note") +
               DelimitedLine(2, "Turn key " + tag);
    t.carb = DelimitedLine(1, " Petrol " + tag) + DelimitedLine(2, "Diesel " + tag);
    t.impianti = DelimitedLine(4, "Engine " + tag);
    t.db = DelimitedLine(9, "ECU from db " + tag);
    t.makerFaults["opel"] = ErrorLine(0x0100, "Opel P0100 " + tag) + ErrorLine(0x0300, "Opel P0300 " + tag);
    return t;
}

constexpr std::uint8_t FileKey = 0x3C;

// text/<id>/ with every stored and plain file of the language.
inline QString WriteLanguage(const QByteArray& id, const LanguageTexts& t) {
    const QString folder = QStringLiteral("text/") + QString::fromLatin1(id) + u'/';
    const auto compressed = [&](const char* name, const QByteArray& text) {
        WriteFile(folder + QLatin1String(name), Compressed(text));
    };
    compressed("ecu.zip", t.ecu);
    compressed("attiva.zip", t.attiva);
    compressed("errlist.zip", t.errlist);
    WriteFile(folder + QStringLiteral("errsae.zip"), Scrambled(t.errsae, FileKey));
    compressed("info.zip", t.info);
    compressed("param.zip", t.param);
    compressed("posst.zip", t.posst);
    compressed("stati.zip", t.stati);
    compressed("umis.zip", t.umis);
    compressed("messag.zip", t.messag);
    WriteFile(folder + QStringLiteral("carb.txt"), t.carb);
    WriteFile(folder + QStringLiteral("impianti.txt"), t.impianti);
    WriteFile(folder + QStringLiteral("db.txt"), t.db);
    for (const auto& [name, text] : t.makerFaults)
        WriteFile(folder + QString::fromLatin1(name) + QStringLiteral(".zip"), Scrambled(text, FileKey + 1));
    return folder;
}

// The files beside the language folders: the key texts and the activation kinds.
inline void WriteSharedTexts(const QByteArray& tasti, const QByteArray& tipoatt) {
    WriteFile(QStringLiteral("text/tasti.txt"), tasti);
    WriteFile(QStringLiteral("text/tipoatt.txt"), tipoatt);
}

// The catalogue as the library holds it at load: no texts, no language, no code page.
inline void ResetCatalogue() {
    Catalogue::ReleaseCatalogue();
    CatalogueCodec::SetCodecName(QString());
    CatalogueCodec::Refresh();
}

} // namespace CatalogueFixture
