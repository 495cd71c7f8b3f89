#include <gtest/gtest.h>

#include <string>

#include "database/settings.h"
#include "integration/apply.h"
#include "integration/content_types.h"
#include "tests/integration/fake_system.h"
#include "util/text.h"

namespace {

const char kProgram[] = "C:\\Program Files\\Tolvane Plus\\tv.exe";
const char kMovedProgram[] = "D:\\Apps\\Tolvane\\tv.exe";
const char kImport[] = "\"C:\\Program Files\\Tolvane Plus\\tv.exe\" \"%1\" /import";
const char kViewer[] = "\"C:\\Program Files\\Tolvane Plus\\tv.exe\" \"%1\" /iv";
const char kZipIcon[] = "C:\\Program Files\\Tolvane Plus\\tv.exe,1";
const char kUserZipCommand[] = "\"C:\\Tools\\unzip.exe\" \"%1\"";
const char kUserZipIcon[] = "C:\\Tools\\unzip.exe,0";
const std::string kZipCommandKey = "CompressedFolder\\shell\\open\\command";
const std::string kZipIconKey = "CompressedFolder\\DefaultIcon";

// folder + name, with one "\" between.
std::string In(std::string folder, const char* name) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder + name;
}

// Settings with every browser off, so that a test turns on what it looks at.
IntegrationSettings Plain() {
    IntegrationSettings s;
    s.startWithWindows = 0;
    s.contextMenuIntegration = 0;
    return s;
}

class Integration : public ::testing::Test {
protected:
    void SetUp() override {
        // The program's folder holds the two plug-ins.
        sys.AddFile("C:\\Program Files\\Tolvane Plus\\tv.exe");
        sys.AddFile("C:\\Program Files\\Tolvane Plus\\NPTV1.DLL");
        sys.AddFile("C:\\Program Files\\Tolvane Plus\\NPTV2.DLL");
    }
    void Apply(const IntegrationSettings& s, uint32_t viewer, const char* program = kProgram) {
        ApplyIntegration(s, viewer, program, &sys);
    }
    // A ZIP type the user had before the program came.
    void UserZipType() {
        sys.Put(TV_HKCR, ".zip", nullptr, "CompressedFolder");
        sys.Put(TV_HKCR, "CompressedFolder", nullptr, "ZIP Archive");
        sys.Put(TV_HKCR, kZipCommandKey, nullptr, kUserZipCommand);
        sys.Put(TV_HKCR, kZipIconKey, nullptr, kUserZipIcon);
    }
    FakeSystem sys;
};

TEST_F(Integration, FirstApplyWritesEveryEntry) {
    IntegrationSettings s;  // start with Windows and the context verb on
    Apply(s, 1);
    for (const TContentTypePair& e : kIntegrationExtensions) {
        EXPECT_EQ(e.contentType, sys.Get(TV_HKCR, e.extension, "Content Type")) << e.extension;
        char type[32];
        DefaultFileTypeName(type, sizeof type, e.extension);
        EXPECT_EQ(type, sys.Get(TV_HKCR, e.extension)) << e.extension;
        EXPECT_EQ("Tolvane", sys.Get(TV_HKCR, type));
        EXPECT_EQ("Import in Tolvane Plus", sys.Get(TV_HKCR, std::string(type) + "\\shell\\Tolvane"));
        EXPECT_EQ(kImport, sys.Get(TV_HKCR, std::string(type) + "\\shell\\Tolvane\\command"));
    }
    for (const TContentTypePair& t : kIntegrationContentTypes)
        EXPECT_EQ(t.extension, sys.Get(TV_HKCR, std::string("MIME\\Database\\Content Type\\") + t.contentType, "Extension"));
    EXPECT_EQ(".exe", sys.Get(TV_HKCR, "MIME\\Database\\Content Type\\application/octet stream", "Extension"));
    EXPECT_EQ(kProgram, sys.Get(TV_HKCU, kRegTolvaneKey, "Program Path"));
    EXPECT_EQ("\"C:\\Program Files\\Tolvane Plus\\tv.exe\" /tray", sys.Get(TV_HKCU, kRegRunKey, "Tolvane"));
    // The ZIP type made here opens in the viewer; what was there (nothing) is kept.
    EXPECT_EQ(kViewer, sys.Get(TV_HKCR, "zipfile\\shell\\open\\command"));
    EXPECT_EQ("", sys.Get(TV_HKCR, "zipfile\\shell\\open\\command", "~command"));
    EXPECT_EQ(kZipIcon, sys.Get(TV_HKCR, "zipfile\\DefaultIcon"));
    EXPECT_EQ("", sys.Get(TV_HKCR, "zipfile\\DefaultIcon", "~DefaultIcon"));
    // Interchange files: the icon with resource id 33, the quoted program.
    EXPECT_EQ("tvifile", sys.Get(TV_HKCR, ".tvi"));
    EXPECT_EQ("Tolvane Plus Interchange File", sys.Get(TV_HKCR, "tvifile"));
    EXPECT_EQ("C:\\Program Files\\Tolvane Plus\\tv.exe,-33", sys.Get(TV_HKCR, "tvifile\\DefaultIcon"));
    EXPECT_EQ("\"C:\\Program Files\\Tolvane Plus\\tv.exe\" \"%1\" /interchangefile",
              sys.Get(TV_HKCR, "tvifile\\shell\\open\\command"));
    // Netscape is not there: its keys are not made.
    EXPECT_FALSE(sys.HasKey(TV_HKCU, kRegNetscapeViewers));
    EXPECT_FALSE(sys.HasKey(TV_HKCU, kRegTrustedApplications));
}

TEST_F(Integration, ApplyingTwiceChangesNothingAndCopiesNothing) {
    UserZipType();
    sys.AddFile("C:\\Netscape\\Program\\netscape.exe");
    sys.AddFile("C:\\Opera\\opera.exe");
    sys.Put(TV_HKCU, kRegNetscapeViewers, "TYPE0", "text/plain");
    IntegrationSettings s;
    CopyLimited(s.netscapePath, "C:\\Netscape\\Program\\netscape.exe", TV_PATH_SIZE);
    CopyLimited(s.operaPath, "C:\\Opera\\opera.exe %1", TV_PATH_SIZE);
    s.netscapeDownloads = s.operaDownloads = 1;
    Apply(s, 1);
    const FakeSystem::Tree first = sys.registry();
    const auto files = sys.files();
    EXPECT_EQ(4, sys.copies());
    Apply(s, 1);
    EXPECT_EQ(4, sys.copies());
    EXPECT_TRUE(first == sys.registry());
    EXPECT_EQ(files, sys.files());
    EXPECT_EQ(kUserZipCommand, sys.Get(TV_HKCR, kZipCommandKey, "~command"));
    EXPECT_EQ(kUserZipIcon, sys.Get(TV_HKCR, kZipIconKey, "~DefaultIcon"));
}

TEST_F(Integration, ViewerTakesOverZipAndGivesBackWhatTheUserHad) {
    UserZipType();
    IntegrationSettings s = Plain();
    Apply(s, 1);
    EXPECT_EQ(kViewer, sys.Get(TV_HKCR, kZipCommandKey));
    EXPECT_EQ(kZipIcon, sys.Get(TV_HKCR, kZipIconKey));
    EXPECT_EQ(kUserZipCommand, sys.Get(TV_HKCR, kZipCommandKey, "~command"));
    EXPECT_EQ(kUserZipIcon, sys.Get(TV_HKCR, kZipIconKey, "~DefaultIcon"));
    EXPECT_EQ("ZIP Archive", sys.Get(TV_HKCR, "CompressedFolder"));  // the user's type stays

    // A second program (moved) takes over the command but never overwrites the backups.
    Apply(s, 1, kMovedProgram);
    EXPECT_EQ("\"D:\\Apps\\Tolvane\\tv.exe\" \"%1\" /iv", sys.Get(TV_HKCR, kZipCommandKey));
    EXPECT_EQ("D:\\Apps\\Tolvane\\tv.exe,1", sys.Get(TV_HKCR, kZipIconKey));
    EXPECT_EQ(kUserZipCommand, sys.Get(TV_HKCR, kZipCommandKey, "~command"));
    EXPECT_EQ(kUserZipIcon, sys.Get(TV_HKCR, kZipIconKey, "~DefaultIcon"));

    Apply(s, 0);
    EXPECT_EQ(kUserZipCommand, sys.Get(TV_HKCR, kZipCommandKey));
    EXPECT_EQ(kUserZipIcon, sys.Get(TV_HKCR, kZipIconKey));
    EXPECT_FALSE(sys.Has(TV_HKCR, kZipCommandKey, "~command"));
    EXPECT_FALSE(sys.Has(TV_HKCR, kZipIconKey, "~DefaultIcon"));
    // Off again: nothing more happens.
    const FakeSystem::Tree restored = sys.registry();
    Apply(s, 0);
    EXPECT_TRUE(restored == sys.registry());
}

TEST_F(Integration, ViewerLeavesCommandsItCannotKeepOrDoesNotOwn) {
    struct Case {
        const char* what;
        bool readable;
        const char* command;
        uint32_t viewer;
        const char* expected;
    };
    const Case cases[] = {
        // A value it could not save is not replaced.
        {"unreadable, viewer on", false, "binary", 1, "binary"},
        // Another program whose name ends in "tv.exe" is not the program.
        {"mytv.exe, viewer off", true, "\"C:\\Tools\\mytv.exe\" \"%1\"", 0, "\"C:\\Tools\\mytv.exe\" \"%1\""},
        {"user's, viewer off", true, kUserZipCommand, 0, kUserZipCommand},
    };
    for (const Case& c : cases) {
        FakeSystem fresh;
        fresh.Put(TV_HKCR, ".zip", nullptr, "CompressedFolder");
        fresh.Put(TV_HKCR, kZipCommandKey, nullptr, c.command, c.readable);
        ApplyIntegration(Plain(), c.viewer, kProgram, &fresh);
        EXPECT_EQ(c.expected, fresh.Get(TV_HKCR, kZipCommandKey)) << c.what;
        EXPECT_FALSE(fresh.Has(TV_HKCR, kZipCommandKey, "~command")) << c.what;
    }
}

TEST_F(Integration, ViewerOffKeepsAnIconTheUserChangedMeanwhile) {
    UserZipType();
    Apply(Plain(), 1);
    sys.Put(TV_HKCR, kZipIconKey, nullptr, "C:\\Icons\\zip.ico");
    Apply(Plain(), 0);
    EXPECT_EQ(kUserZipCommand, sys.Get(TV_HKCR, kZipCommandKey));
    EXPECT_EQ("C:\\Icons\\zip.ico", sys.Get(TV_HKCR, kZipIconKey));
    EXPECT_FALSE(sys.Has(TV_HKCR, kZipIconKey, "~DefaultIcon"));
}

TEST_F(Integration, ContextVerbOffRemovesTheVerbEverywhereButKeepsTheTypes) {
    sys.Put(TV_HKCR, ".exe", nullptr, "exefile");
    sys.Put(TV_HKCR, "exefile", nullptr, "Application");
    sys.Put(TV_HKCR, "exefile\\shell\\open\\command", nullptr, "\"%1\" %*");
    IntegrationSettings s = Plain();
    s.contextMenuIntegration = 1;
    Apply(s, 0);
    EXPECT_EQ("exefile", sys.Get(TV_HKCR, ".exe"));
    EXPECT_EQ("Application", sys.Get(TV_HKCR, "exefile"));
    EXPECT_EQ(kImport, sys.Get(TV_HKCR, "exefile\\shell\\Tolvane\\command"));
    EXPECT_EQ("lzhfile", sys.Get(TV_HKCR, ".lzh"));
    EXPECT_EQ("Tolvane", sys.Get(TV_HKCR, "lzhfile"));
    EXPECT_EQ("Import in Tolvane Plus", sys.Get(TV_HKCR, "lzhfile\\shell\\Tolvane"));

    s.contextMenuIntegration = 0;
    Apply(s, 0);
    for (const TContentTypePair& e : kIntegrationExtensions) {
        const std::string type = sys.Get(TV_HKCR, e.extension);
        EXPECT_FALSE(sys.HasKey(TV_HKCR, type + "\\shell\\Tolvane")) << e.extension;
        EXPECT_FALSE(sys.HasKey(TV_HKCR, type + "\\shell\\Tolvane\\command")) << e.extension;
        EXPECT_TRUE(sys.HasKey(TV_HKCR, type)) << e.extension;
    }
    EXPECT_EQ("\"%1\" %*", sys.Get(TV_HKCR, "exefile\\shell\\open\\command"));
    EXPECT_EQ("Tolvane", sys.Get(TV_HKCR, "lzhfile"));
}

TEST_F(Integration, MadeTypesKeepAnExistingDescriptionAndSkipOddTypeNames) {
    // ".arj" has no type, but a described "arjfile" exists already.
    sys.Put(TV_HKCR, "arjfile", nullptr, "ARJ Archive");
    // ".sit" names a type with a "\" (it would reach into another key): left alone.
    sys.Put(TV_HKCR, ".sit", nullptr, "a\\b");
    // ".tar" has an empty type: the made type takes its place.
    sys.Put(TV_HKCR, ".tar", nullptr, "  ");
    IntegrationSettings s = Plain();
    s.contextMenuIntegration = 1;
    Apply(s, 0);
    EXPECT_EQ("arjfile", sys.Get(TV_HKCR, ".arj"));
    EXPECT_EQ("ARJ Archive", sys.Get(TV_HKCR, "arjfile"));
    EXPECT_EQ(kImport, sys.Get(TV_HKCR, "arjfile\\shell\\Tolvane\\command"));
    EXPECT_EQ("a\\b", sys.Get(TV_HKCR, ".sit"));
    EXPECT_FALSE(sys.HasKey(TV_HKCR, "a\\b\\shell\\Tolvane"));
    EXPECT_EQ("tarfile", sys.Get(TV_HKCR, ".tar"));
}

TEST_F(Integration, WithoutTheVerbNoTypesAreMadeButZipStillOpensInTheViewer) {
    Apply(Plain(), 0);
    EXPECT_EQ("<no value>", sys.Get(TV_HKCR, ".arj"));
    EXPECT_EQ("<no value>", sys.Get(TV_HKCR, ".zip"));
    EXPECT_FALSE(sys.HasKey(TV_HKCR, "zipfile"));
    Apply(Plain(), 1);
    EXPECT_EQ("zipfile", sys.Get(TV_HKCR, ".zip"));
    EXPECT_EQ(kViewer, sys.Get(TV_HKCR, "zipfile\\shell\\open\\command"));
    EXPECT_FALSE(sys.HasKey(TV_HKCR, "zipfile\\shell\\Tolvane"));
    EXPECT_EQ("<no value>", sys.Get(TV_HKCR, ".arj"));
}

TEST_F(Integration, StartWithWindowsWritesAndDeletesTheRunValue) {
    sys.Put(TV_HKCU, kRegRunKey, "Other", "other.exe");
    IntegrationSettings s = Plain();
    s.startWithWindows = 1;
    Apply(s, 0);
    EXPECT_EQ("\"C:\\Program Files\\Tolvane Plus\\tv.exe\" /tray", sys.Get(TV_HKCU, kRegRunKey, "Tolvane"));
    s.startWithWindows = 0;
    Apply(s, 0);
    EXPECT_FALSE(sys.Has(TV_HKCU, kRegRunKey, "Tolvane"));
    EXPECT_EQ("other.exe", sys.Get(TV_HKCU, kRegRunKey, "Other"));
}

TEST_F(Integration, PluginsFollowTheBrowser) {
    const std::string oldFolder = "C:\\Netscape\\Program\\plugins\\";
    const std::string newFolder = "D:\\Communicator\\Program\\plugins\\";
    sys.AddFile("C:\\Netscape\\Program\\netscape.exe");
    sys.AddFile("D:\\Communicator\\Program\\netscape.exe");
    IntegrationSettings s = Plain();
    s.netscapeDownloads = 1;
    CopyLimited(s.netscapePath, "C:\\Netscape\\Program\\netscape.exe", TV_PATH_SIZE);
    Apply(s, 0);
    EXPECT_TRUE(sys.HasFile(oldFolder + "NPTV1.DLL"));
    EXPECT_TRUE(sys.HasFile(oldFolder + "NPTV2.DLL"));
    EXPECT_EQ(oldFolder, sys.Get(TV_HKCU, kRegTolvaneKey, "Netscape Plugin Path"));

    // Moved: installed in the new "plugins" folder, deleted from the recorded one.
    CopyLimited(s.netscapePath, "D:\\Communicator\\Program\\netscape.exe", TV_PATH_SIZE);
    Apply(s, 0);
    EXPECT_TRUE(sys.HasFile(newFolder + "NPTV1.DLL"));
    EXPECT_TRUE(sys.HasFile(newFolder + "NPTV2.DLL"));
    EXPECT_FALSE(sys.HasFile(oldFolder + "NPTV1.DLL"));
    EXPECT_FALSE(sys.HasFile(oldFolder + "NPTV2.DLL"));
    EXPECT_EQ(newFolder, sys.Get(TV_HKCU, kRegTolvaneKey, "Netscape Plugin Path"));

    // Off: both files and the value go.
    s.netscapeDownloads = 0;
    Apply(s, 0);
    EXPECT_FALSE(sys.HasFile(newFolder + "NPTV1.DLL"));
    EXPECT_FALSE(sys.HasFile(newFolder + "NPTV2.DLL"));
    EXPECT_FALSE(sys.Has(TV_HKCU, kRegTolvaneKey, "Netscape Plugin Path"));
    EXPECT_TRUE(sys.HasFile("D:\\Communicator\\Program\\netscape.exe"));
}

TEST_F(Integration, PluginInstallationCases) {
    struct Case {
        const char* what;
        const char* operaSetting;  // the program file is C:\Opera\opera.exe
        bool programThere;
        const char* recorded;       // "Opera Plugin Path" before (null: none)
        bool expectInstalled;
        const char* expectValue;
        bool expectRecordedCleaned;
    };
    const Case cases[] = {
        {"installed", "C:\\Opera\\opera.exe", true, nullptr, true, "C:\\Opera\\plugins\\", false},
        {"quoted command", "\"C:\\Opera\\opera.exe\" %1", true, nullptr, true, "C:\\Opera\\plugins\\", false},
        {"same folder, other case", "C:\\Opera\\opera.exe", true, "c:\\opera\\PLUGINS", true, "C:\\Opera\\plugins\\", false},
        {"program gone", "C:\\Opera\\opera.exe", false, "C:\\Old\\plugins\\", false, "", true},
        {"relative record is never cleaned", "C:\\Opera\\opera.exe", true, "plugins\\", true, "C:\\Opera\\plugins\\", false},
    };
    for (const Case& c : cases) {
        FakeSystem fresh;
        fresh.AddFile("C:\\Program Files\\Tolvane Plus\\NPTV1.DLL");
        fresh.AddFile("C:\\Program Files\\Tolvane Plus\\NPTV2.DLL");
        if (c.programThere) fresh.AddFile("C:\\Opera\\opera.exe");
        if (c.recorded) {
            fresh.Put(TV_HKCU, kRegTolvaneKey, "Opera Plugin Path", c.recorded);
            fresh.AddFile(In(c.recorded, "NPTV1.DLL"));
        }
        IntegrationSettings s = Plain();
        s.operaDownloads = 1;
        CopyLimited(s.operaPath, c.operaSetting, TV_PATH_SIZE);
        ApplyIntegration(s, 0, kProgram, &fresh);
        EXPECT_EQ(c.expectInstalled, fresh.HasFile("C:\\Opera\\plugins\\NPTV1.DLL")) << c.what;
        EXPECT_EQ(c.expectInstalled, fresh.HasFile("C:\\Opera\\plugins\\NPTV2.DLL")) << c.what;
        EXPECT_EQ(c.expectValue, fresh.Get(TV_HKCU, kRegTolvaneKey, "Opera Plugin Path")) << c.what;
        if (c.recorded) {
            EXPECT_EQ(!c.expectRecordedCleaned, fresh.HasFile(In(c.recorded, "NPTV1.DLL"))) << c.what;
        }
    }
}

TEST_F(Integration, AnExistingPluginFileIsNeverOverwritten) {
    sys.AddFile("C:\\IE\\iexplore.exe");
    sys.AddFile("C:\\IE\\plugins\\NPTV1.DLL");  // an older copy
    IntegrationSettings s = Plain();
    s.ieDownloads = 1;
    CopyLimited(s.iePath, "C:\\IE\\iexplore.exe", TV_PATH_SIZE);
    Apply(s, 0);
    EXPECT_EQ(1, sys.copies());  // only NPTV2.DLL
    EXPECT_TRUE(sys.HasFile("C:\\IE\\plugins\\NPTV2.DLL"));
}

TEST_F(Integration, NetscapeTrustsTheProgramAndNumbersItsTypes) {
    // The viewer list with a gap at 1 and one type of ours already listed.
    sys.Put(TV_HKCU, kRegNetscapeViewers, "TYPE0", "text/html");
    sys.Put(TV_HKCU, kRegNetscapeViewers, "TYPE2", "application/zip");
    sys.Put(TV_HKCU, kRegNetscapeViewers, "TYPE3", "image/gif");
    IntegrationSettings s = Plain();
    s.netscapeDownloads = 1;
    Apply(s, 0);
    EXPECT_EQ("Yes", sys.Get(TV_HKCU, kRegTrustedApplications, kProgram));
    for (const TContentTypePair& t : kIntegrationContentTypes)
        EXPECT_EQ(kImport, sys.Get(TV_HKCU, kRegNetscapeViewers, t.contentType)) << t.contentType;
    // The gap is filled first, then numbers go up; "application/zip" keeps its TYPE2.
    EXPECT_EQ("application/arj", sys.Get(TV_HKCU, kRegNetscapeViewers, "TYPE1"));
    EXPECT_EQ("application/exe", sys.Get(TV_HKCU, kRegNetscapeViewers, "TYPE4"));
    EXPECT_EQ("application/zip", sys.Get(TV_HKCU, kRegNetscapeViewers, "TYPE2"));
    int typeValues = 0;
    for (const TViewerValue& v : sys.ListValues(TV_HKCU, kRegNetscapeViewers)) typeValues += IsViewerTypeName(v.name.c_str());
    EXPECT_EQ(3 + 34, typeValues);

    // Off: only the program's own entries go back to asking; the user's stay, and so do the
    // TYPE values.
    sys.Put(TV_HKCU, kRegNetscapeViewers, "application/x-tar", "C:\\Tools\\untar.exe %1");
    s.netscapeDownloads = 0;
    Apply(s, 0);
    EXPECT_FALSE(sys.Has(TV_HKCU, kRegTrustedApplications, kProgram));
    EXPECT_EQ("browser-handle-promptuser", sys.Get(TV_HKCU, kRegNetscapeViewers, "application/zip"));
    EXPECT_EQ("C:\\Tools\\untar.exe %1", sys.Get(TV_HKCU, kRegNetscapeViewers, "application/x-tar"));
    EXPECT_EQ("application/arj", sys.Get(TV_HKCU, kRegNetscapeViewers, "TYPE1"));
}

TEST_F(Integration, NothingHappensWithoutAProgramPathAndFailuresDoNotStopLaterSteps) {
    ApplyIntegration(IntegrationSettings(), 1, "", &sys);
    ApplyIntegration(IntegrationSettings(), 1, nullptr, &sys);
    EXPECT_TRUE(sys.registry().empty());

    // A registry that refuses every change: every step fails quietly.
    FakeSystem locked;
    locked.RefuseWrites();
    ApplyIntegration(IntegrationSettings(), 1, kProgram, &locked);
    EXPECT_TRUE(locked.registry().empty());

    // A ZIP command that cannot be read stays as it is, and the other steps are still done.
    sys.Put(TV_HKCR, ".zip", nullptr, "zipfile");
    sys.Put(TV_HKCR, "zipfile\\shell\\open\\command", nullptr, "x", false);
    IntegrationSettings s;
    Apply(s, 1);
    EXPECT_EQ("x", sys.Get(TV_HKCR, "zipfile\\shell\\open\\command"));
    EXPECT_EQ(kImport, sys.Get(TV_HKCR, "zipfile\\shell\\Tolvane\\command"));
    EXPECT_EQ("tvifile", sys.Get(TV_HKCR, ".tvi"));
}

}  // namespace
