// Ids of the program's resources. Ranges: 1-99 icons, 100-199 menus and menu commands,
// 300-399 main window controls, 900 the Help button of every dialog, 3000-4999 strings.
#pragma once

#define IDI_TV 1
