#include "CatalogueCodec.h"

#include <QTextCodec>

#include <array>
#include <mutex>
#include <optional>

namespace CatalogueCodec {
namespace {

constexpr int ByteValues = 256;
// Letters that every composing page combines with its accents.
constexpr char ComposingBases[] = {'a', 'e', 'A', 'E'};

using ByteTable = std::array<QChar, ByteValues>;

struct State {
    std::mutex mutex;
    QString codecName;
    QString cachedCodecName;
    QTextCodec* cachedCodec = nullptr;
    std::optional<ByteTable> byteTable;
};

State& state() {
    static State s;
    return s;
}

// The codec's own text of each single byte; none when some byte does not give exactly one
// character (a multi-byte page).
std::optional<ByteTable> SingleByteTable(const QTextCodec& codec) {
    ByteTable table;
    for (int b = 0; b < ByteValues; ++b) {
        const char byte = static_cast<char>(b);
        const QString text = codec.toUnicode(&byte, 1);
        if (text.size() != 1)
            return std::nullopt;
        table[static_cast<std::size_t>(b)] = text.at(0);
    }
    return table;
}

// Whether the codec turns a letter and a following byte into anything but their two characters.
bool Composes(const QTextCodec& codec, const ByteTable& table) {
    for (char base : ComposingBases) {
        for (int b = 0; b < ByteValues; ++b) {
            const char pair[2] = {base, static_cast<char>(b)};
            const QString text = codec.toUnicode(pair, 2);
            if (text.size() != 2 || text.at(0) != table[static_cast<unsigned char>(base)] ||
                text.at(1) != table[static_cast<std::size_t>(b)])
                return true;
        }
    }
    return false;
}

void RefreshLocked(State& s) {
    if (s.cachedCodec != nullptr && (s.codecName.isEmpty() || s.codecName != s.cachedCodecName)) {
        s.cachedCodec = nullptr;
        s.cachedCodecName.clear();
        s.byteTable.reset();
    }
    if (!s.codecName.isEmpty() && s.cachedCodec == nullptr) {
        s.cachedCodec = QTextCodec::codecForName(s.codecName.toLatin1());
        s.cachedCodecName = s.codecName;
        s.byteTable.reset();
        if (s.cachedCodec != nullptr) {
            std::optional<ByteTable> table = SingleByteTable(*s.cachedCodec);
            if (table && Composes(*s.cachedCodec, *table))
                s.byteTable = table;
        }
    }
}

} // namespace

QString CodecName() {
    std::lock_guard lock(state().mutex);
    return state().codecName;
}

void SetCodecName(const QString& name) {
    std::lock_guard lock(state().mutex);
    state().codecName = name;
}

void Refresh() {
    std::lock_guard lock(state().mutex);
    RefreshLocked(state());
}

QString Decode(const char* bytes, qsizetype length) {
    if (length <= 0)
        return QString();
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.cachedCodec == nullptr)
        return QString::fromLatin1(bytes, length);
    if (!s.byteTable)
        return s.cachedCodec->toUnicode(bytes, static_cast<int>(length));
    QString text(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        text[i] = (*s.byteTable)[static_cast<unsigned char>(bytes[i])];
    return text;
}

QString CachedCodecName() {
    std::lock_guard lock(state().mutex);
    return state().cachedCodec != nullptr ? state().cachedCodecName : QString();
}

bool DecodesByteByByte() {
    std::lock_guard lock(state().mutex);
    return state().byteTable.has_value();
}

} // namespace CatalogueCodec
