#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "util/win_ui.h"
#include "util/win_window.h"

namespace {

const char kClass[] = "TvWindowBaseTest";
const UINT kAsk = WM_APP + 1;    // answers wParam + 1
const UINT kThrow = WM_APP + 2;  // throws

bool RegisterTestClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TWindowBase::WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    registered = RegisterClassA(&wc) != 0;
    return registered;
}

// Records what reaches it; can be told to fail a creation message or to delete itself at the end.
class Probe : public TWindowBase {
public:
    explicit Probe(std::vector<std::string>* log, bool* deleted = nullptr) : log_(log), deleted_(deleted) {}
    ~Probe() override {
        if (deleted_) *deleted_ = true;
    }

    HWND Create() {
        return CreateObjectWindow(0, kClass, "probe", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                  GetModuleHandleA(nullptr));
    }

    UINT failOn = 0;           // WM_NCCREATE or WM_CREATE: creation refused by the handler
    UINT throwOn = 0;          // this message's handler throws
    bool selfDelete = false;   // OnFinalMessage deletes the object
    HWND seenAtNcCreate = nullptr;
    LONG_PTR userDataAtCreate = 0;
    int finalCalls = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == throwOn || message == kThrow) throw std::runtime_error("handler failed");
        switch (message) {
            case WM_NCCREATE:
                log_->push_back("nccreate");
                seenAtNcCreate = Hwnd();
                if (failOn == WM_NCCREATE) return FALSE;
                break;
            case WM_CREATE:
                log_->push_back("create");
                userDataAtCreate = GetWindowLongPtrA(Hwnd(), GWLP_USERDATA);
                if (failOn == WM_CREATE) return -1;
                return 0;
            case WM_DESTROY:
                log_->push_back("destroy");
                break;
            case WM_NCDESTROY:
                log_->push_back(Hwnd() ? "ncdestroy" : "ncdestroy-without-window");
                break;
            case kAsk:
                return LRESULT(wParam + 1);
            default:
                break;
        }
        return TWindowBase::HandleMessage(message, wParam, lParam);
    }

    void OnFinalMessage() override {
        ++finalCalls;
        log_->push_back(Hwnd() ? "final-with-window" : "final");
        if (selfDelete) delete this;
    }

private:
    std::vector<std::string>* log_;
    bool* deleted_;
};

// Boxes the program would show, answered with OK.
int CountBox(HWND, const char*, const char* caption, UINT, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(caption);
    return IDOK;
}

class WindowBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterTestClass());
        SetMessageBoxResponder(CountBox, &boxes_);
    }
    void TearDown() override { SetMessageBoxResponder(nullptr, nullptr); }
    std::vector<std::string> log_;
    std::vector<std::string> boxes_;
};

TEST_F(WindowBaseTest, LifetimeOfTheObjectAndItsWindow) {
    Probe probe(&log_);
    EXPECT_EQ(probe.Hwnd(), nullptr);
    HWND hwnd = probe.Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(probe.Hwnd(), hwnd);
    EXPECT_EQ(probe.seenAtNcCreate, hwnd) << "the window is known from WM_NCCREATE on";
    EXPECT_EQ(probe.userDataAtCreate, reinterpret_cast<LONG_PTR>(static_cast<TWindowBase*>(&probe)));
    EXPECT_EQ(SendMessageA(hwnd, kAsk, 41, 0), 42) << "messages reach HandleMessage";
    EXPECT_EQ(probe.Create(), nullptr) << "one window per object";

    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(probe.Hwnd(), nullptr);
    EXPECT_EQ(probe.finalCalls, 1);
    const std::vector<std::string> expected = {"nccreate", "create", "destroy", "ncdestroy", "final"};
    EXPECT_EQ(log_, expected);
}

TEST_F(WindowBaseTest, TwoWindowsOfOneClassReachTheirOwnObjects) {
    std::vector<std::string> otherLog;
    Probe a(&log_), b(&otherLog);
    HWND ha = a.Create(), hb = b.Create();
    ASSERT_TRUE(ha && hb);
    EXPECT_NE(ha, hb);
    DestroyWindow(hb);
    EXPECT_EQ(a.Hwnd(), ha);
    EXPECT_EQ(b.Hwnd(), nullptr);
    EXPECT_EQ(a.finalCalls, 0);
    EXPECT_EQ(b.finalCalls, 1);
    DestroyWindow(ha);
    EXPECT_EQ(a.finalCalls, 1);
}

TEST_F(WindowBaseTest, RefusedCreationLeavesNoWindow) {
    for (UINT refused : {UINT(WM_NCCREATE), UINT(WM_CREATE)}) {
        SCOPED_TRACE(refused == WM_CREATE ? "WM_CREATE" : "WM_NCCREATE");
        log_.clear();
        Probe probe(&log_);
        probe.failOn = refused;
        EXPECT_EQ(probe.Create(), nullptr);
        EXPECT_EQ(probe.Hwnd(), nullptr);
        EXPECT_EQ(probe.finalCalls, 1) << "the final hook runs for a window that got its object";
        EXPECT_EQ(log_.back(), "final");
    }
}

TEST_F(WindowBaseTest, ExceptionsStopAtTheProcedureAndAreReported) {
    Probe probe(&log_);
    HWND hwnd = probe.Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(SendMessageA(hwnd, kThrow, 0, 0), 0);
    EXPECT_EQ(boxes_, std::vector<std::string>{"Error"}) << "the user is told once";
    EXPECT_EQ(SendMessageA(hwnd, kAsk, 1, 0), 2) << "the window keeps working";
    DestroyWindow(hwnd);

    // A handler of a creation message that throws refuses the creation.
    for (UINT failing : {UINT(WM_NCCREATE), UINT(WM_CREATE)}) {
        boxes_.clear();
        Probe failed(&log_);
        failed.throwOn = failing;
        EXPECT_EQ(failed.Create(), nullptr);
        EXPECT_EQ(failed.Hwnd(), nullptr);
        EXPECT_EQ(boxes_.size(), 1u);
    }
}

TEST_F(WindowBaseTest, SelfDeletingObject) {
    bool deleted = false;
    Probe* probe = new Probe(&log_, &deleted);
    probe->selfDelete = true;
    HWND hwnd = probe->Create();
    ASSERT_NE(hwnd, nullptr);
    DestroyWindow(hwnd);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(log_.back(), "final");
    // Later messages to the dead handle reach nobody.
    EXPECT_EQ(SendMessageA(hwnd, kAsk, 1, 0), 0);
}

TEST_F(WindowBaseTest, ObjectDestroyedBeforeItsWindow) {
    HWND hwnd = nullptr;
    {
        Probe probe(&log_);
        hwnd = probe.Create();
        ASSERT_NE(hwnd, nullptr);
    }
    EXPECT_FALSE(IsWindow(hwnd)) << "the base destroys a window it still has";
    // The window was let go of before it was destroyed: none of its last messages reached the
    // half-destroyed object.
    const std::vector<std::string> expected = {"nccreate", "create"};
    EXPECT_EQ(log_, expected);
}

}  // namespace
