#pragma once
// The traffic log as a list model: one row per line of the log's store, its text with the colour
// and weight of its style (the log's font, bold for the lines of failed exchanges). Lines are
// taken in a burst at a time, each burst one insertion.
#include "TrafficLog.h"
#include "TrafficLogLines.h"

#include <QAbstractListModel>
#include <QFont>

#include <vector>

class TrafficLogModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TrafficLogModel(const QFont& font, QObject* parent = nullptr);

    void Append(const std::vector<LogLine>& lines);
    void Clear();
    const LogLineStore& Lines() const { return lines_; }
    const QFont& FontOf(LogLineStyle style) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    LogLineStore lines_;
    QFont regular_, bold_;
};
