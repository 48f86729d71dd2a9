// Resource ids of the layer export dialogs.
#pragma once

#define IDD_EXPORTTAB 141
#define IDD_EXPORTKML 325
#define IDC_EXPORT_LAYERS 228
#define IDC_EXPORT_FOLDER 229
#define IDC_EXPORT_BROWSE 230
