#pragma once
// The widget side of the list of unknown requests (lwUnknownRequests): a table model that draws a
// copy of the guarded list, the report view with its grid, whole-row selection and Delete key,
// and the drag that carries rows to the editors' drop targets.
#include "UnknownRequests.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include <cstdint>
#include <optional>
#include <vector>

class QMimeData;

inline constexpr const char* UnknownRequestsName = "lwUnknownRequests";
inline constexpr const char* UnknownRequestMimeType = "application/x-tarvico-unknown-requests";
inline constexpr int UnknownRequestColumnWidth = 80;
inline constexpr int UnknownAnswerColumnWidth = 120;

// The rows a drag carries, in file form (request, then its answers), or none when the data did
// not come from this program's list of unknown requests.
std::vector<UnknownRequestRow> UnknownRequestsOfDrag(const QMimeData* data);
// What every drop target asks first: does the drag come from the list of unknown requests?
bool IsUnknownRequestDrag(const QMimeData* data);

class UnknownRequestTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit UnknownRequestTableModel(const UnknownRequestList& list, QObject* parent = nullptr);

    // Draws the list's changes since the last refresh: new rows behind the others are inserted,
    // anything else draws the list anew.
    void Refresh();
    // The list's changes since this copy; nothing when it is current.
    std::optional<UnknownRequestUpdate> Pending() const;
    void Apply(UnknownRequestUpdate update);
    // One column "Request" (when the window opens), or after the options of a simulation are
    // loaded a request column without header and one column "Answer <n>" per answer.
    void SetColumns(const QStringList& headers);
    const QStringList& Headers() const { return headers_; }
    const std::vector<UnknownRequestRow>& Rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    const UnknownRequestList& list_;
    std::vector<UnknownRequestRow> rows_;
    std::uint64_t version_ = UINT64_MAX;
    std::uint64_t layout_ = UINT64_MAX;
    QStringList headers_;
};

// The columns after an options load: "" then "Answer 1" to "Answer <answerColumns>".
QStringList UnknownRequestHeaders(int answerColumns);

class UnknownRequestsView final : public QTableView {
    Q_OBJECT
public:
    UnknownRequestsView(UnknownRequestList& list, QWidget* parent = nullptr);

    UnknownRequestTableModel& Model() { return model_; }
    // Draws the list's changes, keeping the selection of the rows that are still there.
    void Refresh();
    void SetAnswerColumns(int answerColumns);
    // "Clear": every row.
    void ClearRows();
    // Delete: the selected rows.
    void DeleteSelectedRows();
    std::vector<std::uint64_t> SelectedIds() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ApplyColumnWidths();

    UnknownRequestList& list_;
    UnknownRequestTableModel model_;
};
