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
#define IDC_FIXTURE_COMBO 1009      // drop-down list; a selection change shows "combo:<text>"
#define IDC_FIXTURE_WIZARD 1010     // opens a two-page wizard; the result goes to the edit

#define IDD_FIXTURE_DIALOG 2000
#define IDC_FIXTURE_DIALOG_EDIT 2001
#define IDC_FIXTURE_DIALOG_CHECK 2002
#define IDC_FIXTURE_DIALOG_LIST 2003

#define FIXTURE_PAGE1_CAPTION "First Page"
#define FIXTURE_PAGE2_CAPTION "Second Page"
#define IDD_FIXTURE_PAGE1 2100
#define IDC_FIXTURE_PAGE1_EDIT 2101
#define IDD_FIXTURE_PAGE2 2200
#define IDC_FIXTURE_PAGE2_TEXT 2201
