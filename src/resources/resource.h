// Identifiers of the resource library's dialog templates, controls,
// strings and icons: the one place each number is set, read by the
// resource script and by the code that loads or addresses the resource.
// Plain macros, since the resource compiler reads no C++.
#pragma once

// Dialog templates of the sheet's pages.
#define IDD_GENERAL 3
#define IDD_CONNECTION 4
#define IDD_ADVANCED 5
#define IDD_ABOUT 10

// Controls of the General page.
#define IDC_DATA_SOURCE_NAME 401
#define IDC_DESCRIPTION 402
#define IDC_NAME_LABEL 403 // disabled together with the name box

// Controls of the Connection and Advanced pages.
#define IDC_DATABASE 300
#define IDC_HOST_NAME 301
#define IDC_LOGON_ID 302
#define IDC_SERVICE 304
#define IDC_PROTOCOL 305
#define IDC_DATABASES 307
#define IDC_CURSOR_BEHAVIOR 309
#define IDC_TRANSLATOR 310 // on both pages
#define IDC_SCROLL 311
#define IDC_GET_DB_LIST 312
#define IDC_CANCEL_DETECT 313
#define IDC_SERVER_NAME 316
#define IDC_APPLICATION_THREADS 317
#define IDC_INSERT_CURSORS 318
#define IDC_USE_DEFAULT_LOGIN 319
#define IDC_TRIM_BLANKS 322

// The About page: its icon column (each control shows the icon of its own
// number), the driver file's details and the company lines.
#define IDI_ABOUT1 601
#define IDI_ABOUT2 602
#define IDI_ABOUT3 603
#define IDI_ABOUT4 604
#define IDC_DRIVER_PATH 605
#define IDC_SETUP_VERSION 606
#define IDC_FILE_DATE 607
#define IDC_FILE_SIZE 608
#define IDC_COPYRIGHT 609
#define IDC_ADDRESS1 610
#define IDC_ADDRESS2 611
#define IDC_RIGHTS 616

// Strings of the sheet, Test Connect and the help.
#define IDS_TITLE_ABOUT 20160
#define IDS_TITLE_ADVANCED 20161
#define IDS_TITLE_CONNECTION 20162
#define IDS_TITLE_GENERAL 20163
#define IDS_SHEET_CAPTION 20165
#define IDS_TEST_CONNECT_BUTTON 20170
#define IDS_TEST_CONNECT_CAPTION 20171
#define IDS_TEST_CONNECT_SUCCEEDED 20172
#define IDS_NO_HELP_CAPTION 1525
#define IDS_NO_HELP_TEXT 1526

// Strings of the checks before a data source is saved from the sheet.
#define IDS_TEXT_NOT_STORABLE 20180
#define IDS_NAME_TOO_LONG 20181
#define IDS_REPLACE_DATA_SOURCE 20182
