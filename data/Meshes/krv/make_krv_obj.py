#!/usr/bin/env python3
"""Writes krv.obj and krv.mtl, the stand-in host's model of the KRV.

A solar observatory a person recognises: a gold-foil bus with white-painted
radiators, the instrument deck with its apertures and cover, a bell nozzle
and thruster clusters at the rear corners, solar wings tiled with cells and
two paraboloid dishes on booms. What matters most is that every group sits
where the vessel's animation rig expects it (hinge lines, rotation axes,
pivots) and carries the number the rig names, and that each dish's axis can
be read back from the mesh.

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
SEGMENTS = 32
RINGS = 6


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
        self.tris = []  # (a, b, c, material)

    def use(self, material):
        """Faces added from now on take this material."""
        self.material = material
        return self

    def vertex(self, p):
        self.verts.append(p)
        return len(self.verts) - 1

    def tri(self, a, b, c, facing):
        """Adds a triangle whose normal points along `facing` (a vector)."""
        pa, pb, pc = self.verts[a], self.verts[b], self.verts[c]
        n = cross(sub(pb, pa), sub(pc, pa))
        if dot(n, facing) < 0:
            b, c = c, b
        self.tris.append((a, b, c, self.material))

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

    def frustum(self, p, q, r0, r1, segments=SEGMENTS, caps=False):
        """A cone from p (radius r0) to q (radius r1), open unless caps."""
        axis = norm(sub(q, p))
        helper = (1.0, 0.0, 0.0) if abs(axis[0]) < 0.9 else (0.0, 1.0, 0.0)
        u = norm(cross(axis, helper))
        v = cross(axis, u)
        ring0, ring1, out = [], [], []
        for s in range(segments):
            t = 2.0 * math.pi * s / segments
            d = add(scale(u, math.cos(t)), scale(v, math.sin(t)))
            ring0.append(self.vertex(add(p, scale(d, r0))))
            ring1.append(self.vertex(add(q, scale(d, r1))))
            t = 2.0 * math.pi * (s + 0.5) / segments
            out.append(add(scale(u, math.cos(t)), scale(v, math.sin(t))))
        for s in range(segments):
            n = (s + 1) % segments
            self.quad(ring0[s], ring0[n], ring1[n], ring1[s], out[s])
        if caps:
            for ring, end, facing in ((ring0, p, scale(axis, -1.0)), (ring1, q, axis)):
                c = self.vertex(end)
                for s in range(segments):
                    self.tri(c, ring[s], ring[(s + 1) % segments], facing)

    def frustum_z(self, z0, r0, z1, r1):
        """An open cone about the z axis from (z0, r0) to (z1, r1)."""
        self.frustum((0.0, 0.0, z0), (0.0, 0.0, z1), r0, r1)

    def plate(self, corner, du, dv, facing):
        """A single quad corner, corner + du, corner + du + dv, corner + dv."""
        a = self.vertex(corner)
        b = self.vertex(add(corner, du))
        c = self.vertex(add(add(corner, du), dv))
        d = self.vertex(add(corner, dv))
        self.quad(a, b, c, d, facing)


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
    """A round tube from the hinge block up to the yoke."""
    group.frustum((0.0, y_axis, BOOM_HINGE_Z + 0.06), (0.0, y_axis, TILT_PIVOT_Z - 0.10),
                  0.035, 0.035, segments=12, caps=True)


def boom_yoke(group, y_axis):
    """The bearing at the boom's tip about which the dish turns (axis along the stowed boom)."""
    group.box((-0.06, y_axis - 0.05, TILT_PIVOT_Z - 0.10), (0.06, y_axis + 0.05, TILT_PIVOT_Z - 0.05))


WING_Y = 0.8
WING_LENGTH = 2.70
CELL_ROWS = 12  # along z
CELL_COLUMNS = 5  # along y
CELL_GAP = 0.012


def solar_wing(group, side):
    """Stowed flat against the bus's side face, hinged along its front edge;
    cells tile both faces of the substrate."""
    x_in = side * WING_HINGE_X
    x_out = side * (WING_HINGE_X + 0.02)
    z_lo = WING_HINGE_Z - WING_LENGTH
    group.use("substrate").box((min(x_in, x_out), -WING_Y, z_lo),
                               (max(x_in, x_out), WING_Y, WING_HINGE_Z))
    group.use("cells")
    pitch_y = 2.0 * WING_Y / CELL_COLUMNS
    pitch_z = WING_LENGTH / CELL_ROWS
    for x_face, outward in ((x_out + side * 0.002, side), (x_in - side * 0.002, -side)):
        for r in range(CELL_ROWS):
            for c in range(CELL_COLUMNS):
                corner = (x_face, -WING_Y + c * pitch_y + CELL_GAP,
                          z_lo + r * pitch_z + CELL_GAP)
                group.plate(corner, (0.0, pitch_y - 2 * CELL_GAP, 0.0),
                            (0.0, 0.0, pitch_z - 2 * CELL_GAP), (float(outward), 0.0, 0.0))


def bus(group):
    """Foil box, white radiators, the instrument deck and the rear adapter."""
    group.box(BUS_LO, BUS_HI)
    group.use("white")
    for side in (1, -1):
        y = side * (BUS_HI[1] + 0.004)
        group.plate((-0.85, y, 0.45), (1.7, 0.0, 0.0), (0.0, 0.0, 2.40), (0.0, float(side), 0.0))
    deck_z = BUS_HI[2] + 0.004
    group.plate((-0.95, -0.95, deck_z), (1.9, 0.0, 0.0), (0.0, 1.9, 0.0), (0.0, 0.0, 1.0))
    # Three guide and imaging telescopes beside the main aperture.
    for x, y, r, h in ((-0.55, -0.45, 0.16, 0.42), (0.0, -0.52, 0.20, 0.50),
                       (0.55, -0.45, 0.16, 0.42)):
        group.use("white").frustum((x, y, deck_z), (x, y, deck_z + h), r, r, 20, caps=True)
        group.use("metal").frustum((x, y, deck_z + h), (x, y, deck_z + h + 0.03), r, r * 1.02, 20)
        group.use("dark").frustum((x, y, deck_z + h + 0.002), (x, y, deck_z + h + 0.004),
                                  r * 0.8, r * 0.8, 20, caps=True)
    # Star trackers looking out past the cover's sweep.
    for x in (0.72, -0.72):
        group.use("metal").box((x - 0.08, 0.55, deck_z), (x + 0.08, 0.75, deck_z + 0.16))
        group.use("dark").frustum((x, 0.65, deck_z + 0.16), (x, 0.65, deck_z + 0.26),
                                  0.05, 0.08, 12)
    # Low-gain antennas, one fore and one aft.
    group.use("white").frustum((0.8, -0.85, deck_z), (0.8, -0.85, deck_z + 0.25), 0.03, 0.01, 8)
    group.frustum((-0.8, 0.0, BUS_LO[2]), (-0.8, 0.0, BUS_LO[2] - 0.25), 0.03, 0.01, 8)
    # The launch adapter ring round the nozzle.
    group.use("metal").frustum((0.0, 0.0, BUS_LO[2]), (0.0, 0.0, BUS_LO[2] - 0.06), 0.62, 0.58,
                               SEGMENTS)


def aperture(group):
    """The main telescope's opening under the cover: a dark disc in a rim."""
    c = (0.0, 0.65, BUS_HI[2] + 0.004)
    group.use("metal").frustum(c, add(c, (0.0, 0.0, 0.012)), 0.28, 0.28, SEGMENTS)
    group.use("dark").frustum(c, add(c, (0.0, 0.0, 0.010)), 0.26, 0.26, SEGMENTS, caps=True)


def cover(group):
    group.box((-0.35, 0.30, LID_HINGE_Z), (0.35, LID_HINGE_Y, LID_HINGE_Z + 0.02))
    group.use("metal").box((-0.30, 0.36, LID_HINGE_Z + 0.02), (0.30, 1.00, LID_HINGE_Z + 0.03))
    group.use("white").box((-0.22, 0.42, LID_HINGE_Z + 0.03), (0.22, 0.94, LID_HINGE_Z + 0.035))


def main_nozzle(group):
    """A bell from the throat at the bus's floor to the exit plane."""
    sections = 8
    previous = (BUS_LO[2], 0.12)
    for k in range(1, sections + 1):
        t = k / sections
        here = (BUS_LO[2] - 0.22 * t, 0.12 + 0.10 * math.sqrt(t))
        group.frustum((0.0, 0.0, previous[0]), (0.0, 0.0, here[0]), previous[1], here[1], 24)
        previous = here


def rcs_pods(group):
    """A pod at each rear corner with nozzles aft and outward."""
    for sx in (1, -1):
        for sy in (1, -1):
            x, y, z = 0.977 * sx, 0.85 * sy, BUS_LO[2]
            group.use("metal").box((x - 0.04, y - 0.06, z - 0.05), (x + 0.04, y + 0.06, z))
            group.use("nozzle")
            group.frustum((x, y, z - 0.05), (x, y, z - 0.10), 0.012, 0.026, 10)
            group.frustum((x + sx * 0.04, y, z - 0.025), (x + sx * 0.09, y, z - 0.025),
                          0.010, 0.022, 10)
            group.frustum((x, y + sy * 0.06, z - 0.025), (x, y + sy * 0.11, z - 0.025),
                          0.010, 0.022, 10)


def build():
    g = {}

    def new(number, label, material):
        g[number] = Group(number, label, material)
        return g[number]

    bus(new(0, "bus", "foil"))
    aperture(new(1, "aia_aperture", "dark"))
    main_nozzle(new(2, "main_nozzle", "nozzle"))
    rcs_pods(new(3, "rcs_pods", "metal"))
    # The cover hangs from its hinge over the aperture; opened it stands up.
    cover(new(4, "aia_cover", "white"))
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
# Materials of krv.obj: diffuse (Kd) and specular (Ks) colours, shininess (Ns).
newmtl foil
Kd 0.95 0.70 0.24
Ks 0.95 0.80 0.40
Ns 40
newmtl dark
Kd 0.03 0.03 0.05
Ks 0.40 0.40 0.45
Ns 80
newmtl metal
Kd 0.62 0.62 0.65
Ks 0.60 0.60 0.60
Ns 50
newmtl white
Kd 0.93 0.93 0.90
Ks 0.15 0.15 0.15
Ns 10
newmtl boom
Kd 0.80 0.80 0.78
Ks 0.30 0.30 0.30
Ns 20
newmtl cells
Kd 0.06 0.10 0.36
Ks 0.55 0.60 0.80
Ns 120
newmtl substrate
Kd 0.80 0.80 0.78
Ks 0.10 0.10 0.10
Ns 10
newmtl nozzle
Kd 0.38 0.35 0.33
Ks 0.50 0.50 0.50
Ns 40
"""


def write():
    groups = build()
    lines = [HEADER, "mtllib krv.mtl\n"]
    base = 1
    for grp in groups:
        lines.append("\ng group_%02d_%s\n" % (grp.number, grp.label))
        for v in grp.verts:
            lines.append("v %.4f %.4f %.4f\n" % v)
        material = None
        for a, b, c, m in grp.tris:
            if m != material:
                lines.append("usemtl %s\n" % m)
                material = m
            lines.append("f %d %d %d\n" % (a + base, b + base, c + base))
        base += len(grp.verts)
    with open(os.path.join(HERE, "krv.obj"), "w") as f:
        f.write("".join(lines))
    with open(os.path.join(HERE, "krv.mtl"), "w") as f:
        f.write(MTL)


if __name__ == "__main__":
    write()
