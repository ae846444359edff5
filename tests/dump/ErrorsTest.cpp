// Every exception class meets its message, and only its own, and its name.
#include <trillo/Errors.h>

#include <string>

#include <gtest/gtest.h>

#include "ErrorClasses.h"

namespace {

TEST(ErrorMessages, EveryClassMeetsItsMessage) {
    const std::vector<Fixture::ErrorClass> rows = Fixture::errorClasses();
    EXPECT_EQ(rows.size(), 30u);
    for (const Fixture::ErrorClass& row : rows) {
        try {
            row.raise();
            ADD_FAILURE() << row.name << " threw nothing";
        } catch (...) {
            const Trillo::ErrorText text = Trillo::describeCurrentError();
            EXPECT_EQ(text.message, row.message) << row.name;
            EXPECT_EQ(text.kind == nullptr ? "(none)" : text.kind, row.kind) << row.name;
            EXPECT_STREQ(Trillo::currentErrorMessage(), row.message.c_str()) << row.name;
        }
    }
}

} // namespace
