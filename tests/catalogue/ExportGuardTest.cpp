// No C++ exception crosses the C boundary of the built libkrix_interface.so: an exception out of an
// export's body (here a std::bad_alloc raised by the host's own Qt message handler while the
// library writes a debug line) reaches the host as the export's failure value and a debug line,
// and the library goes on working: every lock the body held was let go.
#include "CatalogueApi.h"
#include "CatalogueFixtures.h"
#include "LinkLibrary.h"

#include <QtGlobal>

#include <gtest/gtest.h>

#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

using namespace CatalogueFixture;

namespace {

constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr std::int32_t Com = 41; // never opened: no initialisation is asked for

// A host's message handler that throws std::bad_alloc at a chosen line (or at every line) written
// on the test's thread, and keeps every line.
class ThrowingHandler {
public:
    ThrowingHandler() {
        owner_ = std::this_thread::get_id();
        current() = this;
        previous_ = qInstallMessageHandler(&ThrowingHandler::Handle);
    }
    ~ThrowingHandler() {
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    ThrowingHandler(const ThrowingHandler&) = delete;
    ThrowingHandler& operator=(const ThrowingHandler&) = delete;

    // An empty line: every line throws; nothing set: none does.
    void ThrowAt(const std::string& line) {
        std::lock_guard lock(mutex_);
        armed_ = true;
        trigger_ = line;
    }
    void Disarm() {
        std::lock_guard lock(mutex_);
        armed_ = false;
    }
    bool Saw(const std::string& line) const {
        std::lock_guard lock(mutex_);
        for (const std::string& l : lines_)
            if (l == line)
                return true;
        return false;
    }

private:
    static ThrowingHandler*& current() {
        static ThrowingHandler* h = nullptr;
        return h;
    }
    static void Handle(QtMsgType, const QMessageLogContext&, const QString& text) {
        ThrowingHandler* h = current();
        if (h == nullptr)
            return;
        const std::string line = text.toStdString();
        bool raise = false;
        {
            std::lock_guard lock(h->mutex_);
            h->lines_.push_back(line);
            raise = h->armed_ && std::this_thread::get_id() == h->owner_ && (h->trigger_.empty() || h->trigger_ == line);
        }
        if (raise)
            throw std::bad_alloc();
    }

    QtMessageHandler previous_ = nullptr;
    std::thread::id owner_;
    mutable std::mutex mutex_;
    bool armed_ = false;
    std::string trigger_;
    std::vector<std::string> lines_;
};

struct GuardedLibrary : LinkLibrary {
    GuardedLibrary() { Bind(initText, "InitText"); }
    decltype(&::InitText) initText = nullptr;
};

class ExportGuard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.Loaded()) << lib.Error();
        ASSERT_TRUE(lib.AllBound());
        ASSERT_TRUE(lib.AllNamedBound());
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        WriteLanguage("ita", SampleTexts("ita"));
    }
    void TearDown() override { lib.DeleteThreadKrix(); }

    WorkingFolder folder;
    GuardedLibrary lib;
};

} // namespace

TEST_F(ExportGuard, AnExceptionOutOfInitTextBecomesItsFailureValue) {
    struct Case {
        const char* name;
        std::string throwAt; // empty: every line of the test's thread throws, the guard's own too
    };
    const Case cases[] = {
        {"at its first step", "main: catalogue: InitText: uncompressing data"},
        {"at its last step", "main: catalogue: InitText: end parsing errmake file"},
        {"at every line", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThrowingHandler handler;
        handler.ThrowAt(c.throwAt);
        std::int32_t result = -1;
        EXPECT_NO_THROW(result = lib.initText(Italian, CodecOn));
        EXPECT_EQ(result, 0);
        handler.Disarm();
        if (!c.throwAt.empty()) {
            EXPECT_TRUE(handler.Saw("main: krix_interface: InitText: failed (std::bad_alloc); it returns its failure "
                                    "value"));
        }
        // The catalogue's lock was let go: the next load runs to its end.
        EXPECT_EQ(lib.initText(Italian, CodecOn), 1);
    }
}

TEST_F(ExportGuard, AnExceptionUnderTheLinksLockLetsItGo) {
    ASSERT_TRUE(lib.CreateThreadKrix(Com, 0));
    ThrowingHandler handler;
    handler.ThrowAt("main: leggikrix: SetBluetooth: module address refused");
    EXPECT_NO_THROW(lib.SetBluetooth(1, "00 12")); // a refused address writes the line that throws
    handler.Disarm();
    EXPECT_TRUE(handler.Saw("main: krix_interface: SetBluetooth: failed (std::bad_alloc); it returns its failure "
                            "value"));
    // The link's lock is free again: the thread can be ended.
    EXPECT_TRUE(lib.DeleteThreadKrix());
    EXPECT_FALSE(lib.DeleteThreadKrix());
}
