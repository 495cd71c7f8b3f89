// The New Download / File command of the real tv.exe: the wizard, the open-file dialog "Import"
// and the intake of the files chosen there (traced), and a new download whose browser cannot be
// started.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <string>
#include <vector>

#include "database/programdata.h"
#include "database/win_database.h"
#include "intake/newfile_ids.h"
#include "shell/commands.h"
#include "tests/e2e/e2e_support.h"
#include "util/text.h"

namespace {

// The file name field of the open-file dialog (Wine's and Windows' explorer-style dialogs).
constexpr int kFileNameEdit = 0x480;
constexpr int kFileNameCombo = 0x47C;

std::string Lower(std::string text) {
    for (char& c : text) c = char(tolower(static_cast<unsigned char>(c)));
    return text;
}

bool SetFileName(HWND dialog, const std::string& text) {
    return tvd::SetControlText(dialog, kFileNameEdit, text) || tvd::SetControlText(dialog, kFileNameCombo, text);
}

// Runs the command and takes the wizard's first page to the open-file dialog: "Just importing"
// and Finish. Returns the dialog.
HWND OpenImportDialog(HWND frame, DWORD pid) {
    if (!tvd::PostCommand(frame, CM_NEW_DOWNLOAD)) return nullptr;
    HWND sheet = tvd::WaitForWindow("#32770", "New Download / File", tvd::WaitCeilingMs(), pid);
    if (!sheet) return nullptr;
    HWND page = nullptr;
    tvd::WaitUntil([&] { return (page = tvd::CurrentPropertyPage(sheet)) != nullptr; }, tvd::WaitCeilingMs());
    if (!page || !tvd::ClickButton(page, IDC_NEWFILE_IMPORT)) return nullptr;
    // The radio button turns Next into Finish; Finish goes straight to the dialog.
    tvd::WaitUntil([&] { return tvd::IsButtonChecked(page, IDC_NEWFILE_IMPORT); }, tvd::WaitCeilingMs());
    if (!tvd::PressPropertySheetButton(sheet, PSBTN_FINISH)) return nullptr;
    return tvd::WaitForWindow("#32770", "Import", tvd::WaitCeilingMs(), pid);
}

// Chooses files: one by its full path (the dialog then remembers its folder and opens there next
// time), several quoted by their names in the folder the dialog opens in. A folder typed into the
// name field is not always entered by the dialog.
bool ChooseFiles(HWND dialog, const std::string& folder, const std::vector<std::string>& names) {
    // The dialog is found as soon as its window exists; its set-up then still fills the name field.
    // A sent message is answered only once the set-up is over.
    if (!tvd::SyncWith(dialog)) return false;
    std::string text = names.size() == 1 ? folder + "\\" + names[0] : std::string();
    for (size_t i = 0; names.size() > 1 && i < names.size(); ++i) text += (i ? " \"" : "\"") + names[i] + "\"";
    return SetFileName(dialog, text) && tvd::PressButton(dialog, IDOK) && tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs());
}

TEST(NewDownloadOrFile, FilesChosenInTheDialogAreImportedOneWithTheDialogSeveralSilently) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    const std::string in = tv.folder().File("in");
    ASSERT_TRUE(tvd::MakeFolders(in));
    for (const char* name : {"a.zip", "b.zip", "c.zip", "d.zip"}) ASSERT_TRUE(tvd::WriteWholeFile(in + "\\" + name, name));
    e2e::TestTrace trace(tv.folder().File("trace.txt"));
    ASSERT_TRUE(tv.Start());
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    const DWORD pid = tv.process().pid();

    const auto intakes = [&](const char* options) {
        return trace.Count([&](const std::string& l) { return l.rfind(std::string("intake ") + options, 0) == 0; });
    };
    // One file, by its full path: the intake's add/edit dialog asks.
    HWND dialog = OpenImportDialog(frame, pid);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(ChooseFiles(dialog, in, {"d.zip"}));
    ASSERT_TRUE(tvd::WaitUntil([&] { return intakes("0x20F") == 1; }, tvd::WaitCeilingMs()));
    HWND add = tvd::WaitForWindow("#32770", "Add File", tvd::WaitCeilingMs(), pid);
    ASSERT_TRUE(add);
    ASSERT_TRUE(tvd::PressPropertySheetButton(add, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(add, tvd::WaitCeilingMs()));

    // Several files, named in the folder the dialog now opens in: imported silently.
    dialog = OpenImportDialog(frame, pid);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(ChooseFiles(dialog, in, {"a.zip", "b.zip", "c.zip"}));
    ASSERT_TRUE(tvd::WaitUntil([&] { return intakes("0x245") == 3; }, tvd::WaitCeilingMs()));
    for (const char* name : {"a.zip", "b.zip", "c.zip"})
        EXPECT_EQ(trace.Count([&](const std::string& l) {
                      return l.rfind("intake 0x245 [", 0) == 0 && Lower(l).find(Lower(in + "\\" + name)) != std::string::npos;
                  }),
                  1)
            << name;

    // Cancelling the dialog imports nothing.
    dialog = OpenImportDialog(frame, pid);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(tvd::PressButton(dialog, IDCANCEL));
    ASSERT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));

    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(intakes("0x245"), 3);
    EXPECT_EQ(intakes("0x20F"), 1);
    TProgramData saved;
    ASSERT_FALSE(LoadDatabase(&saved, nullptr, tv.folder().File("tv.cfg").c_str()));
    EXPECT_EQ(saved.downloads.Count(1), 4u);
}

TEST(NewDownloadOrFile, UrlGoesToTheBrowserAndAFailedStartIsReported) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    {
        // Netscape chosen, but its program is not there: the launch fails.
        TProgramData data;
        CopyLimited(data.programFolder, (tv.folder().path() + "\\").c_str(), sizeof(data.programFolder));
        LoadDatabase(&data, nullptr, tv.folder().File("none.cfg").c_str());
        CopyLimited(data.integration.netscapePath, tv.folder().File("gone\\netscape.exe").c_str(), TV_PATH_SIZE);
        data.integration.browserChoice = 1;
        ASSERT_TRUE(SaveDatabase(&data, nullptr, tv.folder().File("tv.cfg").c_str()));
    }
    ASSERT_TRUE(tv.Start());
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    const DWORD pid = tv.process().pid();
    ASSERT_TRUE(tvd::PostCommand(frame, CM_NEW_DOWNLOAD));
    HWND sheet = tvd::WaitForWindow("#32770", "New Download / File", tvd::WaitCeilingMs(), pid);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_NEXT));
    HWND page = nullptr;
    ASSERT_TRUE(tvd::WaitUntil(
        [&] {
            page = tvd::CurrentPropertyPage(sheet);
            return page && tvd::Control(page, IDC_NEWFILE_URL) && !tvd::Control(page, IDC_NEWFILE_IMPORT);
        },
        tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::SetControlText(page, IDC_NEWFILE_URL, "http://www.example.com/files/tool.zip"));
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_FINISH));
    HWND box = tvd::WaitForMessageBox(e2e::kProgramTitle, tvd::WaitCeilingMs(), pid);
    ASSERT_TRUE(box);
    EXPECT_EQ(tvd::MessageBoxText(box), "The URL could not be opened.");
    ASSERT_TRUE(tvd::AnswerMessageBox(box, IDOK));
    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);
}

}  // namespace
