#include "BenchInputs.h"

#include "CatalogueFixtures.h"
#include "VehicleDbWriter.h"

#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <stdexcept>
#include <vector>

namespace BenchInputs {
namespace {

using namespace CatalogueFixture;

constexpr int InitTextFiles = 9;
const QString Folder = QStringLiteral("text/ita/");

// Lines from line(i), i = 0, 1, ..., until the text holds at least bytes.
QByteArray LinesOf(qint64 bytes, const std::function<QByteArray(std::int32_t)>& line) {
    QByteArray text;
    text.reserve(bytes + 256);
    for (std::int32_t i = 0; text.size() < bytes; ++i)
        text += line(i);
    return text;
}

QByteArray Number(std::int32_t i) { return QByteArray::number(i); }

QByteArray ItemLines(qint64 bytes, const QByteArray& kind) {
    return LinesOf(bytes, [&](std::int32_t i) {
        return ItemLine(i, kind + ' ' + Number(i), "Description of " + kind + ' ' + Number(i) + " of the system");
    });
}

QByteArray DirectLines(qint64 bytes, const QByteArray& kind) {
    return LinesOf(bytes, [&](std::int32_t i) { return kind + ' ' + Number(i) + CrLf; });
}

QByteArray MessageLines(qint64 bytes) {
    return LinesOf(bytes, [](std::int32_t i) { return DelimitedLine(i, "Message " + Number(i) + " for the tester"); });
}

qint64 FileSize(const QString& path) { return QFileInfo(path).size(); }

qint64 StoredSize() {
    qint64 total = 0;
    for (const char* name : {"errsae.zip", "ecu.zip", "attiva.zip", "errlist.zip", "info.zip", "param.zip",
                             "posst.zip", "stati.zip", "umis.zip"})
        total += FileSize(Folder + QLatin1String(name));
    return total;
}

qint64 TextSize(const LanguageTexts& t) {
    return t.errsae.size() + t.ecu.size() + t.attiva.size() + t.errlist.size() + t.info.size() + t.param.size() +
           t.posst.size() + t.stati.size() + t.umis.size();
}

Written WriteTexts(const LanguageTexts& t) {
    WriteLanguage("ita", t);
    WriteSharedTexts(DelimitedLine(1, "#F1=1#"), DelimitedLine(7, "2"));
    WriteFile(QStringLiteral("codec.ini"), CodecIni({{Language, "ita", "CP1258"}}));
    return {TextSize(t), StoredSize()};
}

// The compressed form of count copies of line, deflated piece by piece.
void WriteRepeatedCompressed(const QString& path, const QByteArray& line, qint64 count) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    const qint64 length = count * line.size();
    const auto hint = static_cast<quint32>(std::min<qint64>(length, 0xFFFFFFFF));
    const char header[4] = {static_cast<char>(hint >> 24), static_cast<char>(hint >> 16), static_cast<char>(hint >> 8),
                            static_cast<char>(hint)};
    file.write(header, sizeof header);

    z_stream z{};
    if (deflateInit(&z, Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("deflateInit");
    constexpr qint64 LinesAPiece = 1 << 16;
    QByteArray piece = line.repeated(LinesAPiece);
    std::vector<unsigned char> out(1 << 16);
    for (qint64 done = 0; done < count;) {
        const qint64 n = std::min(LinesAPiece, count - done);
        done += n;
        z.next_in = reinterpret_cast<Bytef*>(piece.data());
        z.avail_in = static_cast<uInt>(n * line.size());
        const int flush = done == count ? Z_FINISH : Z_NO_FLUSH;
        int r = Z_OK;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            r = deflate(&z, flush);
            file.write(reinterpret_cast<const char*>(out.data()), static_cast<qint64>(out.size() - z.avail_out));
        } while (z.avail_out == 0 || (flush == Z_FINISH && r != Z_STREAM_END));
    }
    deflateEnd(&z);
}

} // namespace

Written WriteCatalogueOfSize(qint64 textBytes) {
    const qint64 share = textBytes / InitTextFiles;
    LanguageTexts t = SampleTexts("ita");
    t.makerFaults.clear();
    t.ecu = LinesOf(share, [](std::int32_t i) { return EcuLine(static_cast<std::uint32_t>(i), "ECU " + Number(i)); });
    t.attiva = ItemLines(share, "Activation");
    t.errlist = LinesOf(share, [](std::int32_t i) { return DelimitedLine(i, "maker" + Number(i)); });
    t.errsae = LinesOf(share, [](std::int32_t i) {
        return ErrorLine(static_cast<std::uint32_t>(i), "Fault " + Number(i) + " of the circuit, signal out of range");
    });
    t.info = ItemLines(share, "Identification");
    t.param = ItemLines(share, "Parameter");
    t.posst = DirectLines(share, "State");
    t.stati = ItemLines(share, "Status");
    t.umis = DirectLines(share, "unit");
    t.messag = MessageLines(MiB);
    return WriteTexts(t);
}

Written WriteMessageCatalogue(qint64 textBytes) {
    LanguageTexts t = SampleTexts("ita");
    t.param = ItemLines(textBytes, "Parameter");
    t.messag = MessageLines(textBytes);
    return WriteTexts(t);
}

Written WriteExpandingUnits(qint64 textBytes) {
    const LanguageTexts t = SampleTexts("ita");
    Written w = WriteTexts(t);
    const QByteArray line = "rpm" + CrLf;
    const qint64 count = textBytes / line.size();
    const QString umis = Folder + QStringLiteral("umis.zip");
    w.storedBytes -= FileSize(umis);
    w.textBytes += count * line.size() - t.umis.size();
    WriteRepeatedCompressed(umis, line, count);
    w.storedBytes += FileSize(umis);
    return w;
}

const char* const LanguageIds[MaxLanguages] = {"ita", "eng", "deu", "fra", "esp", "por"};

Written WriteLanguagesOfSize(int count, qint64 textBytes) {
    const Written w = WriteCatalogueOfSize(textBytes);
    std::vector<CatalogueFixture::Language> languages;
    for (int n = 0; n < count; ++n) {
        const QByteArray id = LanguageIds[n];
        languages.push_back({n + 1, id, "CP1258"});
        if (n == 0)
            continue;
        // A copy of the first language: files of their own, whose tables are their own.
        const QString folder = QStringLiteral("text/") + QString::fromLatin1(id) + u'/';
        QDir().mkpath(folder);
        for (const QString& name : QDir(Folder).entryList(QDir::Files))
            if (!QFile::copy(Folder + name, folder + name))
                throw std::runtime_error("cannot copy " + name.toStdString());
    }
    WriteFile(QStringLiteral("codec.ini"), CodecIni(languages));
    return w;
}

void WriteCodecIni(int sections) {
    std::vector<CatalogueFixture::Language> languages;
    languages.reserve(static_cast<std::size_t>(sections));
    for (int i = 1; i <= sections; ++i)
        languages.push_back({i, "ita", "CP1258"});
    WriteFile(QStringLiteral("codec.ini"), CodecIni(languages));
}

void WriteEcuDatabase(int records) {
    using namespace VehicleDb;
    Tables t;
    constexpr const char* Key = VehicleKey;
    t.makers = {Maker("MAKER", 0)};
    t.fuels = {Fuel('1', 0)};
    t.models = {Model("MODEL", 0)};
    t.versions = {Version("VERSION", 0, Key)};
    t.vehicleIds = {VehicleId(Key, " 1", "VEHICLE", "ENGINE", "2020")};
    t.systems = {System(Key, "30", 0)};
    t.schemes = {Scheme(Key, "030")};
    constexpr int RecordsAnEcu = 4;
    t.ecus.reserve(static_cast<std::size_t>(records));
    for (int i = 0; i < records; ++i) {
        const std::string ecu = std::to_string(i / RecordsAnEcu);
        const std::string partNumber = "PN" + ecu + "-" + std::to_string(i % RecordsAnEcu / 2);
        const std::string engineCode = "EC" + ecu + "-" + std::to_string(i % 2);
        EcuFields f = EngineEcu(partNumber.c_str(), engineCode.c_str(), "0077");
        f.name = "BOSCH " + ecu;
        t.ecus.push_back(EcuRecord(f));
    }
    t.WriteTo(CarFolder);
}

} // namespace BenchInputs
