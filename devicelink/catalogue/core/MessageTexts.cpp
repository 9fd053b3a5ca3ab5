#include "MessageTexts.h"

#include "CatalogueBlobs.h"
#include "CatalogueState.h"
#include "TFixedWidthTables.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace Catalogue {
namespace {

constexpr std::int32_t NoMessage = 0;
constexpr int Keys = static_cast<int>(ActivationView::Keys);
constexpr int KeysWithShownFlag = 4;
constexpr std::int32_t UnnamedKeyCode = 1;

// The folder that holds the language folders: "text/" for "text/ita/".
QString ParentFolder(const QString& languageFolder) {
    QString folder = languageFolder;
    while (folder.endsWith(u'/'))
        folder.chop(1);
    const qsizetype slash = folder.lastIndexOf(u'/');
    return slash < 0 ? QString() : folder.left(slash + 1);
}

QString TextOf(TTextTable* table, std::int32_t id) { return table != nullptr ? table->GetText(id) : QString(); }

void EnsureMessageTables(State& s) {
    CatalogueTables& t = s.tables;
    if (!t.messageTexts) {
        t.messageTexts = std::make_unique<TTextTable>();
        if (const auto bytes = CatalogueBlobs::ExpandCatalogueFile(s.textFolder + QStringLiteral("messag.zip")))
            t.messageTexts->LoadBytes(*bytes);
    }
    if (!t.keyTexts) {
        t.keyTexts = std::make_unique<TTextTable>();
        t.keyTexts->Load(ParentFolder(s.textFolder) + QStringLiteral("tasti.txt"));
    }
}

// The message catalogue's text, with the key text of the message joined to the key string.
QString MessageCatalogueText(CatalogueTables& t, std::int32_t textId, QString* keyString) {
    if (textId == NoMessage)
        return QString();
    QString text = t.messageTexts->GetText(textId);
    if (text.isEmpty()) {
        textId = NoMessage;
        text = t.messageTexts->GetText(textId);
    }
    const QString keyText = t.keyTexts->GetText(textId);
    const qsizetype at = text.indexOf(u'@');
    if (at >= 0)
        text.truncate(at);
    if (keyString != nullptr) {
        if (keyString->isEmpty()) {
            *keyString = keyText;
        } else if (!keyText.isEmpty()) {
            // Each key text brings its own leading "#": the gathered string's closing one goes.
            keyString->chop(1);
            *keyString += keyText;
        }
    }
    return text;
}

QString TextBySource(State& s, std::int32_t textId, std::int32_t source, QString* keyString) {
    CatalogueTables& t = s.tables;
    const QString& folder = s.textFolder;
    // The catalogues of sources 1 to 4 and 10 are read as the files stand at this message.
    const auto items = [&](const char* zipName) {
        return TextOf(t.files.Items(folder + QLatin1String(zipName)).get(), textId);
    };
    switch (source) {
    case SourceParameters: return items("param.zip");
    case SourceStatuses: return items("stati.zip");
    case SourceInfo: return items("info.zip");
    case SourceActivations: return items("attiva.zip");
    case SourceUnits: return TextOf(t.files.Lines(folder + QStringLiteral("umis.zip")).get(), textId);
    case SourceFaults: return TextOf(t.faultTexts.get(), textId);
    case SourceMakerFaults: return TextOf(t.MakerFaultTexts(), textId);
    default: return MessageCatalogueText(t, textId, keyString);
    }
}

void StoreLine(std::int32_t slot, const QString& text, QString* line0, QString* line1, QString* line2, QString* line3) {
    QString* line = slot == 0 ? line0 : slot == 1 ? line1 : slot == 2 ? line2 : line3;
    if (line != nullptr)
        *line = text;
}

std::int32_t Decimal(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

QString DatabaseText(std::unique_ptr<TTextTable> DatabaseTexts::*table, std::int32_t code) {
    return WithState([&](State& s) {
        TTextTable* t = (s.databaseTexts.*table).get();
        return t != nullptr ? t->GetText(code).trimmed() : QString();
    });
}

} // namespace

bool BuildMessageText(std::int32_t textId, std::int32_t source, std::int32_t slot, QString* line0, QString* line1,
                      QString* line2, QString* line3, QString* keyString) {
    return WithState([&](State& s) {
        // No language yet: no catalogue to read, and nothing kept that a later language would need.
        const bool languageKnown = !s.textFolder.isEmpty();
        if (languageKnown)
            EnsureMessageTables(s);
        if (textId < 0)
            return false;
        const QString text = languageKnown ? TextBySource(s, textId, source, keyString) : QString();
        StoreLine(slot, text.trimmed(), line0, line1, line2, line3);
        return true;
    });
}

void ParseKeyTexts(const QString& keyString, ActivationView* view) {
    if (view == nullptr)
        return;
    bool found[Keys] = {};
    qsizetype position = 0;
    while (position != -1) {
        const qsizetype start = position + 1;
        position = keyString.indexOf(u'#', start);
        const QString field = keyString.mid(start, position < 0 ? -1 : position - start);
        if (field.isEmpty())
            continue;
        const qsizetype eq = field.indexOf(u'=');
        const QString label = eq < 0 ? field : field.left(eq);
        const std::int32_t k = Decimal(eq < 0 ? field : field.mid(eq + 1));
        if (k < 1 || k > Keys)
            continue;
        ActivationKey& key = view->keys[k - 1];
        const QByteArray bytes = label.left(KeyLabelLimit).toLatin1();
        std::memset(key.label, 0, sizeof key.label);
        std::memcpy(key.label, bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (k <= KeysWithShownFlag)
            key.shown = 1;
        key.code = Decimal(label.mid(1));
        found[k - 1] = true;
    }
    for (int k = 0; k < Keys; ++k) {
        if (found[k])
            continue;
        ActivationKey& key = view->keys[k];
        key.code = UnnamedKeyCode;
        std::memset(key.label, 0, sizeof key.label);
        if (k < KeysWithShownFlag)
            key.shown = 0;
    }
}

QString FuelText(std::int32_t code) { return DatabaseText(&DatabaseTexts::fuelTexts, code); }
QString PlantText(std::int32_t code) { return DatabaseText(&DatabaseTexts::plantTexts, code); }
QString DbText(std::int32_t code) { return DatabaseText(&DatabaseTexts::dbTexts, code); }

} // namespace Catalogue
