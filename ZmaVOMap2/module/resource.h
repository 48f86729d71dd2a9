// Resource identifiers of the map control library.
#pragma once

#define IDS_TITLE_ZMAPPGMAPBORDER 102
#define IDB_ZMAVADAZ 106
#define IDR_ZMAVADAZ 107
#define IDD_ZMAPPGMAPBORDER 120
#define IDC_BORDER_NONE 123
#define IDC_BORDER_SINGLE 126
#define IDR_ZMAPPGMAPBORDER 194
