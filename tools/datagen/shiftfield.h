#pragma once
// The smooth field of shifts from NAD83(CORS96) to NAD83(CORS96a) over the
// Tarvona region: a uniform translation, a gentle rotation and gradient, and
// low-frequency waves. About 1 to 5 cm horizontally, within 3 cm vertically.

struct ShiftMetres {
    double east;   // metres
    double north;  // metres
    double up;     // metres
};

struct ShiftDegrees {
    double longitude;  // degrees
    double latitude;   // degrees
    double height;     // metres
};

// The shift at a point, in metres along east, north and up.
ShiftMetres shiftMetresAt(double longitude, double latitude);

// The same shift as changes of longitude and latitude on the GRS80 ellipsoid
// (meridian and prime-vertical radii at the latitude) and of height.
ShiftDegrees shiftDegreesAt(double longitude, double latitude);
