/* The MITAB C interface for MapInfo tables: our own library that writes and reads native tables
   (the .TAB definition, the .DAT attribute file, the .MAP object file and the .ID row index).

   Writing: mitab_c_create, then every mitab_c_add_field, then one feature object from
   mitab_c_create_feature that is filled and written once per row (mitab_c_set_points, the style
   calls, mitab_c_set_field, mitab_c_write_feature), then mitab_c_destroy_feature and mitab_c_close.
   Reading: mitab_c_open, mitab_c_next_feature_id, mitab_c_read_feature and the getters, then
   mitab_c_destroy_feature for each feature read and mitab_c_close.

   Our own choices, which the file format leaves to the writer:
   - Colours are handed over as Windows colour values 0x00BBGGRR (red in the low byte). The file
     keeps red, green and blue bytes, so a reader shows the colour the caller drew with.
   - A feature object is reused for many rows. mitab_c_write_feature clears its attribute values and
     its geometry after writing: a row never carries the previous row's attributes (an unset
     character field is blank, an unset number 0, an unset date empty). Styles (pen, brush, symbol,
     font, rotation, style word) stay until they are set again.
   - mitab_zemro_extension_set_rotation: the angle of a font point, in degrees counter-clockwise
     from east, as the file keeps it (tenths of a degree, brought into 0..360). Symbol points,
     lines and regions have no angle in the file and ignore it.
   - mitab_zemro_extension_set_style: the style word of a font point, written unchanged into the
     file. Its bits: 0x001 bold, 0x010 black border, 0x020 drop shadow, 0x200 white border (halo).
     The value 545 (0x221) that the map control gives cell-site symbols is therefore a bold glyph
     with a drop shadow and a white halo, which keeps it readable over any background. Other kinds
     of feature ignore it.
   - Only TAB tables ("tab") in longitude/latitude ("CoordSys Earth Projection 1, <datum>") are
     written. With all four bounds 0 the table covers -1000..1000 degrees on both axes, which keeps
     a precision of one millionth of a degree.
   - A region's parts are rings; a ring that lies inside the outer ring before it is a hole of it.
     Open rings are closed. A part may hold at most 32767 vertices in a region or in a polyline of
     several parts.
   - A table holds at most 255 different pens, brushes, symbols and fonts each (the file keeps an
     index of one byte); past that a feature gets the nearest colour already defined.

   Failures: mitab_c_create answers null, mitab_c_add_field -1, mitab_c_write_feature 0; the text of
   the last failure of this thread is kept for mitab_c_getlasterrormsg. A table is complete only when
   mitab_c_close succeeded (mitab_c_getlasterrorno answers 0 after it). */
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* mitab_handle;
typedef void* mitab_feature;

/* Feature types. */
#define TABFC_NoGeom 0
#define TABFC_Point 1     /* a symbol point: symbol number, size and colour from the symbol table */
#define TABFC_FontPoint 2 /* a glyph of a symbol font, with its own colour, angle and style word */
#define TABFC_Polyline 5  /* one or several parts */
#define TABFC_Region 7    /* one or several rings */

/* Field types. */
#define TABFT_Char 1
#define TABFT_Integer 2
#define TABFT_SmallInt 3
#define TABFT_Decimal 4
#define TABFT_Float 5
#define TABFT_Date 6
#define TABFT_Logical 7
/* The widest decimal field that readers take, sign and point included; a wider one is narrowed
   to it, with fewer decimals. */
#define TABFT_DecimalMaxWidth 20

/* --- Writing --------------------------------------------------------------------------------- */

/* Creates a table (its .TAB, .DAT, .MAP and .ID files; the companions take the extension case of
   `filename`). `mif_or_tab` must be "tab". The bounds are those of the coordinate system, all 0 for
   the default. Null when a file cannot be created (nothing is left behind then). */
mitab_handle mitab_c_create(const char* filename, const char* mif_or_tab, const char* mif_projection,
                            double north, double south, double east, double west);
/* The same with a file name in UTF-16, for folders and names outside the ANSI code page. */
mitab_handle mitab_c_create_w(const wchar_t* filename, const char* mif_or_tab, const char* mif_projection,
                              double north, double south, double east, double west);
/* Adds an attribute field before the first feature is written; answers its index or -1. Characters
   that cannot stand in a field name become "_"; a name already taken fails. Widths: character
   1..254; decimal 1..20 with precision below the width (a wider decimal is kept at 20 places with
   at most 18 decimals, and a value too wide for it is written with fewer decimals, or as stars when
   even its integer part does not fit); the other kinds have fixed widths. */
int mitab_c_add_field(mitab_handle handle, const char* field_name, int field_type, int width, int precision);
/* A feature object of one of the TABFC_ types for this table; null for other types. */
mitab_feature mitab_c_create_feature(mitab_handle handle, int feature_type);
/* Sets part `part` (0 first; a point uses part 0 and its first vertex) to the given vertices. Parts
   are added in order: setting part n drops the parts after it. */
void mitab_c_set_points(mitab_feature feature, int part, int vertex_count, double* x, double* y);
/* The symbol font of a font point; null or "" for none. At most 31 characters are kept. */
void mitab_c_set_font(mitab_feature feature, const char* font_name);
/* Symbol number (for a font point: the glyph's character code), size in points, colour 0x00BBGGRR. */
void mitab_c_set_symbol(mitab_feature feature, int symbol_no, int symbol_size, int symbol_color);
/* Pen of a polyline or region: width in pixels 1..7, line pattern 1..118 (1 none, 2 solid),
   colour 0x00BBGGRR. */
void mitab_c_set_pen(mitab_feature feature, int width, int pattern, int color);
/* Brush of a region: fill pattern (1 none, 2 solid), colours 0x00BBGGRR, transparent background. */
void mitab_c_set_brush(mitab_feature feature, int fg_color, int bg_color, int pattern, int transparent);
/* The text of attribute `field_index` for the next write: characters are cut to the field width,
   numbers and dates ("YYYYMMDD", "YYYY-MM-DD" or "YYYY/MM/DD") are converted. A decimal that is no
   finite number ("inf", "-inf", "nan") is written as that text, as readers parse it back, when
   the field is wide enough; blank otherwise. */
void mitab_c_set_field(mitab_feature feature, int field_index, const char* field_value);
/* Appends the feature as the next row; 1 on success, 0 on failure. */
int mitab_c_write_feature(mitab_handle handle, mitab_feature feature);
/* Frees a feature object; null is ignored. */
void mitab_c_destroy_feature(mitab_feature feature);
/* Finishes and closes a table created or opened here; a null handle is ignored. */
void mitab_c_close(mitab_handle handle);

/* Angle of a font point in degrees counter-clockwise (see above). */
void mitab_zemro_extension_set_rotation(mitab_feature feature, double rotation);
/* Style word of a font point (see above). */
void mitab_zemro_extension_set_style(mitab_feature feature, int style);

/* 0 when the last call of this thread succeeded; else a failure number and its text. */
int mitab_c_getlasterrorno(void);
const char* mitab_c_getlasterrormsg(void);

/* --- Reading --------------------------------------------------------------------------------- */

/* Opens a table (.TAB) for reading; null when the file cannot be read. A table without an .ID
   file has rows without objects only. */
mitab_handle mitab_c_open(const char* filename);
/* The id of the first feature after `last_feature_id` (-1 to start), or -1 when there is none.
   Feature ids are the 1-based row numbers of rows that have an object. */
int mitab_c_next_feature_id(mitab_handle handle, int last_feature_id);
/* Number of rows of the table. */
int mitab_c_get_feature_count(mitab_handle handle);
/* Reads row `feature_id` with its object and attributes; null when it cannot be read. */
mitab_feature mitab_c_read_feature(mitab_handle handle, int feature_id);
/* One of TABFC_ (an object kind this library does not draw reads as TABFC_NoGeom). */
int mitab_c_get_type(mitab_feature feature);
int mitab_c_get_parts(mitab_feature feature);
int mitab_c_get_vertex_count(mitab_feature feature, int part);
double mitab_c_get_vertex_x(mitab_feature feature, int part, int vertex);
double mitab_c_get_vertex_y(mitab_feature feature, int part, int vertex);
/* Style of a read feature; colours as 0x00BBGGRR. */
int mitab_c_get_symbol_no(mitab_feature feature);
int mitab_c_get_symbol_size(mitab_feature feature);
int mitab_c_get_symbol_color(mitab_feature feature);
int mitab_c_get_pen_color(mitab_feature feature);
int mitab_c_get_pen_width(mitab_feature feature);
int mitab_c_get_brush_fgcolor(mitab_feature feature);
int mitab_c_get_brush_pattern(mitab_feature feature);
/* The attribute fields of a table. */
int mitab_c_get_field_count(mitab_handle handle);
const char* mitab_c_get_field_name(mitab_handle handle, int field);
int mitab_c_get_field_type(mitab_handle handle, int field);
/* The text of an attribute of a read feature (valid until the feature is destroyed). */
const char* mitab_c_get_field_as_string(mitab_feature feature, int field);

#ifdef __cplusplus
}
#endif
