#pragma once
// A collection of drawable 3D objects. The view keeps one, never filled.

class GLC_3DViewCollection {
public:
    GLC_3DViewCollection() = default;
    bool isEmpty() const { return true; }
    int size() const { return 0; }
};
