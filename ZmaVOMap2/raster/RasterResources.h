// Resource identifiers of the raster tools: the registration and tiling dialogs. Included by
// Raster.rc (through the module's VadAZ.rc) and by the tools' code.
#pragma once

#define IDD_RASTER_REGISTRATION 143
#define IDD_RASTER_TILE 149

// The registration dialog.
#define IDC_REGISTER_BROWSE 230
#define IDC_REGISTER_SOURCE 234
#define IDC_REGISTER_LEFT 236
#define IDC_REGISTER_TOP 240
#define IDC_REGISTER_RIGHT 175
#define IDC_REGISTER_BOTTOM 177
#define IDC_REGISTER_UNITS 245
#define IDC_REGISTER_PROJECTION 238

// The tiling dialog.
#define IDC_TILE_BROWSE_TABLE 230
#define IDC_TILE_BROWSE_FOLDER 231
#define IDC_TILE_TABLE 247
#define IDC_TILE_ACROSS 248
#define IDC_TILE_DOWN 250
#define IDC_TILE_FOLDER 251
#define IDC_TILE_BY_COUNT 252
#define IDC_TILE_ACROSS_LABEL 253
#define IDC_TILE_DOWN_LABEL 254
#define IDC_TILE_PROGRESS 255
