#include "TrafficLogView.h"

#include "FileBytes.h"
#include "RtfWriter.h"


#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

constexpr double PointsPerPixel = 72.0 / 96.0;

// The size of a fragment in half points: its point size, else its pixel size at 96 dots per inch.
int HalfPointsOf(const QFont& font) {
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * PointsPerPixel;
    return std::max(1, static_cast<int>(std::lround(points * 2)));
}

RtfColor RtfColorOf(const QColor& color) {
    return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
            static_cast<std::uint8_t>(color.blue())};
}

} // namespace

QFont LogFont() {
    QFont font(QString::fromLatin1(LogFontFamily));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(LogFontPixels);
    return font;
}

QColor LogLineColor(LogLineStyle style) {
    switch (style) {
    case LogLineStyle::RequestStored: return QColor(0, 0, 255);
    case LogLineStyle::RequestFailed: return QColor(255, 0, 0);
    case LogLineStyle::RequestAuto: return QColor(166, 202, 240);
    case LogLineStyle::AnswerStored: return QColor(0, 128, 0);
    case LogLineStyle::AnswerFailed: return QColor(255, 0, 0);
    case LogLineStyle::AnswerAuto: return QColor(0, 255, 0);
    }
    return QColor(0, 0, 0);
}

bool LogLineBold(LogLineStyle style) {
    return style == LogLineStyle::RequestFailed || style == LogLineStyle::AnswerFailed;
}

namespace {

// A line's text as the log shows it: bytes that are no UTF-8 are shown, and saved, as the
// replacement character.
std::string ShownText(std::string_view text) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(text);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

} // namespace

std::string LogPlainText(const LogLineStore& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.Size(); ++i) text += ShownText(lines.Text(i)) + "\r\n";
    return text;
}

std::string LogRichText(const LogLineStore& lines, const QFont& font) {
    std::vector<RtfParagraph> paragraphs;
    paragraphs.reserve(lines.Size());
    const std::string family = font.family().toStdString();
    const int halfPoints = HalfPointsOf(font);
    for (std::size_t i = 0; i < lines.Size(); ++i) {
        const LogLineStyle style = lines.Style(i);
        RtfRun run;
        run.Text = ShownText(lines.Text(i));
        run.FontFamily = family;
        run.HalfPoints = halfPoints;
        run.Color = RtfColorOf(LogLineColor(style));
        run.Bold = LogLineBold(style);
        paragraphs.push_back({std::move(run)});
    }
    return WriteRtf(paragraphs);
}

bool SavesAsPlainText(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == LogSaveExtension;
}

void SaveLog(const LogLineStore& lines, const QFont& font, const std::string& fileName) {
    WriteFileAtomically(fileName, SavesAsPlainText(fileName) ? LogPlainText(lines) : LogRichText(lines, font));
}
