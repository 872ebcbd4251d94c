#pragma once
// A scene graph root. The view keeps one but draws everything itself, so the
// world stays empty.

class GLC_World {
public:
    GLC_World() = default;
    GLC_World(const GLC_World &) = default;
    GLC_World &operator=(const GLC_World &) = default;
    bool isEmpty() const { return true; }
};
