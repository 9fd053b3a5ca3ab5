#pragma once
// The process-wide code page of the catalogue texts: CodecName (set by the catalogue loaders;
// empty means no conversion) and the codec looked up for it, shared by every text table.
//
// A catalogue file is a single-byte text of fixed columns, so one byte must give one character.
// A codec that composes a letter with a following combining byte (as an ICU-backed page such as
// CP1258 may) would shift every column behind it: for such a single-byte page the bytes are
// decoded through a 256-entry table built from the codec one byte at a time.
//
// Every function takes the codec's own lock; any thread.
#include <QByteArray>
#include <QString>

namespace CatalogueCodec {

QString CodecName();
void SetCodecName(const QString& name);

// Brings the cached codec in line with CodecName: dropped when the name is empty or another one,
// looked up when there is none (a name that no codec carries is looked up again next time).
void Refresh();

// The bytes as text: through the cached codec when there is one, else one Latin-1 character a
// byte.
QString Decode(const char* bytes, qsizetype length);
inline QString Decode(const QByteArray& bytes) { return Decode(bytes.constData(), bytes.size()); }

// For the tests: the name of the cached codec (empty when none) and whether it decodes through
// the byte table.
QString CachedCodecName();
bool DecodesByteByByte();

} // namespace CatalogueCodec
