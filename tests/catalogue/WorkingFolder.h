#pragma once
// The working folder of the test process, moved into a folder for as long as the object lives:
// a fresh temporary one (removed again) or one the test names. The catalogue and main.ini are
// read and written relative to the working folder.
//
// The working folder belongs to the whole process: a test that moves it must not run beside
// another test of the same process (each test program's tests run one after another).
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

class WorkingFolder {
public:
    WorkingFolder() : temporary_(std::in_place) {
        EXPECT_TRUE(temporary_->isValid());
        Enter(temporary_->path().toStdString());
    }
    explicit WorkingFolder(const std::filesystem::path& folder) { Enter(folder); }
    ~WorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& Root() const { return root_; }

private:
    void Enter(const std::filesystem::path& folder) {
        previous_ = std::filesystem::current_path();
        root_ = folder;
        std::filesystem::current_path(folder);
    }

    std::optional<QTemporaryDir> temporary_;
    std::filesystem::path previous_;
    std::filesystem::path root_;
};
