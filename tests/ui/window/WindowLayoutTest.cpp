// The editing pages at the window's own size: each editor has the room of its page, so that it
// shows what it edits: a 32-byte answer whole in every hex editor, the byte numbers of the
// description grid whatever cell is current, and every column and answer row of the errors grid
// without scrolling; and the band below the pages keeps its height whichever page is shown.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <string>

#include "EngineWindowFixture.h"
#include "HexLineEdit.h"
#include "TrafficLogList.h"

namespace {

constexpr int AnswerBytes = 32;
constexpr int ErrorAnswerRows = 8; // MultiAnswerNum of the fixture's settings
// What the operator watching a run needs in sight on every page.
constexpr int TrafficLinesInSight = 10;
constexpr int UnknownRowsInSight = 5;

// The widest text of that many bytes in the editor's font: every digit the widest hex digit.
QString WidestBytes(const QFontMetrics& metrics, int bytes) {
    QChar widest = QLatin1Char('0');
    for (QChar digit : QStringLiteral("0123456789abcdef"))
        if (metrics.horizontalAdvance(digit) > metrics.horizontalAdvance(widest)) widest = digit;
    QStringList pairs;
    for (int b = 0; b < bytes; ++b) pairs << QString(2, widest);
    return pairs.join(QLatin1Char(' '));
}

// The width a line edit draws its text in without scrolling it: its contents as its style lays
// them out, less its text margins, the two pixels it keeps on either side and the caret's pixel.
int UnscrolledTextWidth(const QLineEdit& edit) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.rect = edit.rect();
    option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    const QMargins margins = edit.textMargins();
    constexpr int KeptEachSide = 2, Caret = 1;
    return contents.width() - margins.left() - margins.right() - 2 * KeptEachSide - Caret;
}

class WindowLayoutTest : public EngineWindowTest {
protected:
    void ShowPage(FormPage page) {
        Control<QTabWidget>(*window, "pgPageControl")->setCurrentIndex(static_cast<int>(page));
        QCoreApplication::processEvents();
    }
    void ExpectRoomForALongAnswer(const char* name) {
        const auto& edit = *Control<HexLineEdit>(*window, name);
        const QString answer = WidestBytes(edit.fontMetrics(), AnswerBytes);
        EXPECT_LE(edit.fontMetrics().horizontalAdvance(answer), UnscrolledTextWidth(edit)) << name << " is " << edit.width()
                                                                               << " wide";
    }
};

} // namespace

TEST_F(WindowLayoutTest, AtTheDefaultSizeEachEditorShowsWhatItEdits) {
    // VIN's first answer of 32 bytes.
    ReplaceInSimulation("A=5A90313233", "A=5A90313233" + std::string(2 * (AnswerBytes - 5), 'f'));
    LoadFixture();
    ASSERT_EQ(window->size(), QSize(FormWidth, FormHeight));

    // "&PSI": the answer whole in the data editor; the grid, at its last byte's description,
    // still shows the byte numbers.
    ShowPage(FormPage::PSI);
    auto& tree = *Control<QTreeWidget>(*window, "twPSI");
    tree.setCurrentItem(tree.topLevelItem(3)->child(1));
    const auto& dataEditor = *Control<HexLineEdit>(*window, "txtPSIDataEditor");
    ASSERT_EQ(dataEditor.text().size(), 3 * AnswerBytes - 1);
    EXPECT_LE(dataEditor.fontMetrics().horizontalAdvance(dataEditor.text()), UnscrolledTextWidth(dataEditor));
    ExpectRoomForALongAnswer("txtPSIDataEditor");
    auto& bytes = *Control<QTableWidget>(*window, "sgByteDescription");
    ASSERT_EQ(bytes.rowCount(), AnswerBytes);
    bytes.setCurrentCell(AnswerBytes - 1, 1);
    bytes.scrollToItem(bytes.item(AnswerBytes - 1, 1));
    QCoreApplication::processEvents();
    EXPECT_EQ(bytes.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(bytes.columnViewportPosition(0), 0);
    EXPECT_GE(bytes.columnWidth(0), bytes.horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("Byte #")));
    EXPECT_LE(bytes.columnViewportPosition(1) + bytes.columnWidth(1), bytes.viewport()->width());

    // "&Errors": five columns side by side, each wide enough for its header, and every answer row.
    ShowPage(FormPage::Errors);
    ExpectRoomForALongAnswer("txtErrorAnswersEditor");
    const auto& grid = *Control<QTableWidget>(*window, "sgErrorAnswers");
    EXPECT_EQ(grid.horizontalScrollBar()->maximum(), 0);
    EXPECT_FALSE(grid.horizontalScrollBar()->isVisible());
    for (int c = 0; c < grid.columnCount(); ++c) {
        EXPECT_GE(grid.columnViewportPosition(c), 0) << c;
        EXPECT_LE(grid.columnViewportPosition(c) + grid.columnWidth(c), grid.viewport()->width()) << c;
        const QString header = grid.horizontalHeaderItem(c)->text();
        EXPECT_GE(grid.columnWidth(c), grid.horizontalHeader()->fontMetrics().horizontalAdvance(header)) << c;
    }
    ASSERT_EQ(grid.rowCount(), ErrorAnswerRows);
    for (int r = 0; r < grid.rowCount(); ++r)
        EXPECT_LE(grid.rowViewportPosition(r) + grid.rowHeight(r), grid.viewport()->height()) << r;

    // "&Activations": its two hex editors likewise.
    ShowPage(FormPage::Activations);
    ExpectRoomForALongAnswer("txtActivationReqEditor");
    ExpectRoomForALongAnswer("txtActivationAnsEditor");
}

TEST_F(WindowLayoutTest, TheBandBelowThePagesKeepsItsHeightOnEveryPage) {
    // Notes that wrap over a few lines, as a simulation's notes may.
    std::string notes = "Notes:";
    for (int word = 0; word < 40; ++word) notes += " answers a tester script";
    ReplaceInSimulation("Type=CAN\r\n", "Type=CAN\r\nNOTES=" + notes + "\r\n");
    LoadFixture(); // a load leaves "&System Info" up, with the simulation's notes on it
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Open: INI files (*.ini)|*.ini|simul1.ini", "Warning: " + notes}));
    auto& pages = *Control<QTabWidget>(*window, "pgPageControl");
    ASSERT_EQ(pages.currentIndex(), static_cast<int>(FormPage::SystemInfo));
    const auto band = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
        return std::vector<QRect>{Control<QGroupBox>(*window, "gbOriglio")->geometry(),
                                  Control<QGroupBox>(*window, "gbUnknownRequests")->geometry(),
                                  pages.geometry()};
    };
    const std::vector<QRect> first = band();
    const auto& log = *Control<TrafficLogList>(*window, "reOriglio");
    const auto& unknown = *Control<QTableView>(*window, UnknownRequestsName);
    QFont bold = log.font();
    bold.setBold(true);
    const int lineHeight = std::max(log.fontMetrics().lineSpacing(), QFontMetrics(bold).lineSpacing());
    // Every page, the one a load leaves up among them, and back again: one band, one page area.
    for (int round = 0; round < 2; ++round)
        for (int p = 0; p < pages.count(); ++p) {
            ShowPage(static_cast<FormPage>(p));
            EXPECT_EQ(band(), first) << "page " << p;
            EXPECT_GE((log.viewport()->height() - 2 * LogMarginPixels) / lineHeight, TrafficLinesInSight) << "page " << p;
            EXPECT_GE(unknown.viewport()->height() / unknown.verticalHeader()->defaultSectionSize(), UnknownRowsInSight)
                << "page " << p;
        }
}

TEST_F(WindowLayoutTest, NotesLongerThanTheSystemInfoPageScrollInsteadOfBeingCutOff) {
    std::string notes = "Notes:";
    for (int word = 0; word < 400; ++word) notes += " answers a tester script";
    ReplaceInSimulation("Type=CAN\r\n", "Type=CAN\r\nNOTES=" + notes + "\r\n");
    LoadFixture();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    const QWidget& page = *window->Page(FormPage::SystemInfo);
    auto& label = *Control<QLabel>(*window, "lblNotes");
    // The notes are laid out whole, every wrapped line of them.
    EXPECT_GE(label.height(), label.heightForWidth(label.width()));
    // Their end can be brought into sight on the page: it scrolls there.
    QScrollArea* scroller = nullptr;
    for (QWidget* w = label.parentWidget(); w != nullptr && w != &page; w = w->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(w)) scroller = area;
    ASSERT_NE(scroller, nullptr) << "the notes cannot scroll";
    scroller->verticalScrollBar()->setValue(scroller->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    EXPECT_LE(label.mapTo(&page, QPoint(0, label.height())).y(), page.height());
    EXPECT_LE(scroller->geometry().bottom(), page.height());
    EXPECT_EQ(Control<QGroupBox>(*window, "gbOriglio")->height(), Control<QGroupBox>(*window, "gbUnknownRequests")->height());
}
