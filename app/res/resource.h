// Identifiers of the program's resources. Shared by the resource script, the
// code, the sample language library and the tests.
#pragma once

// Help button of every dialog that has one.
#define IDC_HELP_BUTTON 9

// SETUPDLG: archive types 5101..5112 in the order of the archive-type table,
// then the interface choices.
#define IDC_TYPE_FIRST 5101
#define IDC_TYPE_LAST 5112
#define IDC_DESKTOP 5113
#define IDC_STARTMENU 5114
#define IDC_PROGRAMS 5115
#define IDC_SHELLEXT 5116
#define IDC_CASCADED 5117
#define IDC_MENUICONS 5118
#define IDC_SELECT_ALL 5119
#define IDC_DESCRIPTION 5120
#define IDC_CONTEXT_ITEMS 5121

// DONEDLG
#define IDC_FOLDER 5101
#define IDC_RUN 5102
#define IDC_READ_HELP 5103
#define IDC_LICENSE 5104
#define IDC_PRICES 5105
#define IDC_HOME_PAGE 5106
#define IDC_THANKS 5107

// CONTEXTITEMS: the eleven items 101..111
#define IDC_ITEM_FIRST 101
#define IDC_ITEM_LAST 111

// String table
#define IDS_DISPLAY_NAME 5101
#define IDS_HELP_LINK 5102
#define IDS_MANUAL_LINK 5103
#define IDS_UNINSTALL_CAPTION 5104
#define IDS_UNINSTALL_DONE 5105
#define IDS_DELETE_MANUALLY 5106
#define IDS_CONFIRM 5107
#define IDS_NO_LIST 5108
#define IDS_ARCHIVE_CLASS 5109
#define IDS_ZIP_CLASS 5110
#define IDS_REV_CLASS 5111
#define IDS_HOME_PAGE 5112
