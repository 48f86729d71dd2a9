// Resource ids of the background imagery: its properties dialog, the proxy credentials dialog,
// the provider's logo and the attribution line. Included by Imagery.rc (through the module's VadAZ.rc) and by the code.
#pragma once

#define IDD_BACKGROUND_MAP_PROPERTIES 101
#define IDC_MAP_ROAD 201
#define IDC_MAP_AERIAL 202
#define IDC_MAP_AERIAL_LABELS 203
#define IDC_PROXY_USER 346
#define IDC_PROXY_PASSWORD 347
#define IDC_USE_PROXY 349
#define IDC_PROXY_ADDRESS 350
#define IDC_PROXY_PORT 351
#define IDC_DISABLE_MAP 353
#define IDR_IMAGERY_LOGO 369
#define IDD_PROXY_CREDENTIALS 370
#define IDS_IMAGERY_ATTRIBUTION 32882
