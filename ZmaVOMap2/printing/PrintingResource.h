// Resource ids of printing (its dialog, controls and strings).
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
