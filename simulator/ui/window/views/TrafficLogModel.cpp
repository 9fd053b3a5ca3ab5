#include "TrafficLogModel.h"

#include "TrafficLogView.h"

#include <QBrush>

TrafficLogModel::TrafficLogModel(const QFont& font, QObject* parent)
    : QAbstractListModel(parent), regular_(font), bold_(font) {
    regular_.setBold(false);
    bold_.setBold(true);
}

void TrafficLogModel::Append(const std::vector<LogLine>& lines) {
    if (lines.empty()) return;
    const int first = static_cast<int>(lines_.Size());
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    for (const LogLine& line : lines) lines_.Append(line.Text, line.Style);
    endInsertRows();
}

void TrafficLogModel::Clear() {
    beginResetModel();
    lines_.Clear();
    endResetModel();
}

const QFont& TrafficLogModel::FontOf(LogLineStyle style) const { return LogLineBold(style) ? bold_ : regular_; }

int TrafficLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.Size());
}

QVariant TrafficLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto line = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        const std::string_view text = lines_.Text(line);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::ForegroundRole: return QBrush(LogLineColor(lines_.Style(line)));
    case Qt::FontRole: return FontOf(lines_.Style(line));
    default: return {};
    }
}

Qt::ItemFlags TrafficLogModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
