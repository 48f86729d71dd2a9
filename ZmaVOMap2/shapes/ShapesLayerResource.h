// Resource ids of the shapes layer (strings 32881 and up).
#pragma once

#define IDS_SHAPES_LAYER_NAME 32881
