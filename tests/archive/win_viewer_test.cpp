// The internal viewer under Wine, on archives made at test time by Info-ZIP and 7-Zip: what the
// member list shows, the command states, and the commands with their dialogs answered from a
// second thread.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archive/viewer_ids.h"
#include "archive/win/tempfiles.h"
#include "archive/win/viewer_drop.h"
#include "archive/win/viewer_window.h"
#include "archive/zipengine.h"
#include "tests/archive/win_viewer_support.h"
#include "util/text.h"
#include "util/strings.h"
#include "util/textcopy.h"

namespace {

using ivt::Box;
using ivt::Dialog;
using ivt::Read;
using ivt::Script;
using ivt::Write;

// A control anywhere below a window (the add options live in a child dialog of the file dialog).
struct DescendantSearch {
    int id;
    HWND found;
};
BOOL CALLBACK CollectDescendant(HWND child, LPARAM l) {
    DescendantSearch* s = reinterpret_cast<DescendantSearch*>(l);
    if (GetDlgCtrlID(child) == s->id && !s->found) s->found = child;
    return s->found == nullptr;
}
HWND Descendant(HWND parent, int id) {
    DescendantSearch search = {id, nullptr};
    EnumChildWindows(parent, CollectDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class Viewer : public ivt::ViewerTest {
protected:
    // Files below dir_\src and an Info-ZIP archive of them (folders recursed).
    std::string MakeSample(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files,
                           const std::string& options = "-q -r") {
        std::vector<std::string> members;
        for (const auto& f : files) {
            Write(P("src\\" + f.first), f.second);
            std::string unixName = f.first;
            for (char& c : unixName)
                if (c == '\\') c = '/';
            members.push_back(unixName);
        }
        const std::string archive = P(name);
        EXPECT_TRUE(ivt::InfoZip(P("src"), archive, options, members)) << name;
        return archive;
    }
};

TEST_F(Viewer, DosNamesShowInLowerCaseWithTheirFoldersAndNoFolderRows) {
    // zip -k stores MS-DOS names: upper case, host MS-DOS; the folders get entries of their own.
    const std::string archive =
        MakeSample("dos.zip", {{"docs\\readme.txt", "read me"}, {"docs\\sub\\notes.txt", "notes"}, {"top.bin", "x"}},
                   "-q -r -k");
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    EXPECT_EQ((std::vector<std::string>{"notes.txt", "readme.txt", "top.bin"}), Names(v));
    EXPECT_EQ("DOCS/SUB", Cell(v, 0, IV_COLUMN_PATH));
    EXPECT_EQ("DOCS", Cell(v, 1, IV_COLUMN_PATH));
    EXPECT_EQ("", Cell(v, 2, IV_COLUMN_PATH));
    EXPECT_EQ(3u, v->Members().Count(0));
    EXPECT_EQ("Internal Viewer - Tolvane Plus - dos.zip", tvd::WindowText(v->Window()));
    EXPECT_EQ("\t0 Files (0 Bytes) Selected", StatusText(v, 0));
    EXPECT_EQ("\t3 Files (13 Bytes) Total", StatusText(v, 1));
    // Headings and the date column (the member time as stored, not shifted).
    tvd::ListContents list;
    ASSERT_TRUE(tvd::ReadList(v->List(), &list));
    EXPECT_EQ((std::vector<std::string>{"Filename", "Date / Time", "Size", "Ratio", "Packed", "Path"}), list.columns);
    EXPECT_FALSE(Cell(v, 0, IV_COLUMN_TIME).empty());
    // A name made on a system that keeps letter case stays as it is.
    const std::string kept = MakeSample("kept.zip", {{"MixedCase.TXT", "m"}});
    TTVInternalViewerWindow* k = OpenViewer(kept);
    ASSERT_TRUE(k);
    EXPECT_EQ((std::vector<std::string>{"MixedCase.TXT"}), Names(k));
}

TEST_F(Viewer, SetupMemberChoiceAndInstallState) {
    const struct {
        std::vector<std::pair<std::string, std::string>> files;
        const char* setup;  // null: none
    } cases[] = {
        {{{"disk1\\Setup.exe", "MZ"}, {"disk1\\data.cab", "d"}}, "Setup.exe"},
        {{{"readme.exe", "MZ"}, {"other.txt", "t"}}, nullptr},
        {{{"setup.exe.txt", "t"}, {"install.doc", "d"}}, nullptr},
        {{{"a.txt", "t"}, {"MyInstaller.EXE", "MZ"}}, "MyInstaller.EXE"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files[0].first);
        tvd::RemoveTree(P("src"));
        std::vector<std::string> members;
        for (const auto& f : c.files) {
            Write(P("src\\" + f.first), f.second);
            std::string u = f.first;
            for (char& ch : u)
                if (ch == '\\') ch = '/';
            members.push_back(u);
        }
        const std::string archive = P("setup" + std::to_string(++n) + ".zip");
        ASSERT_TRUE(ivt::SevenZip(P("src"), archive, "", members));
        TTVInternalViewerWindow* v = OpenViewer(archive);
        ASSERT_TRUE(v);
        const ArchiveMember* setup = v->SetupMember();
        EXPECT_EQ(c.setup != nullptr, setup != nullptr);
        if (setup && c.setup) {
            EXPECT_EQ(std::string(c.setup), setup->name);
        }
        EXPECT_EQ(c.setup != nullptr, ToolbarEnabled(v, IV_CM_INSTALL));
        EXPECT_EQ(c.setup != nullptr, (v->CommandState() & IV_STATE_SETUP) != 0);
        if (setup) {
            // The setup member's row shows the setup image (4); the others their extension's.
            const int row = v->Table().RowOfMember(setup);
            LVITEMA item = {};
            item.mask = LVIF_IMAGE;
            item.iItem = row;
            ASSERT_TRUE(SendMessageA(v->List(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
            EXPECT_EQ(4, item.iImage);
        }
        DestroyWindow(v->Window());
    }
}

TEST_F(Viewer, RatioZeroCasesAndTheEmptyArchive) {
    // Stored (-0): packed equals size; random bytes deflated: packed larger than size.
    std::string noise;
    for (int i = 0; i < 3000; ++i) noise += char((i * 7919 + i / 7 * 31) & 0xFF);
    Write(P("src\\stored.txt"), "stored stored stored stored");
    const std::string stored = P("stored.zip");
    ASSERT_TRUE(ivt::InfoZip(P("src"), stored, "-q -0", {"stored.txt"}));
    TTVInternalViewerWindow* v = OpenViewer(stored);
    ASSERT_TRUE(v);
    EXPECT_EQ("0%", Cell(v, 0, IV_COLUMN_RATIO));
    Write(P("src\\same.txt"), "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
    const std::string packed = P("packed.zip");
    ASSERT_TRUE(ivt::InfoZip(P("src"), packed, "-q -9", {"same.txt"}));
    TTVInternalViewerWindow* p = OpenViewer(packed);
    ASSERT_TRUE(p);
    EXPECT_NE("0%", Cell(p, 0, IV_COLUMN_RATIO));

    // An empty archive: no rows, Extract and Delete greyed, Add allowed.
    const std::string empty = P("empty.zip");
    ASSERT_EQ(0, CreateEmptyArchive(empty.c_str(), nullptr));
    TTVInternalViewerWindow* e = OpenViewer(empty);
    ASSERT_TRUE(e);
    EXPECT_EQ(0, e->Table().RowCount());
    EXPECT_FALSE(ToolbarEnabled(e, IV_CM_EXTRACT));
    EXPECT_FALSE(ToolbarEnabled(e, IV_CM_DELETE));
    EXPECT_FALSE(ToolbarEnabled(e, IV_CM_OPEN));
    EXPECT_TRUE(ToolbarEnabled(e, IV_CM_ADD));
    EXPECT_TRUE(ToolbarEnabled(e, IV_CM_ARCHIVE_PROPERTIES));
    EXPECT_FALSE(ToolbarEnabled(e, IV_CM_INSTALL));
    // Its archive page: 0 members, ratio 0 %.
    Script answer([] {
        HWND sheet = Box("Properties");
        if (!sheet) return;
        HWND page = tvd::CurrentPropertyPage(sheet);
        EXPECT_EQ("0", tvd::ControlText(page, IDC_IVAP_MEMBERS));
        EXPECT_EQ("0%", tvd::ControlText(page, IDC_IVAP_RATIO));
        EXPECT_EQ("empty.zip", tvd::ControlText(page, IDC_IVAP_NAME));
        tvd::PressPropertySheetButton(sheet, PSBTN_OK);
    });
    e->OnCommand(IV_CM_ARCHIVE_PROPERTIES);
    answer.Finish();
}

TEST_F(Viewer, NewThenCloseAsksAndLeavesNoFile) {
    TTVInternalViewerWindow* v = OpenViewer("");
    ASSERT_TRUE(v);
    EXPECT_EQ("Internal Viewer - Tolvane Plus", tvd::WindowText(v->Window()));
    const std::string fresh = P("fresh.zip");
    {
        Script answer([&] { ivt::AnswerFileDialog("New Archive", fresh); });
        v->OnCommand(IV_CM_NEW_ARCHIVE);
        answer.Finish();
    }
    EXPECT_TRUE(v->IsNewArchive());
    EXPECT_EQ(0, lstrcmpiA(fresh.c_str(), v->ArchivePath()));
    EXPECT_FALSE(tvd::FileExists(fresh));
    EXPECT_TRUE(ToolbarEnabled(v, IV_CM_ADD));
    // Closing asks question 3504; No keeps the viewer, Yes closes it.
    std::string question;
    {
        Script answer([&] {
            HWND box = Box("Question");
            question = tvd::MessageBoxText(box);
            tvd::AnswerMessageBox(box, IDNO);
        });
        SendMessageA(v->Window(), WM_CLOSE, 0, 0);
        answer.Finish();
    }
    EXPECT_EQ(std::string(TvString(IDS_IV_NEW_NOT_SAVED)), question);
    ASSERT_TRUE(IsWindow(v->Window()));
    HWND window = v->Window();
    {
        Script answer([&] { tvd::AnswerMessageBox(Box("Question"), IDYES); });
        SendMessageA(window, WM_CLOSE, 0, 0);
        answer.Finish();
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(tvd::FileExists(fresh));
}

TEST_F(Viewer, NewThenAddThroughTheFileDialogDoesNotAsk) {
    Write(P("in\\one.txt"), "first file");
    program_.add.level = 9;
    program_.add.saveFolders = 1;
    TTVInternalViewerWindow* v = OpenViewer("");
    ASSERT_TRUE(v);
    const std::string fresh = P("added.zip");
    {
        Script answer([&] { ivt::AnswerFileDialog("New Archive", fresh); });
        v->OnCommand(IV_CM_NEW_ARCHIVE);
        answer.Finish();
    }
    ASSERT_TRUE(v->IsNewArchive());
    // The add options below the file list start from the settings and go back into them.
    std::vector<std::string> actions;
    Script answer([&] {
        HWND dialog = Box("Add Files");
        if (!dialog) return;
        HWND action = Descendant(dialog, IDC_IVADD_ACTION);
        HWND level = Descendant(dialog, IDC_IVADD_LEVEL);
        ASSERT_TRUE(action && level);
        EXPECT_EQ(9, int(SendMessageA(level, TBM_GETPOS, 0, 0)));
        for (int i = 0; i < int(SendMessageA(action, CB_GETCOUNT, 0, 0)); ++i) {
            WCHAR text[100] = {};
            SendMessageW(action, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
            char narrow[100];
            WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
            actions.push_back(narrow);
        }
        SendMessageA(level, TBM_SETPOS, TRUE, 0);  // store
        SendMessageA(Descendant(dialog, IDC_IVADD_SAVE_FOLDERS), BM_SETCHECK, BST_UNCHECKED, 0);
        ivt::AnswerFileDialog("Add Files", P("in\\one.txt"));
    });
    v->OnCommand(IV_CM_ADD);
    answer.Finish();
    EXPECT_EQ((std::vector<std::string>{"Add (and Replace) Files", "Update (and Add) Files", "Freshen Existing Files",
                                        "Move Files"}),
              actions);
    EXPECT_EQ(0, program_.add.level);
    EXPECT_EQ(0u, program_.add.saveFolders);
    EXPECT_FALSE(v->IsNewArchive());
    EXPECT_TRUE(tvd::FileExists(fresh));
    ASSERT_EQ((std::vector<std::string>{"one.txt"}), Names(v));
    EXPECT_EQ("0%", Cell(v, 0, IV_COLUMN_RATIO));  // stored
    // Closing now asks nothing.
    HWND window = v->Window();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(Viewer, ExtractThreeSelectedWhenTheSecondFails) {
    const std::string archive =
        MakeSample("three.zip", {{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}, {"d.txt", "not chosen"}});
    for (int answerYes = 1; answerYes >= 0; --answerYes) {
        SCOPED_TRACE(answerYes ? "Yes" : "No");
        const std::string out = P(answerYes ? "outyes" : "outno");
        // A folder where b.txt should go: writing that member fails.
        tvd::MakeFolders(out + "\\b.txt");
        TTVInternalViewerWindow* v = OpenViewer(archive);
        ASSERT_TRUE(v);
        SelectByName(v, {"a.txt", "b.txt", "c.txt"});
        EXPECT_EQ("\t3 Files (3 Bytes) Selected", StatusText(v, 0));
        std::string question;
        Script answer([&] {
            HWND dialog = Dialog("Extract");
            if (!dialog) return;
            EXPECT_TRUE(tvd::IsButtonChecked(dialog, IDC_IVEX_SELECTED));
            tvd::SetControlText(dialog, IDC_IVEX_FOLDER, out);
            tvd::SetButtonChecked(dialog, IDC_IVEX_OVERWRITE, true);
            tvd::PressButton(dialog, IDOK);
            HWND box = Box("Tolvane Plus");
            question = tvd::MessageBoxText(box);
            tvd::AnswerMessageBox(box, answerYes ? IDYES : IDNO);
        });
        v->OnCommand(IV_CM_EXTRACT);
        answer.Finish();
        EXPECT_NE(std::string::npos, question.find("\nDo you wish to continue ?")) << question;
        EXPECT_EQ("A", Read(out + "\\a.txt"));
        EXPECT_TRUE(tvd::FolderExists(out + "\\b.txt"));
        EXPECT_EQ(answerYes ? "C" : "<missing>", Read(out + "\\c.txt"));
        EXPECT_FALSE(tvd::FileExists(out + "\\d.txt"));
        // The choices are kept for the next time.
        EXPECT_EQ(0, lstrcmpiA(out.c_str(), program_.extract.folder));
        EXPECT_EQ(1u, program_.extract.overwrite);
        DestroyWindow(v->Window());
    }
}

TEST_F(Viewer, CancelInTheProgressDialogStopsTheRemainingMembers) {
    // Cancel is pressed in "Unzipping" while the question about the failed second member is up:
    // Yes to that question still ends the job before the third member.
    const std::string archive = MakeSample("cancel.zip", {{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}});
    const std::string out = P("cancelled");
    tvd::MakeFolders(out + "\\b.txt");
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    SelectByName(v, {"a.txt", "b.txt", "c.txt"});
    int questions = 0;
    bool progressShown = false;
    std::atomic<bool> returned{false};
    Script answer([&] {
        HWND dialog = Dialog("Extract");
        if (!dialog) return;
        tvd::SetControlText(dialog, IDC_IVEX_FOLDER, out);
        tvd::SetButtonChecked(dialog, IDC_IVEX_OVERWRITE, true);
        tvd::PressButton(dialog, IDOK);
        HWND box = Box("Tolvane Plus");
        if (!box) return;
        ++questions;
        HWND progress = Dialog("Unzipping");
        if (!progress) return;
        progressShown = true;
        // Sent, so that the flag is set before the question is answered.
        SendMessageA(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        tvd::AnswerMessageBox(box, IDYES);
        EXPECT_TRUE(tvd::WaitForWindowGone(progress, tvd::WaitCeilingMs()));
        EXPECT_TRUE(tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()));
        // No second question: the job ended (a second one would hold the command until answered).
        tvd::WindowQuery q;
        q.className = "#32770";
        q.caption = "Tolvane Plus";
        q.pid = GetCurrentProcessId();
        q.visibleOnly = true;
        HWND again = nullptr;
        tvd::WaitUntil([&] { return returned.load() || (again = tvd::FindTopWindow(q)) != nullptr; },
                       tvd::WaitCeilingMs());
        if (again) {
            ++questions;
            ivt::CloseAllDialogs();
        }
    });
    v->OnCommand(IV_CM_EXTRACT);
    returned = true;
    answer.Finish();
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(1, questions);
    EXPECT_EQ("A", Read(out + "\\a.txt"));
    EXPECT_EQ("<missing>", Read(out + "\\c.txt"));
}

TEST_F(Viewer, OpenArchiveRefreshAndHeadingClicks) {
    const std::string first = MakeSample("first.zip", {{"one.txt", "1"}});
    Write(P("b\\small.txt"), "s");
    Write(P("b\\large.txt"), std::string(5000, 'l'));
    Write(P("b\\middle.txt"), std::string(300, 'm'));
    ASSERT_TRUE(ivt::InfoZip(P("b"), P("second.zip"), "-q -0", {"small.txt", "large.txt", "middle.txt"}));
    Write(P("notazip.zip"), "this is no archive");
    TTVInternalViewerWindow* v = OpenViewer(first);
    ASSERT_TRUE(v);
    CopyLimited(program_.password.text, "pw", sizeof program_.password.text);
    // Open archive: the chosen archive, the password cleared.
    {
        Script answer([&] { ivt::AnswerFileDialog("Select Archive", P("second.zip")); });
        v->OnCommand(IV_CM_OPEN_ARCHIVE);
        answer.Finish();
    }
    EXPECT_EQ(0, lstrcmpiA(P("second.zip").c_str(), v->ArchivePath()));
    EXPECT_FALSE(v->IsNewArchive());
    EXPECT_STREQ("", program_.password.text);
    EXPECT_EQ("Internal Viewer - Tolvane Plus - second.zip", tvd::WindowText(v->Window()));
    EXPECT_EQ((std::vector<std::string>{"large.txt", "middle.txt", "small.txt"}), Names(v));
    // Heading clicks: Size ascending, then descending; Filename again ascending.
    auto click = [&](int column) {
        NMLISTVIEW n = {};
        n.hdr.hwndFrom = v->List();
        n.hdr.idFrom = UINT_PTR(GetDlgCtrlID(v->List()));
        n.hdr.code = LVN_COLUMNCLICK;
        n.iItem = -1;
        n.iSubItem = column;
        SendMessageA(v->Window(), WM_NOTIFY, n.hdr.idFrom, reinterpret_cast<LPARAM>(&n));
    };
    click(IV_COLUMN_SIZE);
    EXPECT_EQ((std::vector<std::string>{"small.txt", "middle.txt", "large.txt"}), Names(v));
    click(IV_COLUMN_SIZE);
    EXPECT_EQ((std::vector<std::string>{"large.txt", "middle.txt", "small.txt"}), Names(v));
    click(IV_COLUMN_NAME);
    EXPECT_EQ((std::vector<std::string>{"large.txt", "middle.txt", "small.txt"}), Names(v));
    // Refresh reads the archive again.
    Write(P("b\\added.txt"), "new");
    ASSERT_TRUE(ivt::InfoZip(P("b"), P("second.zip"), "-q", {"added.txt"}));
    v->OnCommand(IV_CM_REFRESH);
    EXPECT_EQ((std::vector<std::string>{"added.txt", "large.txt", "middle.txt", "small.txt"}), Names(v));
    v->Refresh();
    EXPECT_EQ("\t4 Files (5,304 Bytes) Total", StatusText(v, 1));
    // A file that is no archive: the error is shown and the viewer shows no archive.
    std::string error;
    {
        Script answer([&] {
            ivt::AnswerFileDialog("Select Archive", P("notazip.zip"));
            HWND box = Box("Tolvane Plus");
            if (!box) return;
            error = tvd::MessageBoxText(box);
            tvd::AnswerMessageBox(box, IDOK);
        });
        v->OnCommand(IV_CM_OPEN_ARCHIVE);
        answer.Finish();
    }
    EXPECT_FALSE(error.empty());
    EXPECT_STREQ("", v->ArchivePath());
    EXPECT_TRUE(Names(v).empty());
    EXPECT_EQ("Internal Viewer - Tolvane Plus", tvd::WindowText(v->Window()));
    EXPECT_FALSE(ToolbarEnabled(v, IV_CM_ADD));
}

TEST_F(Viewer, MenuItemsAndToolbarFollowTheStatesAndShowTheirTexts) {
    const std::string archive = MakeSample("texts.zip", {{"a.txt", "A"}, {"b.txt", "BB"}});
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    // The popups of the menu bar and the list's context menu (loaded from the same resources).
    std::vector<HMENU> popups;
    HMENU bar = GetMenu(v->Window());
    ASSERT_TRUE(bar);
    for (int i = 0; i < GetMenuItemCount(bar); ++i)
        if (HMENU sub = GetSubMenu(bar, i)) popups.push_back(sub);
    HMENU context = LoadMenuA(GetModuleHandleA(nullptr), "IVCONTEXTMENU");
    ASSERT_TRUE(context);
    popups.push_back(GetSubMenu(context, 0));
    const std::vector<int> all = {104, 150, 151, 116, 112, 100, 156, 128, 158, 111, 160,
                                  161, 162, 163, 164, 165, 166, 124, 168, 101, 102};
    struct Case {
        std::vector<std::string> selected;
        std::vector<int> greyed;  // the commands of `all` that must be greyed
    };
    const Case cases[] = {
        {{}, {104, 112, 162}},          // no selection, no setup member
        {{"b.txt"}, {162}},             // a row selected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected.empty() ? "nothing selected" : "a row selected");
        SelectByName(v, c.selected);
        v->Refresh();
        std::vector<int> seen, greyed;
        for (HMENU popup : popups) {
            SendMessageA(v->Window(), WM_INITMENUPOPUP, WPARAM(popup), 0);
            for (int i = 0; i < GetMenuItemCount(popup); ++i) {
                const UINT id = GetMenuItemID(popup, i);
                if (id == 0 || id == UINT(-1)) continue;
                seen.push_back(int(id));
                if (GetMenuState(popup, UINT(i), MF_BYPOSITION) & MF_GRAYED) greyed.push_back(int(id));
                // Highlighted: its text across the status bar.
                SendMessageA(v->Window(), WM_MENUSELECT, MAKEWPARAM(id, MF_STRING | MF_HILITE), LPARAM(popup));
                char text[256] = {};
                SendMessageA(v->StatusBar(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));  // simple mode: its one text
                EXPECT_EQ(std::string(TvString(id + 1200)), text) << id;
            }
            if (GetMenuState(popup, IV_CM_OPEN, MF_BYCOMMAND) != UINT(-1)) {
                EXPECT_EQ(UINT(IV_CM_OPEN), GetMenuDefaultItem(popup, FALSE, GMDI_USEDISABLED));
            }
        }
        // The menu closed: the two parts again.
        SendMessageA(v->Window(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        EXPECT_FALSE(SendMessageA(v->StatusBar(), SB_ISSIMPLE, 0, 0));
        std::sort(seen.begin(), seen.end());
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        std::vector<int> want = all;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(want, seen);
        std::sort(greyed.begin(), greyed.end());
        greyed.erase(std::unique(greyed.begin(), greyed.end()), greyed.end());
        EXPECT_EQ(c.greyed, greyed);
        // The toolbar: the same states, and the tool tips.
        const int buttons = int(SendMessageA(v->Toolbar(), TB_BUTTONCOUNT, 0, 0));
        int commands = 0;
        for (int i = 0; i < buttons; ++i) {
            TBBUTTON button = {};
            SendMessageA(v->Toolbar(), TB_GETBUTTON, WPARAM(i), reinterpret_cast<LPARAM>(&button));
            if (button.fsStyle & BTNS_SEP) continue;
            ++commands;
            const bool enabled = SendMessageA(v->Toolbar(), TB_ISBUTTONENABLED, WPARAM(button.idCommand), 0) != 0;
            EXPECT_EQ(std::find(c.greyed.begin(), c.greyed.end(), button.idCommand) == c.greyed.end(), enabled)
                << button.idCommand;
            NMTTDISPINFOA tip = {};
            tip.hdr.hwndFrom = HWND(SendMessageA(v->Toolbar(), TB_GETTOOLTIPS, 0, 0));
            tip.hdr.idFrom = UINT_PTR(button.idCommand);
            tip.hdr.code = TTN_GETDISPINFOA;
            SendMessageA(v->Window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
            EXPECT_EQ(std::string(TvString(UINT(button.idCommand) + 2200)), tip.lpszText ? tip.lpszText : "")
                << button.idCommand;
        }
        EXPECT_EQ(10, commands);  // Open | Add, Extract | Delete, Properties | New ... Archive properties | Install
    }
    DestroyMenu(context);
}

TEST_F(Viewer, ExtractAllOrByMaskIntoFoldersAndTheDownloadHearsOfIt) {
    const std::string archive = MakeSample("tree.zip", {{"docs\\a.txt", "A"}, {"docs\\b.doc", "B"}, {"c.txt", "C"}});
    // A download entry that the archive belongs to.
    TCategoryListObject& categories = program_.categories;
    (void)categories;
    FileItem record;
    program_.downloads.InitItem(&record);
    TextAssign(&record.fileName, "tree.zip");
    TextAssign(&record.storedName, "tree.zip");
    ListNode* download = program_.downloads.Add(&record, 0);
    program_.downloads.FreeItemData(&record);
    ASSERT_TRUE(download);
    TTVInternalViewerWindow* v = OpenViewer(archive, download);
    ASSERT_TRUE(v);
    const std::string out = P("all");
    Script all([&] {
        HWND dialog = Dialog("Extract");
        if (!dialog) return;
        tvd::SetControlText(dialog, IDC_IVEX_FOLDER, "\"" + out + "\"");
        tvd::SetButtonChecked(dialog, IDC_IVEX_SELECTED, false);
        tvd::SetButtonChecked(dialog, IDC_IVEX_ALL, true);
        tvd::PressButton(dialog, IDOK);
    });
    v->OnCommand(IV_CM_EXTRACT);
    all.Finish();
    EXPECT_EQ("A", Read(out + "\\docs\\a.txt"));
    EXPECT_EQ("C", Read(out + "\\c.txt"));
    ASSERT_EQ(1u, notified_.size());
    EXPECT_EQ(reinterpret_cast<LPARAM>(download), notified_[0]);
    const FileItem* item = TFileListObject::Item(download);
    EXPECT_FALSE(item->unpackDate.IsZero());
    EXPECT_EQ(0, lstrcmpiA(out.c_str(), item->extractedTo));

    // By mask, folders ignored; a blank mask is refused first.
    const std::string flat = P("flat");
    std::string refusal;
    Script mask([&] {
        HWND dialog = Dialog("Extract");
        if (!dialog) return;
        tvd::SetControlText(dialog, IDC_IVEX_FOLDER, flat);
        tvd::SetButtonChecked(dialog, IDC_IVEX_ALL, false);
        tvd::SetButtonChecked(dialog, IDC_IVEX_MATCHING, true);
        tvd::SetControlText(dialog, IDC_IVEX_MASK, "  ");
        tvd::SetButtonChecked(dialog, IDC_IVEX_FOLDERS, false);
        tvd::PressButton(dialog, IDOK);
        HWND box = Box("Error");
        refusal = tvd::MessageBoxText(box);
        tvd::AnswerMessageBox(box, IDOK);
        tvd::SetControlText(dialog, IDC_IVEX_MASK, "*.txt");
        tvd::PressButton(dialog, IDOK);
    });
    v->OnCommand(IV_CM_EXTRACT);
    mask.Finish();
    EXPECT_EQ(std::string(TvString(IDS_IV_ENTER_MASK)), refusal);
    EXPECT_EQ("A", Read(flat + "\\a.txt"));
    EXPECT_EQ("C", Read(flat + "\\c.txt"));
    EXPECT_FALSE(tvd::FileExists(flat + "\\b.doc"));
    EXPECT_FALSE(tvd::FolderExists(flat + "\\docs"));
    EXPECT_EQ(2, program_.extract.what);
    EXPECT_EQ(2u, notified_.size());
    // A download that left the list is not touched and not announced.
    program_.downloads.DeleteNode(download);
    Script again([&] {
        HWND dialog = Dialog("Extract");
        if (dialog) tvd::PressButton(dialog, IDOK);
    });
    v->OnCommand(IV_CM_EXTRACT);
    again.Finish();
    EXPECT_EQ(2u, notified_.size());
}

TEST_F(Viewer, PasswordConfirmationCountsCase) {
    const std::string archive = MakeSample("p.zip", {{"a.txt", "A"}});
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    std::string error;
    Script answer([&] {
        HWND dialog = Dialog("Setup Password");
        if (!dialog) return;
        // Masked: both edits show stars; the box switches both.
        EXPECT_TRUE(tvd::IsButtonChecked(dialog, IDC_IVPW_MASK));
        EXPECT_EQ('*', int(SendMessageA(tvd::Control(dialog, IDC_IVPW_PASSWORD), EM_GETPASSWORDCHAR, 0, 0)));
        SendMessageA(tvd::Control(dialog, IDC_IVPW_MASK), BM_CLICK, 0, 0);
        EXPECT_EQ(0, int(SendMessageA(tvd::Control(dialog, IDC_IVPW_PASSWORD), EM_GETPASSWORDCHAR, 0, 0)));
        EXPECT_EQ(0, int(SendMessageA(tvd::Control(dialog, IDC_IVPW_CONFIRM), EM_GETPASSWORDCHAR, 0, 0)));
        tvd::SetControlText(dialog, IDC_IVPW_PASSWORD, "Secret");
        tvd::SetControlText(dialog, IDC_IVPW_CONFIRM, "secret");
        tvd::PressButton(dialog, IDOK);
        HWND box = Box("Error");
        error = tvd::MessageBoxText(box);
        tvd::AnswerMessageBox(box, IDOK);
        EXPECT_TRUE(IsWindow(dialog));  // stays open
        tvd::SetControlText(dialog, IDC_IVPW_CONFIRM, "Secret");
        tvd::PressButton(dialog, IDOK);
        EXPECT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
    });
    v->OnCommand(IV_CM_PASSWORD);
    answer.Finish();
    EXPECT_EQ(std::string(TvString(IDS_IV_PASSWORD_MISMATCH)), error);
    EXPECT_STREQ("Secret", program_.password.text);
    EXPECT_EQ(0u, program_.password.mask);
    // Closing the archive clears it.
    v->OnCommand(IV_CM_CLOSE_ARCHIVE);
    EXPECT_STREQ("", program_.password.text);
    EXPECT_STREQ("", v->ArchivePath());
    EXPECT_EQ("Internal Viewer - Tolvane Plus", tvd::WindowText(v->Window()));
}

TEST_F(Viewer, SelectSomeByMasks) {
    const std::string archive = MakeSample(
        "masks.zip", {{"readme.txt", "r"}, {"NOTES.TXT", "n"}, {"a.doc", "d"}, {"abc.zip", "z"}, {"abcd.zip", "y"}});
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    auto selected = [&] {
        std::vector<std::string> names;
        for (const ArchiveMember* m : v->Table().SelectedMembers()) names.push_back(m->name);
        return names;
    };
    std::vector<std::string> afterTxt, afterAbc, afterDeselect;
    Script answer([&] {
        HWND dialog = Dialog("Select Some Files");
        if (!dialog) return;
        tvd::SetControlText(dialog, IDC_IVSEL_MASK, " *.txt ");
        SendMessageA(dialog, WM_COMMAND, IDC_IVSEL_SELECT, 0);
        tvd::SetControlText(dialog, IDC_IVSEL_MASK, "a?c.*");
        SendMessageA(dialog, WM_COMMAND, IDC_IVSEL_SELECT, 0);
        tvd::SetControlText(dialog, IDC_IVSEL_MASK, "readme.*");
        SendMessageA(dialog, WM_COMMAND, IDC_IVSEL_DESELECT, 0);
        tvd::SetControlText(dialog, IDC_IVSEL_MASK, "");
        SendMessageA(dialog, WM_COMMAND, IDC_IVSEL_DESELECT, 0);  // empty: nothing happens
        tvd::PressButton(dialog, IDCANCEL);
    });
    v->OnCommand(IV_CM_SELECT_SOME);
    answer.Finish();
    std::vector<std::string> now = selected();
    std::sort(now.begin(), now.end());
    EXPECT_EQ((std::vector<std::string>{"NOTES.TXT", "abc.zip"}), now);
    // All, none and invert.
    v->OnCommand(IV_CM_SELECT_INVERT);
    now = selected();
    std::sort(now.begin(), now.end());
    EXPECT_EQ((std::vector<std::string>{"a.doc", "abcd.zip", "readme.txt"}), now);
    v->OnCommand(IV_CM_SELECT_ALL);
    EXPECT_EQ(5u, selected().size());
    v->Refresh();
    EXPECT_EQ("\t5 Files (5 Bytes) Selected", StatusText(v, 0));
    v->OnCommand(IV_CM_SELECT_NONE);
    EXPECT_TRUE(selected().empty());
}

TEST_F(Viewer, CopyDestinationFolderOrFile) {
    const std::string archive = MakeSample("a.zip", {{"x.txt", "copy me"}});
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    const std::string backup = P("Backup");
    auto copyTo = [&](const std::string& typed, int requestAnswer, bool* asked) {
        *asked = false;
        Script answer([&] {
            HWND dialog = Dialog("Copy");
            if (!dialog) return;
            tvd::SetControlText(dialog, IDC_IVCOPY_DEST, typed);
            tvd::PressButton(dialog, IDOK);
            tvd::WindowQuery q;
            q.className = "VeltraDialog";
            q.caption = "Request";
            q.pid = GetCurrentProcessId();
            // Either the request comes, or the copy dialog closes without one.
            HWND request = nullptr;
            tvd::WaitUntil([&] { return (request = tvd::FindTopWindow(q)) != nullptr || !IsWindow(dialog); },
                           tvd::WaitCeilingMs());
            *asked = request != nullptr;
            if (request) {
                EXPECT_EQ(typed, tvd::ControlText(request, IDC_IVREQ_DEST));
                tvd::PressButton(request, requestAnswer);
                if (requestAnswer == IDCANCEL) {
                    // Back in the copy dialog: give up there too.
                    EXPECT_TRUE(tvd::WaitForWindowGone(request, tvd::WaitCeilingMs()));
                    tvd::PressButton(dialog, IDCANCEL);
                }
            }
        });
        v->OnCommand(IV_CM_COPY_ARCHIVE);
        answer.Finish();
    };
    bool asked = false;
    // No dot and no such folder: asked; Cancel copies nothing.
    copyTo(backup, IDCANCEL, &asked);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(tvd::FolderExists(backup));
    // Asked again, "Directory": the folder is made and the archive copied into it.
    copyTo(backup, IDC_IVREQ_FOLDER, &asked);
    EXPECT_TRUE(asked);
    EXPECT_EQ(Read(archive), Read(backup + "\\a.zip"));
    EXPECT_EQ(backup + "\\", std::string(program_.copy.destination));
    EXPECT_EQ(1u, program_.copy.isFolder);
    // With the trailing backslash: a folder without asking.
    DeleteFileA((backup + "\\a.zip").c_str());
    copyTo(backup + "\\", 0, &asked);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(tvd::FileExists(backup + "\\a.zip"));
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA((backup + "\\a.zip").c_str()));
    // A name with a dot: a file of that name.
    copyTo(backup + "\\copy.zip", 0, &asked);
    EXPECT_FALSE(asked);
    EXPECT_EQ(Read(archive), Read(backup + "\\copy.zip"));
    EXPECT_EQ(0u, program_.copy.isFolder);
    // An existing folder without a backslash is a folder, and the copy keeps the file times.
    DeleteFileA((backup + "\\a.zip").c_str());
    copyTo(backup, 0, &asked);
    EXPECT_FALSE(asked);
    WIN32_FILE_ATTRIBUTE_DATA source = {}, copy = {};
    ASSERT_TRUE(GetFileAttributesExA(archive.c_str(), GetFileExInfoStandard, &source));
    ASSERT_TRUE(GetFileAttributesExA((backup + "\\a.zip").c_str(), GetFileExInfoStandard, &copy));
    EXPECT_EQ(0, CompareFileTime(&source.ftLastWriteTime, &copy.ftLastWriteTime));
    EXPECT_EQ(0, CompareFileTime(&source.ftCreationTime, &copy.ftCreationTime));
}

TEST_F(Viewer, ZipInsideZipOpensInANewViewerAndTheCopyGoesAtTheEnd) {
    Write(P("inner\\deep.txt"), "deep");
    tvd::MakeFolders(P("src"));
    ASSERT_TRUE(ivt::InfoZip(P("inner"), P("src\\inner.zip"), "-q", {"deep.txt"}));
    const std::string outer = P("outer.zip");
    ASSERT_TRUE(ivt::SevenZip(P("src"), outer, "", {"inner.zip"}));
    TTVInternalViewerWindow* v = OpenViewer(outer);
    ASSERT_TRUE(v);
    SelectByName(v, {"inner.zip"});
    v->OnCommand(IV_CM_OPEN);
    tvd::Pump(0);  // what the open posted
    std::vector<HWND> viewers = ViewerWindows();
    ASSERT_EQ(2u, viewers.size());
    TTVInternalViewerWindow* inner = nullptr;
    for (HWND h : viewers)
        if (h != v->Window()) inner = TTVInternalViewerWindow::FromWindow(h);
    ASSERT_TRUE(inner);
    EXPECT_EQ((std::vector<std::string>{"deep.txt"}), Names(inner));
    const std::string copy = inner->ArchivePath();
    EXPECT_TRUE(tvd::FileExists(copy));
    // The copy lies in a folder of its own below the temporary folder; both are listed.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    EXPECT_EQ(0, _strnicmp(copy.c_str(), temp, strlen(temp))) << copy;
    const std::string folder = copy.substr(0, copy.find_last_of('\\') + 1);
    EXPECT_NE(std::string(temp), folder);
    std::vector<std::pair<std::string, uint32_t>> listed;
    for (const ListNode* n = program_.tempFiles.First(); n; n = n->next)
        listed.emplace_back(TTempFileListObject::Item(n)->path, TTempFileListObject::Item(n)->kind);
    EXPECT_EQ((std::vector<std::pair<std::string, uint32_t>>{{copy, TV_TEMP_FILE}, {folder, TV_TEMP_FOLDER}}), listed);
    // A second open of the same member makes a second copy elsewhere.
    v->OnCommand(IV_CM_OPEN);
    tvd::Pump(0);  // what the open posted
    EXPECT_EQ(3u, ViewerWindows().size());
    EXPECT_EQ(4u, program_.tempFiles.Count(0));
    // The clean-up at shut-down (files, then folders) removes both copies and their folders while
    // the viewers are closed; a file of the user's beside them stays.
    for (HWND h : ViewerWindows())
        if (h != v->Window()) DestroyWindow(h);
    char mine[MAX_PATH];
    FormatLimited(mine, sizeof mine, "%sinner.zip", temp);
    const bool hadMine = tvd::FileExists(mine);
    if (!hadMine) Write(mine, "the user's own");
    EXPECT_EQ(0u, CleanTempFileList(&program_.tempFiles, TV_CLEAN_FILES, true));
    EXPECT_EQ(0u, CleanTempFileList(&program_.tempFiles, TV_CLEAN_FOLDERS, true));
    EXPECT_EQ(0u, program_.tempFiles.Count(0));
    EXPECT_FALSE(tvd::FileExists(copy));
    EXPECT_FALSE(tvd::FolderExists(folder));
    EXPECT_TRUE(tvd::FileExists(mine));
    if (!hadMine) DeleteFileA(mine);
}

TEST_F(Viewer, MembersOfTheSameNameOpenTheirOwnFile) {
    const std::string archive = MakeSample("twins.zip", {{"one\\same.dat", "first"}, {"two\\same.dat", "second"}});
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    ASSERT_EQ(2, v->Table().RowCount());
    std::vector<std::string> contents;
    for (int row = 0; row < 2; ++row) {
        const ArchiveMember* m = v->Table().MemberOfRow(row);
        SelectByName(v, {});
        v->Table().SelectRow(row, true);
        LVITEMA item = {};
        item.stateMask = LVIS_FOCUSED;
        item.state = LVIS_FOCUSED;
        SendMessageA(v->List(), LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
        // ".dat" has no program here: the copy is made, then "could not be opened" is said.
        std::string said;
        Script answer([&] {
            HWND box = Box("Error");
            said = tvd::MessageBoxText(box);
            tvd::AnswerMessageBox(box, IDOK);
        });
        v->OnCommand(IV_CM_OPEN);
        answer.Finish();
        EXPECT_EQ(std::string(TvString(IDS_IV_NOT_OPENED)), said);
        const ListNode* last = nullptr;
        for (const ListNode* n = program_.tempFiles.First(); n; n = n->next)
            if (TTempFileListObject::Item(n)->kind == TV_TEMP_FILE) last = n;
        ASSERT_TRUE(last);
        contents.push_back(Read(TTempFileListObject::Item(last)->path) + "@" + m->folder);
    }
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ((std::vector<std::string>{"first@one", "second@two"}), contents);
    CleanTempFileList(&program_.tempFiles, TV_CLEAN_FILES, true);
    CleanTempFileList(&program_.tempFiles, TV_CLEAN_FOLDERS, true);
}

TEST_F(Viewer, DeleteSelectedAllOrByMask) {
    const std::string archive = MakeSample(
        "del.zip", {{"one\\same.txt", "1"}, {"two\\same.txt", "2"}, {"keep.doc", "k"}, {"drop.tmp", "t"}});
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    // Selected: only the member in folder one, not its namesake.
    for (int row = 0; row < v->Table().RowCount(); ++row) {
        const ArchiveMember* m = v->Table().MemberOfRow(row);
        v->Table().SelectRow(row, std::string(m->folder) == "one");
    }
    Script selected([] {
        HWND dialog = Dialog("Delete");
        if (dialog) tvd::PressButton(dialog, IDOK);
    });
    v->OnCommand(IV_CM_DELETE);
    selected.Finish();
    std::vector<std::string> left;
    for (int row = 0; row < v->Table().RowCount(); ++row) {
        const ArchiveMember* m = v->Table().MemberOfRow(row);
        left.push_back(std::string(m->folder) + "|" + m->name);
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{"two|same.txt", "|drop.tmp", "|keep.doc"}), left);
    // By mask.
    Script mask([] {
        HWND dialog = Dialog("Delete");
        if (!dialog) return;
        tvd::SetButtonChecked(dialog, IDC_IVDEL_SELECTED, false);
        tvd::SetButtonChecked(dialog, IDC_IVDEL_MATCHING, true);
        tvd::SetControlText(dialog, IDC_IVDEL_MASK, "*.tmp");
        tvd::PressButton(dialog, IDOK);
    });
    v->OnCommand(IV_CM_DELETE);
    mask.Finish();
    EXPECT_EQ(2, v->Table().RowCount());
    EXPECT_EQ(2, program_.del.what);
    EXPECT_STREQ("*.tmp", program_.del.mask);
    // All: the archive stays, empty.
    Script all([] {
        HWND dialog = Dialog("Delete");
        if (!dialog) return;
        tvd::SetButtonChecked(dialog, IDC_IVDEL_MATCHING, false);
        tvd::SetButtonChecked(dialog, IDC_IVDEL_ALL, true);
        tvd::PressButton(dialog, IDOK);
    });
    v->OnCommand(IV_CM_DELETE);
    all.Finish();
    EXPECT_EQ(0, v->Table().RowCount());
    EXPECT_STREQ(archive.c_str(), v->ArchivePath());
    EXPECT_TRUE(tvd::FileExists(archive));
    EXPECT_FALSE(ToolbarEnabled(v, IV_CM_DELETE));
}

TEST_F(Viewer, DroppedFilesGoWhereTheDialogSays) {
    Write(P("drop\\one.txt"), "1");
    Write(P("drop\\two.txt"), "22");
    const std::string archive = MakeSample("base.zip", {{"base.txt", "b"}});
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    std::string shown, prefilled;
    Script answer([&] {
        HWND dialog = Dialog("Drag & Drop");
        if (!dialog) return;
        shown = tvd::ControlText(dialog, IDC_IVDD_DROPPED);
        prefilled = tvd::ControlText(dialog, IDC_IVDD_ARCHIVE);
        tvd::PressButton(dialog, IDOK);
    });
    v->AddDroppedFiles({P("drop\\one.txt"), P("drop\\two.txt")});
    answer.Finish();
    EXPECT_EQ("2 files dropped", shown);
    EXPECT_EQ(archive, prefilled);
    std::vector<std::string> names = Names(v);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"base.txt", "one.txt", "two.txt"}), names);

    // Another archive typed in the dialog: the viewer switches to it (a new one), and the file
    // goes there.
    const std::string other = P("other.zip");
    Script elsewhere([&] {
        HWND dialog = Dialog("Drag & Drop");
        if (!dialog) return;
        shown = tvd::ControlText(dialog, IDC_IVDD_DROPPED);
        tvd::SetControlText(dialog, IDC_IVDD_ARCHIVE, other);
        tvd::PressButton(dialog, IDOK);
    });
    v->AddDroppedFiles({P("drop\\two.txt")});
    elsewhere.Finish();
    EXPECT_EQ(P("drop\\two.txt"), shown);
    EXPECT_EQ(0, lstrcmpiA(other.c_str(), v->ArchivePath()));
    EXPECT_FALSE(v->IsNewArchive());
    EXPECT_EQ((std::vector<std::string>{"two.txt"}), Names(v));
    EXPECT_EQ("Internal Viewer - Tolvane Plus - other.zip", tvd::WindowText(v->Window()));
}

TEST_F(Viewer, ArchiveExchangeOnlyFromItsOwnSender) {
    const std::string first = MakeSample("first.zip", {{"f.txt", "f"}});
    TTVInternalViewerWindow* v = OpenViewer(first);
    ASSERT_TRUE(v);
    char text[TV_PATH_SIZE] = {};
    EXPECT_EQ(1, SendArchiveExchange(v->Window(), 0, text));
    EXPECT_EQ(first, std::string(text));
    // The plain message (as another program would send it) carries no pointer of ours: ignored.
    char foreign[TV_PATH_SIZE] = "C:\\elsewhere.zip";
    EXPECT_EQ(0, SendMessageA(v->Window(), IV_WM_ARCHIVE_EXCHANGE, 1, reinterpret_cast<LPARAM>(foreign)));
    EXPECT_EQ(0, SendMessageA(v->Window(), IV_WM_ARCHIVE_EXCHANGE, 1, 0x1234));
    EXPECT_EQ(0, SendMessageA(v->Window(), IV_WM_FILES_DROPPED, 0, 0x1234));
    EXPECT_EQ(first, std::string(v->ArchivePath()));
    // Switching to a name with no file: a new archive, empty, and the password is cleared.
    CopyLimited(program_.password.text, "pw", sizeof program_.password.text);
    char missing[TV_PATH_SIZE];
    CopyLimited(missing, ("\"" + P("none.zip") + "\"").c_str(), sizeof missing);
    EXPECT_EQ(1, SendArchiveExchange(v->Window(), 1, missing));
    EXPECT_EQ(P("none.zip"), std::string(v->ArchivePath()));
    EXPECT_TRUE(v->IsNewArchive());
    EXPECT_EQ(0, v->Table().RowCount());
    EXPECT_STREQ("", program_.password.text);
}

// A member whose name has no ANSI form (the list shows "_" for it) is written under its true name
// and opened from there.
TEST_F(Viewer, MemberWithoutAnAnsiNameOpensItsTrueNamedCopy) {
    CreateDirectoryA(P("src").c_str(), nullptr);
    const std::wstring wide = std::wstring(L"") + L"\x0434\x0430\x043d\x043d\x044b\x0435.dat";
    std::wstring folder(P("src").size(), L'\0');
    MultiByteToWideChar(CP_ACP, 0, P("src").c_str(), int(folder.size()), &folder[0], int(folder.size()));
    HANDLE h = CreateFileW((folder + L"\\" + wide).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD done = 0;
    WriteFile(h, "true name", 9, &done, nullptr);
    CloseHandle(h);
    const std::string archive = P("unicode.zip");
    // (The name cannot pass an ANSI command line: 7z finds it by a mask.)
    ASSERT_TRUE(ivt::SevenZip(P("src"), archive, "", {"*.dat"}));
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    ASSERT_EQ(1, v->Table().RowCount());
    EXPECT_STREQ("______.dat", v->Table().MemberOfRow(0)->name);
    v->Table().SelectRow(0, true);
    LVITEMA item = {};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageA(v->List(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    // ".dat" has no program here: the copy is made, then "could not be opened" is said.
    std::string said;
    Script answer([&] {
        HWND box = Box("Error");
        said = tvd::MessageBoxText(box);
        tvd::AnswerMessageBox(box, IDOK);
    });
    v->OnCommand(IV_CM_OPEN);
    answer.Finish();
    EXPECT_EQ(std::string(TvString(IDS_IV_NOT_OPENED)), said);
    const ListNode* last = nullptr;
    for (const ListNode* n = program_.tempFiles.First(); n; n = n->next)
        if (TTempFileListObject::Item(n)->kind == TV_TEMP_FILE) last = n;
    ASSERT_TRUE(last);
    EXPECT_EQ("true name", Read(TTempFileListObject::Item(last)->path));
    CleanTempFileList(&program_.tempFiles, TV_CLEAN_FILES, true);
    CleanTempFileList(&program_.tempFiles, TV_CLEAN_FOLDERS, true);
    EXPECT_EQ(0u, program_.tempFiles.Count(0));
    DestroyWindow(v->Window());
}

}  // namespace

namespace {

// A data object that offers file names in the file-drop format, as the shell's would.
class TFileDropData : public IDataObject {
public:
    explicit TFileDropData(const std::vector<std::string>& names) : names_(names) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the stack
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        size_t bytes = sizeof(DROPFILES) + 1;
        for (const std::string& n : names_) bytes += n.size() + 1;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        char* p = static_cast<char*>(GlobalLock(memory));
        reinterpret_cast<DROPFILES*>(p)->pFiles = sizeof(DROPFILES);
        char* at = p + sizeof(DROPFILES);
        for (const std::string& n : names_) {
            memcpy(at, n.c_str(), n.size() + 1);
            at += n.size() + 1;
        }
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::vector<std::string> names_;
    ULONG references_ = 1;
};

TEST_F(Viewer, DropTargetTakesFileListsOnly) {
    Write(P("drop\\one.txt"), "1");
    const std::string archive = MakeSample("target.zip", {{"base.txt", "b"}});
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    IDropTarget* target = CreateViewerDropTarget(v->Window());
    TFileDropData files({P("drop\\one.txt")});
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    POINTL at = {10, 10};
    EXPECT_EQ(S_OK, target->DragEnter(&files, MK_LBUTTON, at, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), effect);
    // The dialog comes after the drop has returned.
    std::string shown;
    Script answer([&] {
        HWND dialog = Dialog("Drag & Drop");
        if (!dialog) return;
        shown = tvd::ControlText(dialog, IDC_IVDD_DROPPED);
        // The add options of the dialog go into the settings.
        SendMessageA(tvd::Control(dialog, IDC_IVDD_LEVEL), TBM_SETPOS, TRUE, 0);
        tvd::SelectComboItem(dialog, IDC_IVDD_ACTION, 1);
        tvd::PressButton(dialog, IDOK);
    });
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target->Drop(&files, MK_LBUTTON, at, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), effect);
    answer.Finish();
    EXPECT_EQ(P("drop\\one.txt"), shown);
    EXPECT_EQ(0, program_.add.level);
    EXPECT_EQ(1, program_.add.action);
    std::vector<std::string> names = Names(v);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"base.txt", "one.txt"}), names);
    // Something that is no list of files is refused.
    struct TTextOnly : TFileDropData {
        TTextOnly() : TFileDropData({}) {}
        HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
    } text;
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target->DragEnter(&text, MK_LBUTTON, at, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target->Drop(&text, MK_LBUTTON, at, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
    tvd::Pump(0);  // whatever the drop posted
    EXPECT_TRUE(ivt::ViewerTest::ViewerWindows().size() == 1);
    target->Release();
}

TEST_F(Viewer, MemberAndArchivePropertiesAndThePreferencesPage) {
    // MS-DOS names and attributes (zip -k): the guide is read-only.
    Write(P("src\\docs\\guide.txt"), std::string(4000, 'g'));
    ASSERT_TRUE(ivt::RunUnix("chmod 444 '" + ivt::UnixPath(P("src\\docs\\guide.txt")) + "'"));
    const std::string archive = MakeSample("props.zip", {{"b.bin", "bb"}}, "-q -k");
    ASSERT_TRUE(ivt::InfoZip(P("src"), archive, "-q -k", {"docs/guide.txt"}));
    TTVInternalViewerWindow* v = OpenViewer(archive);
    ASSERT_TRUE(v);
    SelectByName(v, {"guide.txt"});
    std::vector<std::string> member, whole;
    Script answer([&] {
        HWND sheet = Box("Properties");
        if (!sheet) return;
        HWND page = tvd::CurrentPropertyPage(sheet);
        for (int id : {IDC_IVFP_NAME, IDC_IVFP_FOLDER, IDC_IVFP_SIZE, IDC_IVFP_ATTRIBUTES})
            member.push_back(tvd::ControlText(page, id));
        EXPECT_NE("", tvd::ControlText(page, IDC_IVFP_RATIO));
        EXPECT_NE("", tvd::ControlText(page, IDC_IVFP_TIME));
        // The archive's page is the second tab.
        SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
        page = tvd::CurrentPropertyPage(sheet);
        for (int id : {IDC_IVAP_NAME, IDC_IVAP_MEMBERS, IDC_IVAP_ENCRYPTED, IDC_IVAP_SIZE})
            whole.push_back(tvd::ControlText(page, id));
        tvd::PressPropertySheetButton(sheet, PSBTN_CANCEL);
    });
    v->OnCommand(IV_CM_PROPERTIES);
    answer.Finish();
    EXPECT_EQ((std::vector<std::string>{"guide.txt", "DOCS", "4,000 Bytes", "r"}), member);
    EXPECT_EQ((std::vector<std::string>{"props.zip", "2", "0", "4,002 Bytes"}), whole);

    // "SETUPIV" edits the viewer settings: both boxes start on, OK takes the changed state.
    EXPECT_EQ(1u, program_.viewer.defaultViewer);
    program_.viewer.recentDocuments = 1;
    bool startedOn = false;
    Script preferences([&] {
        HWND sheet = Box("Preferences");
        if (!sheet) return;
        HWND page = tvd::CurrentPropertyPage(sheet);
        startedOn = tvd::IsButtonChecked(page, IDC_SETUPIV_DEFAULT) && tvd::IsButtonChecked(page, IDC_SETUPIV_RECENT);
        tvd::SetButtonChecked(page, IDC_SETUPIV_DEFAULT, false);
        tvd::PressPropertySheetButton(sheet, PSBTN_OK);
    });
    v->OnCommand(IV_CM_PREFERENCES);
    preferences.Finish();
    EXPECT_TRUE(startedOn);
    EXPECT_EQ(0u, program_.viewer.defaultViewer);
    EXPECT_EQ(1u, program_.viewer.recentDocuments);
}

}  // namespace
