#include "MainIniLine.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <mutex>

namespace {

constexpr const char* DefaultPath = "main.ini";
constexpr const char* Section = "public";
constexpr const char* FullKey = "public_comport";

std::mutex pathMutex;
QString& path() {
    static QString p;
    return p;
}

QString Trimmed(const QString& line) { return line.trimmed(); }

// "[name]" or "[name" with anything after the bracket: the section's lower-cased name.
bool SectionName(const QString& line, QString* name) {
    const QString t = Trimmed(line);
    if (!t.startsWith(u'[') || t.size() < 2 || t.at(1) == u']')
        return false;
    const qsizetype close = t.indexOf(u']');
    *name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).toLower();
    return true;
}

bool IsKeyLine(const QString& line, const QString& key) {
    const QString t = Trimmed(line);
    const qsizetype eq = t.indexOf(u'=');
    return eq > 0 && t.left(eq).trimmed().toLower() == key;
}

} // namespace

QString MainIniPath() {
    std::lock_guard lock(pathMutex);
    return path().isEmpty() ? QString::fromLatin1(DefaultPath) : path();
}

void SetMainIniPath(const QString& p) {
    std::lock_guard lock(pathMutex);
    path() = p;
}

bool WriteMainIniComPort(const QString& file, int comPort) {
    const QString keyLine = QStringLiteral("%1=%2").arg(QLatin1String(FullKey)).arg(comPort);
    QStringList lines;
    {
        QFile in(file);
        if (in.exists()) {
            if (!in.open(QIODevice::ReadOnly))
                return false;
            const QString text = QString::fromLocal8Bit(in.readAll());
            lines = text.split(u'\n');
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            for (QString& l : lines)
                if (l.endsWith(u'\r'))
                    l.chop(1);
        }
    }

    qsizetype sectionAt = -1;
    qsizetype keyAt = -1;
    QString current;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString name;
        if (SectionName(lines[i], &name)) {
            current = name;
            if (name == QLatin1String(Section) && sectionAt < 0)
                sectionAt = i;
            continue;
        }
        if (current == QLatin1String(Section) && IsKeyLine(lines[i], QLatin1String(FullKey)))
            keyAt = i;
    }
    if (keyAt >= 0) {
        lines[keyAt] = keyLine;
    } else if (sectionAt >= 0) {
        lines.insert(sectionAt + 1, keyLine);
    } else {
        lines << QStringLiteral("[%1]").arg(QLatin1String(Section)) << keyLine;
    }

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (const QString& l : lines) {
        out.write(l.toLocal8Bit());
        out.write("\n");
    }
    return out.commit();
}
