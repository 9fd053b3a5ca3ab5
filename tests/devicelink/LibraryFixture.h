#pragma once
// A host's test of the built library against the emulated device: the library loaded with every
// link function and every function its Library binds by name, and a working folder of the
// test's own, since the library finds the database, the texts and the device program relative
// to the working folder. The driver thread is ended after each test.
#include "LinkLibrary.h"
#include "ProgramFolder.h"
#include "PtyFixture.h"
#include "WorkingFolder.h"

#include <optional>

template <typename Library> class LibraryFixture : public PtyFixture {
protected:
    // A derived fixture goes on only without a fatal failure here.
    void SetUp() override {
        PtyFixture::SetUp();
        ASSERT_TRUE(lib.Loaded()) << lib.Error();
        ASSERT_TRUE(lib.AllBound());
        ASSERT_TRUE(lib.AllNamedBound());
        working.emplace(folder.Root());
    }
    void TearDown() override {
        lib.DeleteThreadKrix();
        working.reset();
        PtyFixture::TearDown();
    }

    Library lib;
    ProgramFolder folder;
    std::optional<WorkingFolder> working;
};
