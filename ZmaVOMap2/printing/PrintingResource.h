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
