// Answers the message boxes that code under test shows on this thread: a thread timer looks for
// a visible "#32770" window of the thread, records its text and presses OK.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class BoxAnswerer {
public:
    BoxAnswerer() {
        texts().clear();
        timer_ = SetTimer(nullptr, 0, 50, OnTimer);
    }
    ~BoxAnswerer() { KillTimer(nullptr, timer_); }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // The texts of the boxes answered so far.
    static std::vector<std::string>& texts() {
        static std::vector<std::string> seen;
        return seen;
    }
    // Runs while a box is being answered (before OK is pressed); tests use it to act while a box
    // is open.
    static void (*&whileOpen())() {
        static void (*hook)() = nullptr;
        return hook;
    }

private:
    static BOOL CALLBACK Answer(HWND window, LPARAM) {
        char cls[16] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (std::string(cls) != "#32770" || !IsWindowVisible(window)) return TRUE;
        char text[1024] = {};
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // the box's message text
        texts().push_back(text);
        if (whileOpen()) whileOpen()();
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), Answer, 0); }

    UINT_PTR timer_ = 0;
};
