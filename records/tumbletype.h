// The twirl record: the user's orientation of the sphere as the rotations of
// its three angles, filled by the twirl's initialisers and read by every
// output projection.
#pragma once

struct tumbletype {
    float turn_x[4][4];     // rotation by a1 about x
    float turn_y[4][4];     // rotation by a2 about y
    float turn_axis[4][4];  // rotation by a3 about `axis`
    float spare[4][4];
    float combined[3][4];  // turn_x * turn_y * turn_axis (3x3 part)
    float spareFloats[4];
    float identity[9];
    float axis[3];    // the z axis carried by the first two turns
    float angles[3];  // a1, a2, a3 in radians as passed
    unsigned char turnsNothing;  // combined is exactly the identity: the twirl may be skipped
};
