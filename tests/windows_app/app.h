#define IDI_APP 1
#define IDR_DATA 2
#define IDS_TITLE 3
