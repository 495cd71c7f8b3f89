// Ids and texts of tvdriver_fixture.exe, a small program with known controls that the driver's
// own tests drive from another process.
#pragma once

#define FIXTURE_CLASS "TvDriverFixtureWindow"
#define FIXTURE_CAPTION "Driver Fixture"
#define FIXTURE_DIALOG_CAPTION "Fixture Dialog"

#define IDC_FIXTURE_TREE 1001
#define IDC_FIXTURE_LIST 1002
#define IDC_FIXTURE_EDIT 1003
#define IDC_FIXTURE_ASK 1004        // asks a Yes/No question; the answer goes to the edit
#define IDC_FIXTURE_FOLDER 1005     // shows the current folder at start
#define IDC_FIXTURE_ARGS 1006       // shows the command line arguments
#define IDC_FIXTURE_SELECTION 1007  // shows the last selection notification
#define IDC_FIXTURE_DIALOG 1008     // opens the modal "VeltraDialog" dialog

#define IDD_FIXTURE_DIALOG 2000
#define IDC_FIXTURE_DIALOG_EDIT 2001
#define IDC_FIXTURE_DIALOG_CHECK 2002
