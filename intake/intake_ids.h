// Control ids of the intake dialogs (shared by the resource script and the code).
#pragma once

// "ADDEDITFILE"
#define IDC_ADDEDIT_CATEGORY 101     // category combo box (editable)
#define IDC_ADDEDIT_DESCRIPTION 102  // description
#define IDC_ADDEDIT_WEBSITE 103      // website URL
#define IDC_ADDEDIT_COPY 104         // "&Copy File"
#define IDC_ADDEDIT_MOVE 105         // "&Move File"
#define IDC_ADDEDIT_FILENAME 106     // file name, read-only
#define IDC_ADDEDIT_WEBSITE_LINK 107 // link label of the website field
#define IDC_INTAKE_HELP 900          // Help of every intake dialog

// "FILESLOST", "FILESLONELY"
#define IDC_INTAKE_INFO_TEXT 110     // the report's text, with a gap of blanks for the icon
#define IDC_INTAKE_INFO_ICON 111     // the state icon placed in that gap
