#!/usr/bin/env python3
"""Times numpy/scipy on the sizes and data of the engine's benchmarks and prints each engine
figure as a ratio to its peer (below 1: the engine is faster).

Usage: peers.py [BENCH_JSON ...]  (Google Benchmark JSON output of bench_fits,
bench_poly_spline, bench_io, bench_open, bench_chart, bench_statistics and bench_save; without
any, only the peers' times are printed). The million-line CSV that bench_io and bench_open read
(points_1e6.csv beside the JSON files) is read by numpy.loadtxt as their peer, its fully quoted
twin (points_1e6_quoted.csv) by pandas.read_csv. bench_save's points are saved by numpy.savetxt
and DataFrame.to_csv, and the file it saved (saved_1e6.csv) is read back by both.
"""

import json
import os
import sys
import time

import numpy as np
from scipy.interpolate import UnivariateSpline, make_smoothing_spline

MASK = 0xFFFFFFFF


def lcg(state):
    return (state * 1664525 + 1013904223) & MASK


def fits_data(n):
    """The store of bench_fits.cpp: x in [0.5, 100.5), y = 2 + 0.3 x + noise."""
    x = np.empty(n)
    y = np.empty(n)
    state = 12345
    for i in range(n):
        state = lcg(state)
        xi = 0.5 + (state % 100000) / 1000.0
        noise = (state >> 20) / 4096.0 / 1024.0
        x[i] = xi
        y[i] = 2.0 + 0.3 * xi + noise
    return x, y


def poly_spline_data(n):
    """The store of bench_poly_spline.cpp: a noisy sine over [0, 10), in scrambled order."""
    state = 4242

    def nxt():
        nonlocal state
        state = lcg(state)
        return (state >> 8) / 16777216.0

    step = 10.0 / n
    points = []
    for i in range(n):
        x = (i + 0.5 * nxt()) * step
        points.append((x, np.sin(x) + 0.3 * (nxt() - 0.5)))
    for i in range(n - 1, 0, -1):
        j = int(nxt() * (i + 1))
        points[i], points[j] = points[j], points[i]
    return np.array([p[0] for p in points]), np.array([p[1] for p in points])


def random_x_data(n):
    """The random-x store of bench_poly_spline.cpp: x at random over [0, 10), a noisy sine."""
    state = 777
    x = np.empty(n)
    y = np.empty(n)
    for i in range(n):
        draws = []
        for _ in range(3):
            state = lcg(state)
            draws.append((state >> 8) / 16777216.0)
        x[i] = 10.0 * (draws[0] + draws[1] / 16777216.0)
        y[i] = np.sin(x[i]) + 0.3 * (draws[2] - 0.5)
    return x, y


def rounded_x_data(n):
    """The rounded readings of bench_poly_spline.cpp: x at random over [0, 10) rounded down to
    1e-4 (about ten points to each value at 10^6), a noisy sine."""
    state = 999
    x = np.empty(n)
    y = np.empty(n)
    for i in range(n):
        state = lcg(state)
        x[i] = np.floor(1e5 * ((state >> 8) / 16777216.0)) / 1e4
        state = lcg(state)
        y[i] = np.sin(x[i]) + 0.3 * ((state >> 8) / 16777216.0 - 0.5)
    return x, y


def best_time(fn, min_time=0.2, min_runs=3):
    """Shortest time of one call, over at least min_runs calls and min_time seconds."""
    best = float("inf")
    runs = 0
    start = time.perf_counter()
    while runs < min_runs or time.perf_counter() - start < min_time:
        t0 = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - t0)
        runs += 1
    return best


def smoothing_spline(x, y, factor):
    # The engine sorts the points itself; so must the peer.
    order = np.argsort(x)
    xs, ys = x[order], y[order]
    k, d = np.polyfit(xs, ys, 1)
    rss = float(np.sum((ys - (k * xs + d)) ** 2))
    return UnivariateSpline(xs, ys, k=3, s=factor * rss)


def merged_smoothing_spline(x, y, factor):
    # The merged spline's criterion: the groups of equal x as knots, their mean y weighted by
    # sqrt(count), and s = factor*L - W (L the line's residual over all points, W the sum of
    # squares within the groups).
    knots, inverse, counts = np.unique(x, return_inverse=True, return_counts=True)
    means = np.bincount(inverse, weights=y) / counts
    k, d = np.polyfit(x, y, 1)
    line = float(np.sum((y - (k * x + d)) ** 2))
    within = float(np.sum((y - means[inverse]) ** 2))
    return UnivariateSpline(knots, means, w=np.sqrt(counts), k=3, s=max(factor * line - within, 0.0))


def peer_times(csv):
    peers = {}
    if csv and os.path.exists(csv):
        loadtxt = best_time(lambda: np.loadtxt(csv, delimiter=",", skiprows=1), min_runs=3)
        for name in ("BM_ReadCsvOnly/1000000", "BM_ReadCsv/1000000", "BM_OpenInWindow/1000000"):
            peers[name] = ("numpy.loadtxt, same file", loadtxt)
    quoted = csv and csv.replace(".csv", "_quoted.csv")
    if quoted and os.path.exists(quoted):
        import pandas as pd

        peers["BM_ReadQuotedCsvOnly/1000000"] = (
            "pandas.read_csv, same file",
            best_time(lambda: pd.read_csv(quoted), min_runs=3),
        )
    x, y = fits_data(1000000)
    peers["BM_CalcLinFit/1000000"] = ("numpy.polyfit deg 1", best_time(lambda: np.polyfit(x, y, 1)))
    x, y = poly_spline_data(100000)
    for order in (1, 5, 9):
        peers[f"BM_CalcPolynomialFit/order:{order}/n:100000"] = (
            f"numpy.polyfit deg {order}",
            best_time(lambda o=order: np.polyfit(x, y, o)),
        )
    peers["BM_SplineComputation/n:100000"] = (
        "scipy UnivariateSpline s=0.5*RSS",
        best_time(lambda: smoothing_spline(x, y, 0.5)),
    )
    for n in (100000, 1000000):
        x, y = random_x_data(n)
        first = best_time(lambda: smoothing_spline(x, y, 0.5))
        # The same peer for the engine's store reused as an open reuses it and for a new store.
        for name in (f"BM_SplineRandomX/n:{n}/min_time:2.000",
                     f"BM_SplineRandomXFreshStore/n:{n}/min_time:2.000",
                     f"BM_SplineWithStatisticsRandomX/n:{n}/min_time:2.000"):
            peers[name] = ("scipy UnivariateSpline s=0.5*RSS, random x", first)
        peers[f"BM_SplineScrollStep/n:{n}"] = (
            "scipy UnivariateSpline s=0.501*RSS, random x",
            best_time(lambda: smoothing_spline(x, y, 0.501)),
        )
    # The merged spline on data without ties is the random-x spline; on rounded readings its
    # peer merges the groups with numpy first.
    peers["BM_MergedSplineRandomX/n:1000000"] = (
        "scipy UnivariateSpline s=0.5*RSS, random x", first)
    x, y = rounded_x_data(1000000)
    merged = best_time(lambda: merged_smoothing_spline(x, y, 0.5))
    for name in ("BM_MergedSplineRoundedX/n:1000000",
                 "BM_MergedSplineWithStatisticsRoundedX/n:1000000"):
        peers[name] = ("numpy.unique + UnivariateSpline on the groups", merged)
    # make_smoothing_spline picks its own smoothing by GCV; at 10^5 points of this data it
    # gives up as ill-posed, so it is timed at 10^4 as well.
    for n in (10000, 100000):
        x, y = poly_spline_data(n)
        order = np.argsort(x)
        name = f"BM_SplineComputation/n:{n} (GCV)"
        try:
            peers[name] = (
                "scipy make_smoothing_spline",
                best_time(lambda: make_smoothing_spline(x[order], y[order]), min_runs=1),
            )
        except (ValueError, np.linalg.LinAlgError) as error:
            peers[name] = (f"scipy make_smoothing_spline failed: {error}", float("nan"))
    statistics_peers(peers)
    saving_peers(peers, csv)
    return peers


# ---- regression statistics (bench_statistics) ----------------------------------------------
def statistics_peers(peers):
    """numpy.polyfit with and without its covariance on the points of bench_statistics (those of
    bench_poly_spline and bench_fits)."""
    x, y = poly_spline_data(100000)
    peers["BM_PolynomialFitWithStatistics/order:9/n:100000"] = (
        "numpy.polyfit deg 9, cov=True", best_time(lambda: np.polyfit(x, y, 9, cov=True)))
    peers["BM_PolynomialFitFreshPoints/order:9/n:100000"] = (
        "numpy.polyfit deg 9", best_time(lambda: np.polyfit(x, y, 9)))
    x, y = fits_data(1000000)
    peers["BM_LinFitWithStatistics/n:1000000"] = (
        "numpy.polyfit deg 1, cov=True", best_time(lambda: np.polyfit(x, y, 1, cov=True)))
# ---- end of regression statistics ----------------------------------------------------------


# ---- saving points (bench_save) ------------------------------------------------------------
def computed_data(n):
    """bench_save's computed points: the formula of points_1e6.csv unrounded."""
    x = np.empty(n)
    y = np.empty(n)
    state = 12345
    for i in range(n):
        state = lcg(state)
        x[i] = i * 0.001 + (state >> 8) / 16777216.0 * 1e-4
        y[i] = 3 * np.sin(x[i]) + (state & 0xFFFF) / 65536.0
    return x, y


def saving_peers(peers, csv):
    """numpy.savetxt ('%.17g', which reads back exactly, and its default '%.18e') and
    DataFrame.to_csv (shortest repr) saving bench_save's points into the same folder, and
    numpy.loadtxt and pandas.read_csv reading back the file the engine saved."""
    if not csv:
        return
    import pandas as pd

    folder = os.path.dirname(csv)
    out = os.path.join(folder, "peer_saved_1e6.csv")
    sets = {"Computed": computed_data(1000000)}
    if os.path.exists(csv):
        sets["Measured"] = tuple(np.loadtxt(csv, delimiter=",", skiprows=1).T)
    for kind, (x, y) in sets.items():
        name = f"BM_SaveCsv{kind}/1000000"
        table = np.column_stack((x, y))
        frame = pd.DataFrame({"x": x, "y": y})
        for label, fmt in (("%.17g", "%.17g"), ("default", "%.18e")):
            peers[f"{name} ({label})"] = (
                f"numpy.savetxt fmt='{fmt}'",
                best_time(lambda f=fmt: np.savetxt(out, table, fmt=f, delimiter=",",
                                                   header="x,y", comments="")))
        peers[f"{name} (pandas)"] = (
            "DataFrame.to_csv index=False", best_time(lambda: frame.to_csv(out, index=False)))
    os.remove(out)
    saved = os.path.join(folder, "saved_1e6.csv")
    if os.path.exists(saved):
        peers["BM_ReadSavedCsv/1000000"] = (
            "numpy.loadtxt, same file",
            best_time(lambda: np.loadtxt(saved, delimiter=",", skiprows=1)))
        peers["BM_ReadSavedCsv/1000000 (pandas)"] = (
            "pandas.read_csv, same file", best_time(lambda: pd.read_csv(saved)))
# ---- end of saving points ------------------------------------------------------------------


def engine_times(paths):
    """Real time per iteration in seconds, by benchmark name."""
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    times = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for b in json.load(f).get("benchmarks", []):
                if b.get("run_type", "iteration") == "iteration":
                    times[b["name"]] = b["real_time"] * scale[b.get("time_unit", "ns")]
    return times


def main():
    engine = engine_times(sys.argv[1:])
    csv = os.path.join(os.path.dirname(sys.argv[1]), "points_1e6.csv") if len(sys.argv) > 1 else None
    print(f"{'benchmark':<42} {'engine':>10} {'peer':>10} {'ratio':>7}  peer")
    # The chart's yardstick runs in the same benchmark program.
    # The last argument is the device pixel ratio.
    for own_name, peer_name in (("BM_PanStep/1000000/1", "BM_QPainterDots/1000000/1"),
                                ("BM_PanStep/1000000/2", "BM_QPainterDots/1000000/2"),
                                ("BM_ShowItems/10000/1", "BM_QPainterDots/10000/1"),
                                ("BM_ShowItems/10000/2", "BM_QPainterDots/10000/2")):
        if own_name in engine and peer_name in engine:
            own, peer = engine[own_name], engine[peer_name]
            print(f"{own_name:<42} {own * 1e3:8.2f}ms {peer * 1e3:8.2f}ms {own / peer:7.3f}  "
                  "plain QPainter loop, same dots")
    for name, (peer_name, peer) in peer_times(csv).items():
        # A note in parentheses tells apart the peers of one engine figure.
        own = engine.get(name.split(" (")[0])
        own_text = f"{own * 1e3:8.2f}ms" if own is not None else f"{'-':>10}"
        ratio = f"{own / peer:7.3f}" if own is not None else f"{'-':>7}"
        print(f"{name:<42} {own_text} {peer * 1e3:8.2f}ms {ratio}  {peer_name}")


if __name__ == "__main__":
    main()
