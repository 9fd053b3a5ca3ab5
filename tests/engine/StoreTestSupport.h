#pragma once
// Shared by the store tests: a selected pack pair for the test's life, and the message of a
// failure.
#include "Exception.h"
#include "FrameCodec.h"

#include <gtest/gtest.h>

#include <string>

// Selects a pack pair (1 unless a test selects another) over a context of its own.
class PackPairTest : public ::testing::Test {
protected:
    void SetUp() override { SelectCodec(&codec, 1); }
    void TearDown() override { ClearCodec(&codec); }
    void Select(int pair) { SelectCodec(&codec, pair); }

    TCodecContext codec;
};

// The message of the Exception the call raises; "(no failure)" when it returns.
template <class Call>
std::string MessageOf(Call&& call) {
    try {
        call();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no failure)";
}
