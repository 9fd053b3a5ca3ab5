#include "CatalogueBlobs.h"

#include <QFile>
#include <QtGlobal>

#include <algorithm>

namespace CatalogueBlobs {
namespace {

constexpr qsizetype LengthFieldSize = 4;

quint32 LengthHint(const QByteArray& blob) {
    const auto* b = reinterpret_cast<const unsigned char*>(blob.constData());
    return (quint32{b[0]} << 24) | (quint32{b[1]} << 16) | (quint32{b[2]} << 8) | quint32{b[3]};
}

} // namespace

std::uint8_t RotateRight1(std::uint8_t b) { return static_cast<std::uint8_t>((b >> 1) | ((b & 1u) << 7)); }

std::uint8_t RotateLeft1(std::uint8_t b) { return static_cast<std::uint8_t>((b << 1) | (b >> 7)); }

QByteArray Expand(const QByteArray& blob, const QString& name) {
    if (blob.size() < LengthFieldSize) {
        qDebug("main: catalogue: Expand: %s is too short to expand (%lld bytes)", qPrintable(name),
               static_cast<long long>(blob.size()));
        return QByteArray();
    }
    QByteArray capped = blob;
    const quint32 hint = LengthHint(blob);
    if (hint > static_cast<quint32>(MaxLengthHint)) {
        // Only the first allocation follows the hint: a larger text still expands whole.
        const quint32 cap = static_cast<quint32>(MaxLengthHint);
        capped[0] = static_cast<char>(cap >> 24);
        capped[1] = static_cast<char>(cap >> 16);
        capped[2] = static_cast<char>(cap >> 8);
        capped[3] = static_cast<char>(cap);
    }
    QByteArray expanded = qUncompress(capped);
    // Four zero bytes alone are the form of the empty text.
    if (expanded.isEmpty() && (hint != 0 || blob.size() > LengthFieldSize))
        qDebug("main: catalogue: Expand: %s does not expand", qPrintable(name));
    return expanded;
}

QByteArray ExpandScrambled(const QByteArray& file, std::uint8_t key, const QString& name) {
    if (file.isEmpty()) {
        qDebug("main: catalogue: ExpandScrambled: %s is empty", qPrintable(name));
        return QByteArray();
    }
    const auto fileKey = static_cast<std::uint8_t>(file.at(0));
    QByteArray body = file.mid(1);
    for (char& b : body)
        b = static_cast<char>(RotateRight1(static_cast<std::uint8_t>(b)) ^ fileKey);
    QByteArray text = Expand(body, name);
    for (char& c : text)
        c = static_cast<char>(RotateRight1(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ key)));
    std::reverse(text.begin(), text.end());
    return text;
}

std::optional<QByteArray> ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

std::optional<QByteArray> ExpandCatalogueFile(const QString& source) {
    const std::optional<QByteArray> blob = ReadWholeFile(source);
    if (!blob)
        return std::nullopt;
    return Expand(*blob, source);
}

std::optional<QByteArray> ExpandScrambledFile(const QString& source, std::uint8_t key) {
    const std::optional<QByteArray> file = ReadWholeFile(source);
    if (!file)
        return std::nullopt;
    return ExpandScrambled(*file, key, source);
}

} // namespace CatalogueBlobs
