// Plain geometry values shared by the control and its layers.
#pragma once

// A point in map coordinates (degrees of longitude and latitude, or the map's own units).
struct ZmaPointD {
    double x = 0;
    double y = 0;
};

// A geographic extent {left, top, right, bottom}.
struct ZmaExtent {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};
