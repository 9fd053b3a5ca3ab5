#include "Exception.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(ExceptionTest, PrefixesKeepThePlaceOfTheFirstRaise) {
    try {
        try {
            throw Exception("Invalid Frame Sructure!");
        } catch (const std::exception& e) {
            throw Exception::Prefixed("PackRequest_3 function error:\n", e);
        }
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "PackRequest_3 function error:\nInvalid Frame Sructure!");
        EXPECT_EQ(e.Type(), "Exception");
        EXPECT_EQ(e.File(), "ExceptionTest.cpp");
        EXPECT_EQ(e.Line(), 9);
        EXPECT_EQ(e.Where(), "Exception at line 9 of ExceptionTest.cpp");
    }
}

TEST(ExceptionTest, ForeignExceptionsArePrefixedToo) {
    std::runtime_error inner("boom");
    Exception e = Exception::Prefixed("X function error:\n", inner);
    EXPECT_EQ(e.Message(), "X function error:\nboom");
    EXPECT_EQ(ExceptionMessage(e), e.Message());
    EXPECT_EQ(ExceptionMessage(inner), "boom");
}
