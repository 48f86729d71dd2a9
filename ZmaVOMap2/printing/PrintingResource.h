// Resource ids of printing: the progress dialog, the "Print Map" sheet, the page set-up's additions,
// their controls, pictures and strings.
#pragma once

#define IDD_PRINT_PROGRESS 323
#define IDC_PRINT_PAGE 295
#define IDC_PRINT_PAGE_COUNT 297
#define IDC_PRINT_LABEL 299
#define IDC_PRINT_PROGRESS 301
#define IDC_PRINT_SLASH 303

#define IDS_PRINTING_PAGE 32868
#define IDS_PRINT_JOB_NAME 32869
#define IDS_NO_PRINTER 32870
// "Map Module", the caption of printing's messages: one string of the module, in the commands' table.
#define IDS_PRINT_MESSAGE_CAPTION 32875

// The page set-up: its caption, the "Options..." button it adds and the sample pages it shows.
#define IDS_PAGE_SETUP 116
#define ID_PRINT_OPTIONS 32835
#define IDS_PRINT_OPTIONS 32835
#define IDB_SAMPLE_LANDSCAPE 225
#define IDB_SAMPLE_PORTRAIT 226

// The "Print Map" sheet's pages.
#define IDD_QUICK_PRINT_MAP 109
#define IDD_QUICK_PRINT_TITLE 190
#define IDD_QUICK_PRINT_LEGEND 192

// The map page.
#define IDC_MAP_PRESETS 161
#define IDC_MAP_BORDER 167
#define IDC_MAP_WIDTH 172
#define IDC_MAP_HEIGHT 176
#define IDC_MAP_WINDOW 179
#define IDC_MAP_SCALE 181
#define IDC_MAP_WIDTH_UNIT 184
#define IDC_MAP_HEIGHT_UNIT 185
#define IDC_MAP_SCALE_UNIT 186
#define IDC_MAP_FIT 197
#define IDC_MAP_CUSTOM 202
#define IDC_MAP_SAME 266
#define IDC_MAP_CENTRED 267
#define IDC_MAP_SCALE_LABEL 268
#define IDC_MAP_RATIO_LABEL 294
#define IDC_MAP_CUSTOM_GROUP 300
#define IDC_MAP_WIDTH_LABEL 302
#define IDC_MAP_HEIGHT_LABEL 304
#define IDC_MAP_PRESET_LABEL 306
#define IDS_UNIT_MILES 32846
#define IDS_UNIT_KILOMETERS 32847
#define IDS_UNIT_FEET 32848
#define IDS_UNIT_YARDS 32849
#define IDS_UNIT_METERS 32850
#define IDS_SCALE_CUSTOM 32853

// The legend page: its page picture and the pictures of its position buttons.
#define IDC_LEGEND_SHOW 165
#define IDC_LEGEND_OVERLAP 180
#define IDC_LEGEND_FIXED 181
#define IDC_LEGEND_GROUP 286
#define IDC_LEGEND_NOTE 305
#define IDC_LEGEND_TOP_RIGHT 309
#define IDC_LEGEND_BOTTOM_RIGHT 310
#define IDC_LEGEND_TOP_LEFT 312
#define IDC_LEGEND_BOTTOM_LEFT 314
#define IDC_LEGEND_LEFT 316
#define IDC_LEGEND_RIGHT 317
#define IDC_LEGEND_BOTTOM 318
#define IDC_LEGEND_TOP 319
#define IDC_LEGEND_PICTURE 320
#define IDB_LEGEND_PAGE 233
#define IDB_LEGEND_PAGE_US 235
#define IDB_LEGEND_TOP_BOTTOM 237
#define IDB_LEGEND_SIDES 239
#define IDB_LEGEND_CORNERS 242
#define IDS_LEGEND_OVERLAP_NOTE 32876

// The title page.
#define IDC_TITLE_PRINT 166
#define IDC_TITLE_BORDER 173
#define IDC_TITLE_ABOVE 198
#define IDC_TITLE_BELOW 203
#define IDC_TITLE_LEFT 206
#define IDC_TITLE_FONT 269
#define IDC_TITLE_TEXT 270
#define IDC_TITLE_CENTRE 273
#define IDC_TITLE_RIGHT 274
#define IDC_TITLE_GROUP 311
#define IDC_TITLE_DISPLAY_GROUP 313
#define IDC_TITLE_ALIGNMENT_GROUP 315
#define IDS_TITLE_EMPTY 32871
