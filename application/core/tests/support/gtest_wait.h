#pragma once
// Waiting for a condition inside GoogleTest bodies that drive Qt widgets.
// Qt's QTRY_* macros report a timeout to QTest's own log and return from the
// function, which GoogleTest does not count as a failure. These wait the same
// way (events are handled between looks) and fail the test when time runs out.

#include <gtest/gtest.h>

#include <QTest>

#define VOX_TRY_VERIFY_WITH_TIMEOUT(expr, timeoutMs)                                 \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(expr); }, timeoutMs)) \
        << "still false after " << (timeoutMs) << " ms: " #expr

#define VOX_TRY_VERIFY(expr) VOX_TRY_VERIFY_WITH_TIMEOUT(expr, 5000)

#define VOX_TRY_COMPARE_WITH_TIMEOUT(actual, expected, timeoutMs)                 \
    do {                                                                          \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); }, timeoutMs); \
        ASSERT_EQ(actual, expected) << "after waiting " << (timeoutMs) << " ms";  \
    } while (false)

#define VOX_TRY_COMPARE(actual, expected) VOX_TRY_COMPARE_WITH_TIMEOUT(actual, expected, 5000)
