#!/usr/bin/env python3
"""The world's integrated orbit against a propagation written here alone.

Usage: propagation_test.py KRV_PROPAGATE GRAVITY_FILE

Flies the default run's start (geostationary over 75 W on 2024-06-15) for
30 days under every force, in krv_propagate and here: the gravity field from
SciPy's Legendre functions, the Sun and the Moon from astropy's own
ephemerides, the Earth rotation angle from its defining formula, SciPy's
DOP853. Surface longitude within 0.002 deg, inclination within 0.001 deg.
"""
import math
import subprocess
import sys
import warnings

import numpy as np
from scipy.integrate import solve_ivp
from scipy.interpolate import CubicSpline
from scipy.special import lpmn

warnings.simplefilter("ignore")
from astropy.utils import iers  # noqa: E402

iers.conf.auto_download = False
iers.conf.auto_max_age = None
from astropy.coordinates import get_body_barycentric  # noqa: E402
from astropy.time import Time  # noqa: E402
import erfa  # noqa: E402

MJD0, DAYS, LON0, DEGREE = 60476.0, 30.0, -75.0, 8
LON_TOL_DEG, INC_TOL_DEG = 0.002, 0.001
MASS, CROSS = 3100.0, np.array([10.0, 12.0, 8.0])  # as krv_propagate declares
P_AU, CR, AU = 4.56e-6, 1.3, 1.495978707e11
R_SUN, R_EARTH = 6.957e8, 6378137.0
GM_SUN, GM_MOON = 1.32712440018e20, 4.9028000661e12


def read_field(path, degree):
    gm = radius = None
    c = np.zeros((degree + 1, degree + 1))
    s = np.zeros((degree + 1, degree + 1))
    body = False
    for line in open(path):
        w = line.split()
        if not w:
            continue
        if not body:
            if w[0] == "earth_gravity_constant":
                gm = float(w[1])
            elif w[0] == "radius":
                radius = float(w[1])
            body = w[0] == "end_of_head"
            continue
        n, m = int(w[1]), int(w[2])
        if n <= degree:
            c[n, m], s[n, m] = float(w[3]), float(w[4])
    return gm, radius, c, s


def era(mjd_utc):
    """Earth rotation angle [rad], UT1 taken as UTC."""
    tu = mjd_utc - 51544.5
    frac = math.fmod(tu, 1.0)
    return 2 * math.pi * math.fmod(frac + 0.7790572732640 + 0.00273781191135448 * tu, 1.0)


class Field:
    def __init__(self, path, degree):
        self.gm, self.r, self.c, self.s = read_field(path, degree)
        self.n = degree
        norm = np.zeros((degree + 1, degree + 1))
        for n in range(degree + 1):
            for m in range(n + 1):
                norm[m, n] = (-1) ** m * math.sqrt(
                    (1 if m == 0 else 2) * (2 * n + 1) * math.factorial(n - m) / math.factorial(n + m))
        self.norm = norm

    def acceleration_ecef(self, p):
        r = np.linalg.norm(p)
        lat = math.asin(p[2] / r)
        lon = math.atan2(p[1], p[0])
        pl, dpl = lpmn(self.n, self.n, math.sin(lat))
        pbar = pl * self.norm  # [m, n]
        dpbar = dpl * self.norm * math.cos(lat)  # d/dlat
        dr = dlat = dlon = 0.0
        for n in range(self.n + 1):
            q = (self.r / r) ** n
            for m in range(n + 1):
                cm, sm = math.cos(m * lon), math.sin(m * lon)
                t = self.c[n, m] * cm + self.s[n, m] * sm
                dr -= (n + 1) * q * pbar[m, n] * t
                dlat += q * dpbar[m, n] * t
                dlon += q * m * pbar[m, n] * (self.s[n, m] * cm - self.c[n, m] * sm)
        k = self.gm / r
        gr, glat, glon = k * dr / r, k * dlat / r, k * dlon / (r * math.cos(lat))
        cl, sl, cb, sb = math.cos(lon), math.sin(lon), math.cos(lat), math.sin(lat)
        up = np.array([cb * cl, cb * sl, sb])
        north = np.array([-sb * cl, -sb * sl, cb])
        east = np.array([-sl, cl, 0.0])
        return gr * up + glat * north + glon * east


def rot_z(a):
    c, s = math.cos(a), math.sin(a)
    return np.array([[c, -s, 0.0], [s, c, 0.0], [0.0, 0.0, 1.0]])


def ephemerides(mjd0, days):
    grid = mjd0 + np.arange(-1.0, days + 1.0 + 1e-9, 1.0 / 24.0)
    t = Time(grid, format="mjd", scale="utc")
    earth = get_body_barycentric("earth", t).xyz.to_value("m").T
    out = []
    for body in ("sun", "moon"):
        geo = get_body_barycentric(body, t).xyz.to_value("m").T - earth
        c2i = erfa.c2i06a(t.tt.jd1, t.tt.jd2)
        out.append(CubicSpline((grid - mjd0) * 86400.0, np.einsum("kij,kj->ki", c2i, geo)))
    return out


def lit_fraction(r, sun):
    d = sun - r
    a = math.asin(R_SUN / np.linalg.norm(d))
    b = math.asin(R_EARTH / np.linalg.norm(r))
    c = math.acos(np.clip(-np.dot(r, d) / (np.linalg.norm(r) * np.linalg.norm(d)), -1, 1))
    if c >= a + b:
        return 1.0
    if c <= b - a:
        return 0.0
    x = (c * c + a * a - b * b) / (2 * c)
    y = math.sqrt(max(0.0, a * a - x * x))
    hidden = a * a * math.acos(x / a) + b * b * math.acos((c - x) / b) - c * y
    return 1.0 - hidden / (math.pi * a * a)


def main():
    tool, gravity_file = sys.argv[1], sys.argv[2]
    out = subprocess.run([tool, "gravity:%d,moon,sun,srp" % DEGREE, str(MJD0), str(DAYS), str(LON0)],
                         check=True, capture_output=True, text=True).stdout.split("\n")
    start = np.array([float(x) for x in out[0].split()])
    theirs = np.array([float(x) for x in out[1].split()])
    field = Field(gravity_file, DEGREE)
    sun, moon = ephemerides(MJD0, DAYS)

    def rhs(t, y):
        r = y[:3]
        theta = era(MJD0 + t / 86400.0)
        a = rot_z(theta) @ field.acceleration_ecef(rot_z(-theta) @ r)
        for body, gm in ((sun(t), GM_SUN), (moon(t), GM_MOON)):
            d = body - r
            a += gm * (d / np.linalg.norm(d) ** 3 - body / np.linalg.norm(body) ** 3)
        s = sun(t)
        d = s - r
        u = d / np.linalg.norm(d)
        area = np.dot(np.abs(u), CROSS)  # the vessel keeps the global axes
        p = P_AU * (AU / np.linalg.norm(d)) ** 2
        a -= lit_fraction(r, s) * p * CR * area / MASS * u
        return np.concatenate([y[3:], a])

    sol = solve_ivp(rhs, (0.0, DAYS * 86400.0), start, method="DOP853", rtol=1e-12, atol=1e-6)
    ours = sol.y[:, -1]

    def lon_deg(y):
        return (math.degrees(math.atan2(y[1], y[0]) - era(MJD0 + DAYS)) + 540.0) % 360.0 - 180.0

    def inc_deg(y):
        h = np.cross(y[:3], y[3:])
        return math.degrees(math.acos(h[2] / np.linalg.norm(h)))

    dlon = (lon_deg(theirs) - lon_deg(ours) + 180.0) % 360.0 - 180.0
    dinc = inc_deg(theirs) - inc_deg(ours)
    print("after %g days: longitude %.6f (python %.6f, moved %.4f deg), difference %.2e deg; "
          "inclination %.6f (python %.6f), difference %.2e deg; position apart %.1f m"
          % (DAYS, lon_deg(theirs), lon_deg(ours), lon_deg(ours) - LON0, dlon, inc_deg(theirs),
             inc_deg(ours), dinc, np.linalg.norm(theirs[:3] - ours[:3])))
    ok = abs(dlon) <= LON_TOL_DEG and abs(dinc) <= INC_TOL_DEG
    print("ok" if ok else "FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
