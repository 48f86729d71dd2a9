// Resource identifiers of the layer dialogs: the Layer Control dialog and the label, display and
// offset dialogs it opens, and the small dialogs of the commands and the raster tools. Included by
// Dialogs.rc (through the module's VadAZ.rc) and the code.
#pragma once

// Dialogs, picture and strings.
#define IDD_LAYER_CONTROL 122
#define IDD_LAYER_PROPERTIES 128
#define IDD_LABEL_PROPERTIES 130
#define IDD_LAYER_OFFSET 171
#define IDB_LAYER_CONTROL 368
#define IDS_CANNOT_REMOVE_LAYER 105
#define IDS_MAP_CAPTION 111
#define IDD_LINES_SERVER 212
#define IDD_LINES_NEIGHBOUR 216
#define IDS_LINES_NONE 110
#define IDS_LINES_APPLY_TO_ALL 112
#define IDS_LINES_APPLY_TO_ALL_CAPTION 113

// Layer Control.
#define IDC_LAYER_ADD 124
#define IDC_LAYER_REMOVE 127
#define IDC_LAYER_UP 129
#define IDC_LAYER_DOWN 131
#define IDC_LAYER_DISPLAY 133
#define IDC_LAYER_LINES 134
#define IDC_LAYER_LIST 140
#define IDC_LAYER_LABELS 214
#define IDC_LAYER_EXPORT_TAB 232
#define IDC_LAYER_EXPORT_KML 233
#define IDC_LAYER_OFFSET 256
// A command of the dialog without a control of its own: the raster tiler.
#define IDC_LAYER_RASTER_TILER 249
#define IDC_LAYER_HELP 258
#define IDC_LAYER_PICTURE 345

// Display properties.
#define IDC_PROP_OVERRIDE_STYLE 142
#define IDC_PROP_LAYER_STYLE 144
#define IDC_PROP_ZOOM_LAYERING 146
#define IDC_PROP_ZOOM_MIN 148
#define IDC_PROP_ZOOM_MAX 150
#define IDC_PROP_UNIT_MIN 152
#define IDC_PROP_UNIT_MAX 155

// Label properties.
#define IDC_LABEL_FIELD 162
#define IDC_LABEL_ZOOM 164
#define IDC_LABEL_ZOOM_MIN 168
#define IDC_LABEL_ZOOM_MAX 169
#define IDC_LABEL_OVERLAP 170
#define IDC_LABEL_DUPLICATE 178
#define IDC_LABEL_TOOLTIP_FLAG 182
#define IDC_LABEL_MAX_COUNT 183
#define IDC_LABEL_OFFSET_X 187
#define IDC_LABEL_OFFSET_Y 188
#define IDC_LABEL_ALONG 199
#define IDC_LABEL_ACROSS 204
#define IDC_LABEL_HORIZONTAL 207
#define IDC_LABEL_STYLE 209
#define IDC_LABEL_VERTICAL 211
#define IDC_LABEL_CENTER 215
#define IDC_LABEL_LEFT 218
#define IDC_LABEL_RIGHT 221
#define IDC_LABEL_SHOW 257
#define IDC_LABEL_UNIT_MIN 275
#define IDC_LABEL_UNIT_MAX 276
#define IDC_LABEL_FROM_FIELD 277
#define IDC_LABEL_FROM_FORMATTED 278
#define IDC_LABEL_FROM_EXPRESSION 291
#define IDC_LABEL_EXPRESSION 292
#define IDC_LABEL_TOOLTIP 293

// Offset.
#define IDC_OFFSET_X 259
#define IDC_OFFSET_Y 260
#define IDC_OFFSET_X_CAPTION 263
#define IDC_OFFSET_Y_CAPTION 264
#define IDC_OFFSET_RESET 265
#define IDC_OFFSET_TOOL 256

// Lines configuration pages (server, neighbour).
#define IDC_SERVER_SELECTION 196
#define IDC_SERVER_ALL_POINTS 201
#define IDC_SERVER_LABEL 163
#define IDC_SERVER_LABEL_PICKER 271
#define IDC_SERVER_COLOR 159
#define IDC_SERVER_COLOR_PICKER 272
#define IDC_SERVER_DISABLE 174
#define IDC_NEIGHBOUR_SELECTION 279
#define IDC_NEIGHBOUR_ALL_POINTS 280
#define IDC_NEIGHBOUR_LABEL 282
#define IDC_NEIGHBOUR_LABEL_PICKER 283
#define IDC_NEIGHBOUR_COLOR 285
#define IDC_NEIGHBOUR_COLOR_PICKER 284
#define IDC_NEIGHBOUR_DISABLE 281

// The small dialogs of the commands and the raster tools: zoom to scale, units, coordinate system.
#define IDD_PICK_COORDSYS 145
#define IDD_UNITS_PICKER 147
#define IDD_ZOOM_TO_SCALE 191

// Controls of the zoom-to-scale dialog.
#define IDC_ZOOM_CENTER_X 136
#define IDC_ZOOM_CENTER_Y 137
#define IDC_ZOOM_HELP 151
#define IDC_ZOOM_WIDTH_UNIT 154
#define IDC_ZOOM_WIDTH 156
#define IDC_ZOOM_SCALE 158
#define IDC_ZOOM_LENGTH_UNIT 160
#define IDC_SCALE_12500 200
#define IDC_SCALE_25000 205
#define IDC_SCALE_50000 208
#define IDC_SCALE_100000 210
#define IDC_SCALE_200000 213
#define IDC_SCALE_CUSTOM 219
#define IDC_ZOOM_SCALE_ONE 261
#define IDC_ZOOM_SCALE_UNIT 262

// Controls of the coordinate-system picker and the units dialog.
#define IDC_COORDSYS_MEMBERS 243
#define IDC_COORDSYS_CATEGORY 244
#define IDC_UNITS_COMBO 246
