#include "CatalogueLoading.h"

#include "CatalogueBlobs.h"
#include "CatalogueCodec.h"
#include "CatalogueState.h"
#include "PathPartNames.h"
#include "TIniFiles.h"

#include <QtGlobal>

#include <cstring>
#include <memory>
#include <optional>

namespace Catalogue {
namespace {

// A table of the class T made from a stored catalogue file (compressed form); empty when the
// file is missing or does not expand.
template <typename T> std::unique_ptr<T> FromExpanded(const std::optional<QByteArray>& bytes, std::unique_ptr<T> table) {
    if (bytes)
        table->LoadBytes(*bytes);
    return table;
}

std::unique_ptr<TTextTable> DirectTable() {
    auto t = std::make_unique<TTextTable>();
    t->SetDirectIndex(true);
    return t;
}

std::unique_ptr<TTextTable> DelimitedFile(const QString& path) {
    auto t = std::make_unique<TTextTable>();
    t->Load(path);
    return t;
}

// A file of the language folder; none without a folder (its id was refused): the language's
// files count as missing, and no file of the working folder stands in for them.
std::optional<QString> InFolder(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return std::nullopt;
    return folder + name;
}

std::unique_ptr<TTextTable> DelimitedLanguageFile(const QString& folder, const char* name) {
    const std::optional<QString> path = InFolder(folder, QLatin1String(name));
    return path ? DelimitedFile(*path) : std::make_unique<TTextTable>();
}

} // namespace

LanguageSettings ReadLanguageSettings(std::int32_t languageNumber, std::uint8_t useCodec) {
    // Getters only: codec.ini is never rewritten.
    const TIniFiles ini(QString::fromLatin1(CodecIniPath));
    const QString section = QStringLiteral("lingua%1").arg(languageNumber);
    LanguageSettings s;
    if (useCodec != 0)
        s.codecName = ini.GetStringValue(section, QStringLiteral("unicodeCodecName"), QString::fromLatin1(DefaultCodecName));
    const QString id = ini.GetStringValue(section, QStringLiteral("idlingua"), QString::fromLatin1(DefaultLanguageId));
    // The id names one folder below text/; an id that could lead elsewhere names none.
    if (PathPartNames::Checked(id, "ReadLanguageSettings", "language id"))
        s.textFolder = QStringLiteral("text/") + id + u'/';
    return s;
}

int MakerCode(const char* field, std::size_t width) {
    const QByteArray text = QByteArray(field, static_cast<qsizetype>(strnlen(field, width))).trimmed();
    bool ok = false;
    const int code = text.toInt(&ok, 10);
    return ok ? code : 0;
}

std::int32_t InitText(std::int32_t languageNumber, std::uint8_t useCodec, int makerCode) {
    const LanguageSettings settings = ReadLanguageSettings(languageNumber, useCodec);
    WithState([&](State& s) {
        CatalogueCodec::SetCodecName(settings.codecName);
        s.textFolder = settings.textFolder;
        const QString& folder = s.textFolder;

        // Every table of the previous language goes; the key table stays.
        std::unique_ptr<TTextTable> keyTexts = std::move(s.tables.keyTexts);
        s.tables = CatalogueTables();
        s.tables.keyTexts = std::move(keyTexts);

        qDebug("main: catalogue: InitText: uncompressing data");
        using namespace CatalogueBlobs;
        const auto expand = [&](const char* name) -> std::optional<QByteArray> {
            const std::optional<QString> path = InFolder(folder, QLatin1String(name));
            return path ? ExpandCatalogueFile(*path) : std::nullopt;
        };
        const auto expandScrambled = [&](const QString& name) -> std::optional<QByteArray> {
            const std::optional<QString> path = InFolder(folder, name);
            return path ? ExpandScrambledFile(*path, CatalogueKey) : std::nullopt;
        };
        // The files that messages read anew go through the reads of each use, which then share
        // these tables while the files stay unchanged.
        CatalogueTables& t = s.tables;
        const auto items = [&](const char* name) {
            const std::optional<QString> path = InFolder(folder, QLatin1String(name));
            return path ? t.files.Items(*path) : std::make_shared<TItemTextTable>();
        };
        const auto lines = [&](const char* name) {
            const std::optional<QString> path = InFolder(folder, QLatin1String(name));
            return path ? t.files.Lines(*path) : std::shared_ptr<TTextTable>(DirectTable());
        };
        const std::optional<QByteArray> errsae = expandScrambled(QStringLiteral("errsae.zip"));
        const std::optional<QByteArray> ecu = expand("ecu.zip");
        std::shared_ptr<TItemTextTable> attiva = items("attiva.zip");
        const std::optional<QByteArray> errlist = expand("errlist.zip");
        std::shared_ptr<TItemTextTable> info = items("info.zip");
        std::shared_ptr<TItemTextTable> param = items("param.zip");
        const std::optional<QByteArray> posst = expand("posst.zip");
        std::shared_ptr<TItemTextTable> stati = items("stati.zip");
        std::shared_ptr<TTextTable> umis = lines("umis.zip");
        qDebug("main: catalogue: InitText: end uncompressing data");

        qDebug("main: catalogue: InitText: parsing data");
        t.activationTexts = std::move(attiva);
        t.ecuTexts = FromExpanded(ecu, std::make_unique<TEcuTextTable>());
        const std::unique_ptr<TTextTable> makers = FromExpanded(errlist, std::make_unique<TTextTable>());
        t.faultTexts = FromExpanded(errsae, std::make_unique<TErrorTextTable>());
        t.infoTexts = std::move(info);
        t.parameterTexts = std::move(param);
        t.statusValueTexts = FromExpanded(posst, DirectTable());
        t.statusTexts = std::move(stati);
        t.unitTexts = std::move(umis);
        t.activationKinds = DelimitedFile(QString::fromLatin1(ActivationKindsPath));
        qDebug("main: catalogue: InitText: end parsing data");

        // The maker's own fault file, when errlist names one for the maker code and it opens.
        std::optional<QByteArray> own;
        if (makerCode > 0) {
            const QString name = makers->GetText(makerCode).trimmed().toLower();
            if (!name.isEmpty() && PathPartNames::Checked(name, "InitText", "maker fault file name"))
                own = expandScrambled(name + QStringLiteral(".zip"));
        }
        qDebug("main: catalogue: InitText: end parsing errmake");

        // Without it the maker's texts are the generic ones, one table under two names.
        qDebug("main: catalogue: InitText: parsing errmake file");
        if (own)
            t.ownMakerFaultTexts = FromExpanded(own, std::make_unique<TErrorTextTable>());
        qDebug("main: catalogue: InitText: end parsing errmake file");

        s.textsLoaded = TextsReady;
    });
    return 1;
}

void InitDbText(std::int32_t languageNumber, std::uint8_t useCodec) {
    const LanguageSettings settings = ReadLanguageSettings(languageNumber, useCodec);
    WithState([&](State& s) {
        CatalogueCodec::SetCodecName(settings.codecName);
        s.textFolder = settings.textFolder;
        DatabaseTexts& d = s.databaseTexts;
        d.fuelTexts = DelimitedLanguageFile(s.textFolder, "carb.txt");
        d.plantTexts = DelimitedLanguageFile(s.textFolder, "impianti.txt");
        d.dbTexts = DelimitedLanguageFile(s.textFolder, "db.txt");
    });
}

} // namespace Catalogue
