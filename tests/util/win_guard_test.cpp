// The message boundary: an exception thrown while a message is handled ends that message with the
// fallback result and one report; it never reaches the caller (the system's dispatch).
#include <gtest/gtest.h>

#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "tests/util/box_answerer.h"
#include "util/win_guard.h"
#include "util/win_ui.h"

namespace {

INT_PTR CALLBACK ThrowingDialogBody(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_USER) throw std::bad_alloc();
    return 7;
}

TEST(MessageBoundary, ResultPassesAndExceptionsEndInOneReport) {
    BoxAnswerer boxes;
    EXPECT_EQ(GuardMessage(nullptr, -1, [] { return 5; }), 5);
    EXPECT_TRUE(BoxAnswerer::texts().empty());

    const std::string outOfMemory = LoadMessageText(TV_IDS_OUT_OF_MEMORY);
    const std::string unexpected = LoadMessageText(TV_IDS_UNEXPECTED_ERROR);
    ASSERT_FALSE(outOfMemory.empty());
    ASSERT_FALSE(unexpected.empty());
    struct {
        const char* what;
        int (*handler)();
        const std::string* text;
    } const cases[] = {
        {"out of memory", [] {
             volatile size_t tooMuch = size_t(-1) / 2;  // more than a 32-bit process can hold
             std::vector<char> buffer(tooMuch);
             return int(buffer.size());
         },
         &outOfMemory},
        {"bad_alloc thrown by the code", []() -> int { throw std::bad_alloc(); }, &outOfMemory},
        {"any other exception", []() -> int { throw 42; }, &unexpected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BoxAnswerer::texts().clear();
        EXPECT_EQ(GuardMessage(nullptr, -1, c.handler), -1);
        ASSERT_EQ(BoxAnswerer::texts().size(), 1u);
        EXPECT_EQ(BoxAnswerer::texts()[0], *c.text);
    }
}

TEST(MessageBoundary, FailureWhileTheReportIsOpenAddsNoSecondBox) {
    BoxAnswerer boxes;
    static int nestedResult = 0;
    BoxAnswerer::whileOpen() = [] { nestedResult = GuardMessage(nullptr, -2, []() -> int { throw std::bad_alloc(); }); };
    EXPECT_EQ(GuardMessage(nullptr, -1, []() -> int { throw std::bad_alloc(); }), -1);
    BoxAnswerer::whileOpen() = nullptr;
    EXPECT_EQ(nestedResult, -2);
    EXPECT_EQ(BoxAnswerer::texts().size(), 1u);
}

TEST(MessageBoundary, CurrentExceptionIsReportedByItsKind) {
    BoxAnswerer boxes;
    try {
        throw std::bad_alloc();
    } catch (...) {
        ReportCurrentException(nullptr);
    }
    try {
        throw 3;
    } catch (...) {
        ReportCurrentException(nullptr);
    }
    ASSERT_EQ(BoxAnswerer::texts().size(), 2u);
    EXPECT_EQ(BoxAnswerer::texts()[0], LoadMessageText(TV_IDS_OUT_OF_MEMORY));
    EXPECT_EQ(BoxAnswerer::texts()[1], LoadMessageText(TV_IDS_UNEXPECTED_ERROR));
}

TEST(MessageBoundary, GuardedDialogProcedureAnswersFalseOnFailure) {
    BoxAnswerer boxes;
    EXPECT_EQ(GuardedDialogProc<ThrowingDialogBody>(nullptr, WM_NULL, 0, 0), 7);
    EXPECT_EQ(GuardedDialogProc<ThrowingDialogBody>(nullptr, WM_USER, 0, 0), FALSE);
    EXPECT_EQ(BoxAnswerer::texts().size(), 1u);
}

}  // namespace
