#!/usr/bin/env python3
"""Writes krv.obj and krv.mtl, the stand-in host's model of the KRV.

The model is deliberately plain: boxes, a cone, two shallow paraboloid
dishes. What matters is that every group sits where the vessel's animation
rig expects it (hinge lines, rotation axes, pivots) and carries the number
the rig names, and that each dish's axis can be read back from the mesh.

Run it from anywhere; it writes next to itself:  python3 make_krv_obj.py
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))

# Rig reference points [m], vessel frame, every animation at state 0.
BOOM_HINGE_Z = -2.204
ANT1_Y = 1.161  # antenna 1 rides on the +y side
ANT2_Y = -1.165  # antenna 2 on the -y side (not an exact mirror in position)
TILT_PIVOT_Z = -0.065
WING_HINGE_X = 1.095
WING_HINGE_Z = 0.795
LID_HINGE_Y = 1.067
LID_HINGE_Z = 3.049

# Bus box [m].
BUS_LO = (-1.0, -1.0, -2.40)
BUS_HI = (1.0, 1.0, 3.03)

# Dish: a paraboloid of rim radius DISH_R and depth DISH_DEPTH whose apex
# sits DISH_APEX_OFFSET outward of the tilt pivot; the feed horn at the focus.
DISH_R = 0.40
DISH_DEPTH = 0.10
DISH_APEX_OFFSET = 0.10
DISH_FOCAL = DISH_R * DISH_R / (4.0 * DISH_DEPTH)
SEGMENTS = 16
RINGS = 3


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def scale(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def norm(a):
    n = math.sqrt(dot(a, a))
    return scale(a, 1.0 / n)


class Group:
    def __init__(self, number, label, material):
        self.number = number
        self.label = label
        self.material = material
        self.verts = []
        self.tris = []

    def vertex(self, p):
        self.verts.append(p)
        return len(self.verts) - 1

    def tri(self, a, b, c, facing):
        """Adds a triangle whose normal points along `facing` (a vector)."""
        pa, pb, pc = self.verts[a], self.verts[b], self.verts[c]
        n = cross(sub(pb, pa), sub(pc, pa))
        if dot(n, facing) < 0:
            b, c = c, b
        self.tris.append((a, b, c))

    def quad(self, a, b, c, d, facing):
        self.tri(a, b, c, facing)
        self.tri(a, c, d, facing)

    def box(self, lo, hi):
        idx = {}
        for i in (0, 1):
            for j in (0, 1):
                for k in (0, 1):
                    idx[(i, j, k)] = self.vertex(
                        (hi[0] if i else lo[0], hi[1] if j else lo[1], hi[2] if k else lo[2]))
        for axis in range(3):
            for side in (0, 1):
                corners = []
                for u in (0, 1):
                    for v in (0, 1):
                        key = [0, 0, 0]
                        key[axis] = side
                        others = [x for x in range(3) if x != axis]
                        key[others[0]] = u
                        key[others[1]] = v
                        corners.append(idx[tuple(key)])
                facing = [0.0, 0.0, 0.0]
                facing[axis] = 1.0 if side else -1.0
                a, b, d, c = corners  # (0,0) (0,1) (1,0) (1,1) -> loop a b c d
                self.quad(a, b, c, d, tuple(facing))

    def prism(self, p, q, half_width):
        """A square bar from p to q."""
        axis = norm(sub(q, p))
        helper = (1.0, 0.0, 0.0) if abs(axis[0]) < 0.9 else (0.0, 1.0, 0.0)
        u = scale(norm(cross(axis, helper)), half_width)
        v = scale(norm(cross(axis, u)), half_width)
        offsets = [add(u, v), sub(u, v), scale(add(u, v), -1.0), sub(v, u)]
        ends = [[self.vertex(add(end, o)) for o in offsets] for end in (p, q)]
        for i in range(4):
            j = (i + 1) % 4
            mid = scale(add(offsets[i], offsets[j]), 0.5)
            self.quad(ends[0][i], ends[0][j], ends[1][j], ends[1][i], mid)
        self.quad(*ends[0], scale(axis, -1.0))
        self.quad(*ends[1], axis)

    def frustum_z(self, z0, r0, z1, r1):
        """An open cone about the z axis from (z0, r0) to (z1, r1)."""
        ring0 = []
        ring1 = []
        for s in range(SEGMENTS):
            t = 2.0 * math.pi * s / SEGMENTS
            ring0.append(self.vertex((r0 * math.cos(t), r0 * math.sin(t), z0)))
            ring1.append(self.vertex((r1 * math.cos(t), r1 * math.sin(t), z1)))
        for s in range(SEGMENTS):
            n = (s + 1) % SEGMENTS
            t = 2.0 * math.pi * (s + 0.5) / SEGMENTS
            self.quad(ring0[s], ring0[n], ring1[n], ring1[s], (math.cos(t), math.sin(t), 0.0))


def dish_apex_y(y_axis, side):
    return y_axis + side * DISH_APEX_OFFSET


def reflector(group, y_axis, side):
    """A paraboloid about the line x = 0, z = TILT_PIVOT_Z, opening toward side * y."""
    apex_y = dish_apex_y(y_axis, side)
    apex = group.vertex((0.0, apex_y, TILT_PIVOT_Z))
    rings = []
    for k in range(1, RINGS + 1):
        r = DISH_R * k / RINGS
        h = r * r / (4.0 * DISH_FOCAL)
        ring = []
        for s in range(SEGMENTS):
            t = 2.0 * math.pi * s / SEGMENTS
            ring.append(group.vertex((r * math.cos(t), apex_y + side * h,
                                      TILT_PIVOT_Z + r * math.sin(t))))
        rings.append(ring)
    facing = (0.0, float(side), 0.0)
    for s in range(SEGMENTS):
        n = (s + 1) % SEGMENTS
        group.tri(apex, rings[0][s], rings[0][n], facing)
        for k in range(1, RINGS):
            group.quad(rings[k - 1][s], rings[k - 1][n], rings[k][n], rings[k][s], facing)


def feed_centre(y_axis, side):
    return (0.0, dish_apex_y(y_axis, side) + side * DISH_FOCAL, TILT_PIVOT_Z)


def feed(group, y_axis, side):
    c = feed_centre(y_axis, side)
    group.box((c[0] - 0.04, c[1] - 0.04, c[2] - 0.04), (c[0] + 0.04, c[1] + 0.04, c[2] + 0.04))


def struts(group, y_axis, side):
    c = feed_centre(y_axis, side)
    rim_y = dish_apex_y(y_axis, side) + side * DISH_DEPTH
    for k in range(4):
        t = math.pi / 4.0 + k * math.pi / 2.0
        rim = (DISH_R * math.cos(t), rim_y, TILT_PIVOT_Z + DISH_R * math.sin(t))
        foot = (0.04 * math.cos(t), c[1] - side * 0.04, TILT_PIVOT_Z + 0.04 * math.sin(t))
        group.prism(rim, foot, 0.008)


def dish_mount(group, y_axis, side):
    """The tilt shaft through the pivot (along x) and the stalk out to the apex."""
    group.box((-0.15, y_axis - 0.025, TILT_PIVOT_Z - 0.025),
              (0.15, y_axis + 0.025, TILT_PIVOT_Z + 0.025))
    apex_y = dish_apex_y(y_axis, side)
    group.box((-0.03, min(y_axis, apex_y), TILT_PIVOT_Z - 0.03),
              (0.03, max(y_axis, apex_y), TILT_PIVOT_Z + 0.03))


def boom_hinge(group, y_axis):
    group.box((-0.08, y_axis - 0.06, BOOM_HINGE_Z - 0.06), (0.08, y_axis + 0.06, BOOM_HINGE_Z + 0.06))


def boom_arm(group, y_axis):
    group.box((-0.04, y_axis - 0.04, BOOM_HINGE_Z + 0.06), (0.04, y_axis + 0.04, TILT_PIVOT_Z - 0.10))


def boom_yoke(group, y_axis):
    """The bearing at the boom's tip about which the dish turns (axis along the stowed boom)."""
    group.box((-0.06, y_axis - 0.05, TILT_PIVOT_Z - 0.10), (0.06, y_axis + 0.05, TILT_PIVOT_Z - 0.05))


def solar_wing(group, side):
    """Stowed flat against the bus's side face, hinged along its front edge."""
    x_in = side * WING_HINGE_X
    x_out = side * (WING_HINGE_X + 0.02)
    group.box((min(x_in, x_out), -0.8, WING_HINGE_Z - 2.70), (max(x_in, x_out), 0.8, WING_HINGE_Z))


def build():
    g = {}

    def new(number, label, material):
        g[number] = Group(number, label, material)
        return g[number]

    new(0, "bus", "foil").box(BUS_LO, BUS_HI)
    new(1, "aia_aperture", "dark").box((-0.30, 0.35, BUS_HI[2]), (0.30, 0.95, BUS_HI[2] + 0.015))
    new(2, "main_nozzle", "metal").frustum_z(BUS_LO[2], 0.12, BUS_LO[2] - 0.22, 0.22)
    pods = new(3, "rcs_pods", "metal")
    for sx in (1, -1):
        for sy in (1, -1):
            pods.box((0.977 * sx - 0.04, 0.85 * sy - 0.06, BUS_LO[2] - 0.05),
                     (0.977 * sx + 0.04, 0.85 * sy + 0.06, BUS_LO[2]))
    # The cover hangs from its hinge over the aperture; opened it stands up.
    new(4, "aia_cover", "white").box((-0.35, 0.30, LID_HINGE_Z), (0.35, LID_HINGE_Y, LID_HINGE_Z + 0.02))
    brackets = new(5, "hinge_brackets", "metal")
    for y_axis, side in ((ANT1_Y, 1), (ANT2_Y, -1)):
        y_face = side * BUS_HI[1]
        brackets.box((-0.10, min(y_face, y_axis), BOOM_HINGE_Z - 0.03),
                     (-0.08, max(y_face, y_axis), BOOM_HINGE_Z + 0.03))
        brackets.box((0.08, min(y_face, y_axis), BOOM_HINGE_Z - 0.03),
                     (0.10, max(y_face, y_axis), BOOM_HINGE_Z + 0.03))
    for side in (1, -1):
        brackets.box((min(side * BUS_HI[0], side * WING_HINGE_X), -0.3, WING_HINGE_Z - 0.03),
                     (max(side * BUS_HI[0], side * WING_HINGE_X), 0.3, WING_HINGE_Z))

    boom_hinge(new(6, "boom2_hinge", "metal"), ANT2_Y)
    reflector(new(8, "dish2_reflector", "white"), ANT2_Y, -1)
    feed(new(9, "dish2_feed", "metal"), ANT2_Y, -1)
    struts(new(10, "dish2_struts", "metal"), ANT2_Y, -1)
    dish_mount(new(11, "dish2_mount", "metal"), ANT2_Y, -1)
    boom_arm(new(12, "boom2_arm", "boom"), ANT2_Y)
    boom_yoke(new(21, "boom2_yoke", "metal"), ANT2_Y)

    boom_hinge(new(7, "boom1_hinge", "metal"), ANT1_Y)
    reflector(new(13, "dish1_reflector", "white"), ANT1_Y, 1)
    boom_arm(new(14, "boom1_arm", "boom"), ANT1_Y)
    feed(new(15, "dish1_feed", "metal"), ANT1_Y, 1)
    struts(new(16, "dish1_struts", "metal"), ANT1_Y, 1)
    dish_mount(new(17, "dish1_mount", "metal"), ANT1_Y, 1)
    boom_yoke(new(18, "boom1_yoke", "metal"), ANT1_Y)

    solar_wing(new(19, "solar_wing1", "cells"), -1)
    solar_wing(new(20, "solar_wing2", "cells"), 1)
    return [g[n] for n in sorted(g)]


HEADER = """\
# KRV: the stand-in host's model of the vessel (mesh "krv/krv").
# Written by make_krv_obj.py; edit that, not this file.
#
# Frame: the vessel frame in metres, every animation at state 0 (booms and
# wings stowed, dishes neither turned nor tilted, cover closed). +z is the
# main engine's thrust direction; the instrument aperture faces +z.
#
# Group numbers: each group is named "group_NN_label" and NN (decimal) is
# the number the vessel's animation rig uses for it. The groups also appear
# in the file in that order, 0 first, so tools that number groups by order
# agree with the names.
#    0 bus, 1 aia_aperture, 2 main_nozzle, 3 rcs_pods, 5 hinge_brackets
#    4 aia_cover                     hinge y = 1.067, z = 3.049, along x
#    7, 14, 18 boom 1 (+y side)      hinge y = 1.161, z = -2.204, along x
#    6, 12, 21 boom 2 (-y side)      hinge y = -1.165, z = -2.204, along x
#   13, 15, 16, 17 dish 1            reflector, feed, struts, mount
#    8, 9, 10, 11 dish 2             reflector, feed, struts, mount
#   19, 20 solar wings (-x, +x)      hinges x = -/+1.095, z = 0.795, along y
#
# Dishes: each reflector is a paraboloid symmetric about the dish's axis and
# the feed horn is a box centred on that axis at the focus, so the axis (the
# boresight, out of the dish's face) runs from the reflector's vertex
# centroid to the feed's. Stowed, dish 1 faces +y and dish 2 faces -y; with
# the booms out and the dish rotation and tilt at the Earth-tracking targets
# the boresights then point at the Earth.
"""

MTL = """\
# Materials of krv.obj.
newmtl foil
Kd 0.80 0.62 0.20
newmtl dark
Kd 0.05 0.05 0.08
newmtl metal
Kd 0.55 0.55 0.58
newmtl white
Kd 0.92 0.92 0.92
newmtl boom
Kd 0.30 0.30 0.32
newmtl cells
Kd 0.10 0.16 0.45
"""


def write():
    groups = build()
    lines = [HEADER, "mtllib krv.mtl\n"]
    base = 1
    for grp in groups:
        lines.append("\ng group_%02d_%s\nusemtl %s\n" % (grp.number, grp.label, grp.material))
        for v in grp.verts:
            lines.append("v %.4f %.4f %.4f\n" % v)
        for a, b, c in grp.tris:
            lines.append("f %d %d %d\n" % (a + base, b + base, c + base))
        base += len(grp.verts)
    with open(os.path.join(HERE, "krv.obj"), "w") as f:
        f.write("".join(lines))
    with open(os.path.join(HERE, "krv.mtl"), "w") as f:
        f.write(MTL)


if __name__ == "__main__":
    write()
