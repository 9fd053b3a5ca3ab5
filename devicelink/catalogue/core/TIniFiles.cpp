#include "TIniFiles.h"

#include "IniFileText.h"

#include <QtGlobal>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A name or value given to a setter, up to its first line end.
QByteArray SingleLine(const QByteArray& text) {
    const qsizetype end = std::min(text.indexOf('\r') < 0 ? text.size() : text.indexOf('\r'),
                                   text.indexOf('\n') < 0 ? text.size() : text.indexOf('\n'));
    return text.left(end);
}

QByteArray Latin1(const QString& text) { return SingleLine(text.toLatin1()); }

// The leading decimal number of the text: blanks and a sign before the digits; no digits give 0.
int LeadingInt(const QByteArray& text) {
    qsizetype i = 0;
    while (i < text.size() && IsSpace(text.at(i)))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == '+' || text.at(i) == '-'))
        negative = text.at(i++) == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text.at(i) >= '0' && text.at(i) <= '9'; ++i) {
        value = value * 10 + (text.at(i) - '0');
        if (value > std::int64_t{std::numeric_limits<int>::max()} + 1)
            break;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

// The C locale, made once for the process and never freed: strtod_l reads with it whatever
// locale the host has set, and from any thread.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// The leading floating-point number of the text as C's strtod reads it in the C locale:
// decimal and hexadecimal forms, inf and nan, an overflow giving inf; no number gives 0.0.
double LeadingDouble(const QByteArray& text) {
    // constData() ends with a zero byte; a zero byte inside ends the number as it would in C.
    const locale_t c = CLocale();
    return c != static_cast<locale_t>(nullptr) ? strtod_l(text.constData(), nullptr, c)
                                               : std::strtod(text.constData(), nullptr);
}

// A colour component: the whole text a decimal number, else 0.
int ColorPart(const QByteArray& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

bool IsColorComponent(int v) { return v >= 0 && v <= 255; }

} // namespace

TIniFiles::TIniFiles() = default;

TIniFiles::TIniFiles(const QString& file) : fileName(file) { Load(file); }

TIniFiles::~TIniFiles() {
    if (modified == 1)
        Save(fileName);
}

bool TIniFiles::Load(const QString& file) {
    fileName = file;
    refused = false;
    if (file.isEmpty())
        return false;
    store.reset();
    modified = 0;
    IniFileText::FileRead how = IniFileText::FileRead::Read;
    store = IniFileText::ParseIniFile(file, &how);
    refused = how == IniFileText::FileRead::Refused;
    if (!store) {
        std::fprintf(stderr, "cannot parse file [%s]\n", file.toLocal8Bit().constData());
        return false;
    }
    return true;
}

bool TIniFiles::Save(const QString& file) {
    if (refused && file == fileName)
        qDebug("TIniFiles::Save: %s was not read: it is not written over", file.toLocal8Bit().constData());
    else
        IniFileText::WriteIniFile(store.get(), file);
    modified = 0;
    return true;
}

QString TIniFiles::FileName() const { return fileName; }

QByteArray TIniFiles::FullKey(const QString& section, const QString& key) {
    return Latin1((section + u'_' + key).toLower()).left(TIniKeyList::NameLimit);
}

QByteArray TIniFiles::SectionKey(const QString& section) {
    return Latin1(section.toLower()).left(TIniSectionTable::NameLimit);
}

const QByteArray* TIniFiles::Find(const QString& section, const QString& key) const {
    if (!store)
        return nullptr;
    const TIniKeyList* list = store->Find(SectionKey(section));
    return list != nullptr ? list->Find(FullKey(section, key)) : nullptr;
}

void TIniFiles::Put(const QString& section, const QString& key, const QByteArray& value) {
    const QByteArray sectionKey = SectionKey(section);
    if (!store)
        store = std::make_unique<TIniSectionTable>();
    TIniKeyList* list = store->Find(sectionKey);
    if (list == nullptr)
        list = &store->ListAt(store->Set(sectionKey, TIniKeyList()));
    list->Set(FullKey(section, key), SingleLine(value));
    modified = 1;
}

QString TIniFiles::GetStringValue(const QString& section, const QString& key, const QString& def) const {
    const QByteArray* v = Find(section, key);
    return v != nullptr ? QString::fromLatin1(*v) : def;
}

void TIniFiles::GetValue(const char* section, const char* key, const char* def, char* out, std::size_t room) const {
    if (out == nullptr || room == 0)
        return;
    const QByteArray* v = Find(QString::fromLatin1(section ? section : ""), QString::fromLatin1(key ? key : ""));
    const char* text = v != nullptr ? v->constData() : (def != nullptr ? def : "");
    const std::size_t n = std::min(std::strlen(text), room - 1);
    std::memcpy(out, text, n);
    out[n] = 0;
}

bool TIniFiles::GetBoolValue(const QString& section, const QString& key, bool def) const {
    const QByteArray* v = Find(section, key);
    if (v == nullptr || v->isEmpty())
        return def;
    switch (v->at(0)) {
    case '1': case 'T': case 'Y': case 't': case 'y': return true;
    case '0': case 'F': case 'N': case 'f': case 'n': return false;
    default: return def;
    }
}

int TIniFiles::GetIntValue(const QString& section, const QString& key, int def) const {
    const QByteArray* v = Find(section, key);
    return v != nullptr ? LeadingInt(*v) : def;
}

double TIniFiles::GetDoubleValue(const QString& section, const QString& key, double def) const {
    const QByteArray* v = Find(section, key);
    return v != nullptr ? LeadingDouble(*v) : def;
}

QColor TIniFiles::GetColorValue(const QString& section, const QString& key, const QColor& def) const {
    const QByteArray* v = Find(section, key);
    if (v == nullptr)
        return def;
    int parts[2] = {0, 0};
    QByteArray rest = *v;
    for (int taken = 0; taken < 2; ++taken) {
        const qsizetype colon = rest.indexOf(':');
        if (colon < 0)
            break;
        parts[taken] = ColorPart(rest.left(colon));
        rest = rest.mid(colon + 1);
    }
    const int blue = ColorPart(rest);
    // A component beyond a byte is no colour.
    if (!IsColorComponent(parts[0]) || !IsColorComponent(parts[1]) || !IsColorComponent(blue))
        return def;
    return QColor(parts[0], parts[1], blue);
}

QFont TIniFiles::GetFontValue(const QString& section, const QString& key, const QFont& def) const {
    const QByteArray* v = Find(section, key);
    if (v == nullptr)
        return def;
    QFont font;
    return font.fromString(QString::fromLatin1(*v)) ? font : def;
}

QDate TIniFiles::GetDateValue(const QString& section, const QString& key, const QDate& def) const {
    const QByteArray* v = Find(section, key);
    if (v == nullptr)
        return def;
    qDebug("TIniFiles::GetDateValue > date: %s", v->constData());
    const QDate date = QDate::fromString(QString::fromLatin1(*v), Qt::TextDate);
    return date.isValid() ? date : def;
}

void TIniFiles::SetStringValue(const QString& section, const QString& key, const QString& value) {
    Put(section, key, value.toLatin1());
}

int TIniFiles::SetValue(const char* section, const char* key, const char* value) {
    Put(QString::fromLatin1(section ? section : ""), QString::fromLatin1(key ? key : ""),
        QByteArray(value ? value : ""));
    return 0;
}

void TIniFiles::SetIntValue(const QString& section, const QString& key, int value) {
    Put(section, key, QByteArray::number(value));
}

void TIniFiles::SetDoubleValue(const QString& section, const QString& key, double value) {
    Put(section, key, QString::number(value, 'g', 6).toLatin1());
}

void TIniFiles::SetBoolValue(const QString& section, const QString& key, bool value) {
    Put(section, key, value ? QByteArray("true") : QByteArray("false"));
}

void TIniFiles::SetColorValue(const QString& section, const QString& key, const QColor& value) {
    Put(section, key, QStringLiteral("%1:%2:%3").arg(value.red()).arg(value.green()).arg(value.blue()).toLatin1());
}

void TIniFiles::SetFontValue(const QString& section, const QString& key, const QFont& value) {
    Put(section, key, value.toString().toLatin1());
}

void TIniFiles::SetDateValue(const QString& section, const QString& key, const QDate& value) {
    Put(section, key, value.toString(Qt::TextDate).toLatin1());
}

bool TIniFiles::RemoveKey(const QString& section, const QString& key) {
    if (!store)
        return false;
    TIniKeyList* list = store->Find(SectionKey(section));
    if (list == nullptr)
        return false;
    list->Remove(FullKey(section, key));
    modified = 1;
    return true;
}

int TIniFiles::SectionCount() const { return store ? store->Count() : 0; }

QString TIniFiles::SectionName(int i) const {
    if (!store || i < 0)
        return QString();
    int seen = 0;
    for (int s = 0; s < store->Count(); ++s) {
        const QByteArray& name = store->NameAt(s);
        if (name.isEmpty() || name.contains('_'))
            continue;
        if (seen++ == i)
            return QString::fromLatin1(name);
    }
    return QString();
}
