// Resource ids of the line layers (string 32880).
#pragma once

#define IDS_LINES_TO_SECTORS_NAME 32880
