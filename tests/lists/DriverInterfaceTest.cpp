// The link's one way in for the tester functions and their tests: the driver thread as
// WithDriver shows it, and the state SetStateForTests leaves.
#include "ListsFixture.h"

using namespace ListsFixture;

namespace {

class DriverInterface : public ListsTest {};

} // namespace

TEST_F(DriverInterface, TheDriverAsTheExportsSeeIt) {
    LinkExports::SetStateForTests(LinkExports::StateLinkInitialised, 194);
    LinkExports::WithDriver([](const LinkExports::DriverContext& d) {
        EXPECT_NE(d.thread, nullptr);
        EXPECT_EQ(d.dllState, LinkExports::StateLinkInitialised);
        EXPECT_EQ(d.programNumber, 194);
    });
    EXPECT_EQ(LinkExports::DllState(), LinkExports::StateLinkInitialised);
    EXPECT_EQ(LinkExports::ProgramNumber(), 194);

    // What a test puts into the tables is what the thread's accessors hand out.
    Tables([](DeviceTables& t) {
        t.errors[0].code = 0x1234;
        t.setCount(DeviceTables::ErrorCount, 1);
    });
    OnThread([](TKrixThread& t) {
        ErrorRecord out[DeviceTables::Errors] = {};
        int n = 0;
        EXPECT_EQ(t.getErrorList(out, &n), 1);
        EXPECT_EQ(n, 1);
        EXPECT_EQ(out[0].code, 0x1234);
    });

    // Without a thread the state stays what the test set.
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    LinkExports::SetStateForTests(LinkExports::StateLinkInitialised, 100);
    LinkExports::WithDriver([](const LinkExports::DriverContext& d) {
        EXPECT_EQ(d.thread, nullptr);
        EXPECT_EQ(d.dllState, LinkExports::StateLinkInitialised);
        EXPECT_EQ(d.programNumber, 100);
    });
}
