#pragma once
// The invented landscape of the Tarvona region: an ocean in the west, a low
// coast range, a broad valley, a high volcanic range and an eastern plateau.
// Smooth everywhere, so it serves both the control heights and the hillshade
// of the base map.

// Longitude of the shore line at a latitude, degrees.
double coastLongitude(double latitude);

// Surface height at (longitude, latitude) in metres; negative at sea.
double terrainHeight(double longitude, double latitude);
