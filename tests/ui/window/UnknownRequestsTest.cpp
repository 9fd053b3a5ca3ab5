// The list of unknown requests: reports from the engine's thread, the answers the engine's thread
// looks up in it, the operator's Delete and Clear, the columns, and the drag that carries rows to
// the editors. The list is guarded for both threads; the view draws copies of it.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>

#include <atomic>
#include <memory>
#include <set>
#include <thread>

#include "EngineWindowFixture.h"
#include "UnknownRequestsView.h"

namespace {

// A work item as the engine reports it: the request's plain text and the answers given to it.
std::unique_ptr<TBaseItem> Item(const std::string& request, const TStringList& answers) {
    auto item = std::make_unique<TBaseItem>(TStoreLimits{});
    item->PlainText = request;
    for (std::size_t i = 0; i < answers.size(); ++i) item->Answers[i].PlainText = answers[i];
    item->AnswerCount = static_cast<std::int32_t>(answers.size());
    return item;
}

class UnknownRequestsTest : public EngineWindowTest {
protected:
    UnknownRequestsView& View() { return *Control<UnknownRequestsView>(*window, UnknownRequestsName); }
    // Reports from a thread of their own, as the engine's thread makes them.
    void Report(const std::vector<std::pair<std::string, TStringList>>& reports) {
        std::thread engineSide([&] {
            for (const auto& [request, answers] : reports) window->AddUnknownRequest(*Item(request, answers));
        });
        engineSide.join();
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (const UnknownRequestRow& row : View().Model().Rows()) captions.push_back(row.Request);
        return captions;
    }
    std::optional<TStringList> AnswersFromTheEngine(const std::string& request) {
        std::optional<TStringList> answers;
        std::thread engineSide([&] { answers = window->GetUnknownAnswer(request); });
        engineSide.join();
        return answers;
    }
};

} // namespace

TEST_F(UnknownRequestsTest, EachRequestIsListedOnceWithTheAnswersFirstReported) {
    Report({{"2299", {"6299aa", "6299bb"}},
            {"2299", {"7f2231"}}, // listed already: left as it was
            {"", {}},             // listed as "00"
            {"0102", {"0102", "", "0304"}},
            {"229", {}}});        // odd: reported, not listed
    ASSERT_TRUE(ProcessUntil([&] { return View().Model().rowCount() == 3 && !dialogs.Boxes.empty(); }));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"22 99", "00", "01 02"}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: AddUnknownRequest function error:\n"
                                                "DividePacket (229) Error: Odd number of digits!"});

    EXPECT_EQ(AnswersFromTheEngine("2299"), (TStringList{"6299aa", "6299bb"}));
    EXPECT_EQ(AnswersFromTheEngine("0102"), TStringList{"0102"}); // up to the first empty answer
    EXPECT_EQ(AnswersFromTheEngine("00"), TStringList{});         // listed, without answers
    EXPECT_EQ(AnswersFromTheEngine("2298"), std::nullopt);
    EXPECT_EQ(AnswersFromTheEngine(""), std::nullopt);

    // One column "Request" until an options load gives a column per answer.
    UnknownRequestTableModel& model = View().Model();
    EXPECT_EQ(model.Headers(), QStringList{"Request"});
    EXPECT_EQ(View().columnWidth(0), UnknownRequestColumnWidth);
    window->OptionsLoaded(SystemOptions{}, 3);
    EXPECT_EQ(model.Headers(), (QStringList{"", "Answer 1", "Answer 2", "Answer 3"}));
    EXPECT_EQ(View().columnWidth(1), UnknownAnswerColumnWidth);
    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(), "62 99 bb");
    EXPECT_EQ(model.data(model.index(2, 3), Qt::DisplayRole).toString(), "03 04");
}

TEST_F(UnknownRequestsTest, DeleteRemovesTheSelectedRowsAndClearAll) {
    Report({{"0101", {}}, {"0102", {}}, {"0103", {}}, {"0104", {}}});
    ASSERT_TRUE(ProcessUntil([&] { return View().Model().rowCount() == 4; }));
    View().selectRow(1);
    View().selectionModel()->select(View().model()->index(3, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(&View(), &del);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"01 01", "01 03"}));
    EXPECT_EQ(AnswersFromTheEngine("0102"), std::nullopt); // the engine no longer finds it

    // Rows added meanwhile keep the selection where it was.
    View().selectRow(1);
    Report({{"0105", {}}});
    ASSERT_TRUE(ProcessUntil([&] { return View().Model().rowCount() == 3; }));
    EXPECT_EQ(View().SelectedIds(), std::vector<std::uint64_t>{View().Model().Rows()[1].Id});

    Action("mUnknownRequestClear")->trigger();
    EXPECT_EQ(View().Model().rowCount(), 0);
    EXPECT_EQ(AnswersFromTheEngine("0101"), std::nullopt);
}

TEST_F(UnknownRequestsTest, NewRowsComeBehindTheOthersAndLeaveTheViewWhereTheOperatorHasIt) {
    // A scan of identifiers meets thousands of unknown requests while the operator looks at the
    // list: each new one is inserted behind the others, never the whole list drawn anew.
    std::vector<std::pair<std::string, TStringList>> reports;
    char text[8];
    for (int i = 0; i < 300; ++i) {
        std::snprintf(text, sizeof text, "%04x", i);
        reports.push_back({text, {std::string(text) + "aa"}});
    }
    Report({reports.begin(), reports.begin() + 200});
    ASSERT_TRUE(ProcessUntil([&] { return View().Model().rowCount() == 200; }));
    View().selectRow(130);
    View().scrollTo(View().model()->index(120, 0), QAbstractItemView::PositionAtTop);
    const int scrolled = View().verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    int resets = 0;
    QObject::connect(&View().Model(), &QAbstractItemModel::modelReset, window.get(), [&] { ++resets; });

    Report({reports.begin() + 200, reports.end()});
    ASSERT_TRUE(ProcessUntil([&] { return View().Model().rowCount() == 300; }));
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(View().verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(View().currentIndex().row(), 130);
    EXPECT_EQ(View().SelectedIds(), std::vector<std::uint64_t>{View().Model().Rows()[130].Id});
    EXPECT_EQ(View().Model().Rows()[299].Request, "01 2b");

    // Rows behind deleted ones are still found, and a deleted request comes back as a new row.
    View().selectRow(0);
    View().DeleteSelectedRows();
    EXPECT_EQ(AnswersFromTheEngine("012b"), TStringList{"012baa"});
    EXPECT_EQ(AnswersFromTheEngine("0000"), std::nullopt);
    Report({{"0000", {"7f0000"}}});
    ASSERT_TRUE(ProcessUntil([&] { return View().Model().rowCount() == 300; }));
    EXPECT_EQ(View().Model().Rows().back().Request, "00 00");
    EXPECT_EQ(AnswersFromTheEngine("0000"), TStringList{"7f0000"});
}

TEST_F(UnknownRequestsTest, ADragCarriesTheRowsToTheEditors) {
    Report({{"2299", {"6299aa", "6299bb"}}, {"1a90", {"5a9031"}}});
    ASSERT_TRUE(ProcessUntil([&] { return View().Model().rowCount() == 2; }));
    UnknownRequestTableModel& model = View().Model();
    std::unique_ptr<QMimeData> data(model.mimeData({model.index(1, 0), model.index(1, 1), model.index(0, 0)}));
    ASSERT_TRUE(IsUnknownRequestDrag(data.get()));
    const std::vector<UnknownRequestRow> rows = UnknownRequestsOfDrag(data.get());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Request, "2299");
    EXPECT_EQ(rows[0].Answers, (TStringList{"6299aa", "6299bb"}));
    EXPECT_EQ(rows[1].Request, "1a90");
    EXPECT_EQ(rows[1].Answers, TStringList{"5a9031"});

    // Anything else is refused: text, or rows from another process.
    QMimeData text;
    text.setText("2299");
    EXPECT_FALSE(IsUnknownRequestDrag(&text));
    QMimeData foreign;
    foreign.setData(UnknownRequestMimeType, "1\n2299\t6299");
    EXPECT_FALSE(IsUnknownRequestDrag(&foreign));
    EXPECT_TRUE(UnknownRequestsOfDrag(&foreign).empty());

    // Dropped back onto the list: accepted, and nothing changes.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(View().viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(View().viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(Captions(), (std::vector<std::string>{"22 99", "1a 90"}));
}

TEST_F(UnknownRequestsTest, TheEnginesThreadAddsAndReadsWhileTheWindowDeletes) {
    constexpr int Requests = 400;
    std::atomic<bool> done{false};
    std::thread engineSide([&] {
        char text[8];
        for (int i = 0; i < Requests; ++i) {
            std::snprintf(text, sizeof text, "%04x", i);
            window->AddUnknownRequest(*Item(text, {std::string(text) + "00"}));
            window->GetUnknownAnswer(text);
            window->AddUnknownRequest(*Item(text, {}));
        }
        done = true;
    });
    int deletes = 0;
    while (!done.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (View().Model().rowCount() > 3) {
            View().selectRow(1);
            View().DeleteSelectedRows();
            ++deletes;
        }
    }
    engineSide.join();
    ASSERT_TRUE(ProcessUntil([&] { return View().Model().Rows() == window->UnknownRequests().Rows(); }));
    const std::vector<UnknownRequestRow> rows = View().Model().Rows();
    std::set<std::string> distinct;
    for (const UnknownRequestRow& row : rows) {
        distinct.insert(row.Request);
        EXPECT_EQ(row.Answers, TStringList{row.Request + " 00"});
    }
    EXPECT_EQ(distinct.size(), rows.size());
    EXPECT_EQ(rows.size() + static_cast<std::size_t>(deletes), static_cast<std::size_t>(Requests));
}
