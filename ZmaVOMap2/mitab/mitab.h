/* The MITAB C interface for MapInfo tables, as far as the map control uses it. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef void* mitab_handle;

/* Opens a table (.TAB) for reading; null when it cannot be opened. */
mitab_handle mitab_c_open(const char* filename);
/* Closes a table opened by mitab_c_open; a null handle is ignored. */
void mitab_c_close(mitab_handle handle);
/* The id of the first feature after `last_feature_id` (-1 to start), or -1 when there is none.
   Feature ids are the 1-based row numbers of rows that have an object. */
int mitab_c_next_feature_id(mitab_handle handle, int last_feature_id);

#ifdef __cplusplus
}
#endif
