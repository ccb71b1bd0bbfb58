// Identifiers shared by the example program and its resource script.
#define IDI_APP 1
#define IDB_LOGO 2
#define IDR_MAIN 100
#define IDR_SETTINGS 101
#define IDR_NOTES 102
#define IDD_ABOUT 200
#define IDD_SETTINGS 201

#define IDS_TITLE 1
#define IDS_READY 2

#define IDM_OPEN 1001
#define IDM_RECENT 1002
#define IDM_EXIT 1003
#define IDM_ABOUT 1004

#define IDC_NAME 2001
#define IDC_AUTOSTART 2002
#define IDC_SMALL 2003
#define IDC_LARGE 2004
#define IDC_THEME 2005
