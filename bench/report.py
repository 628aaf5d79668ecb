# Turns the measurements of bench/run into its table, targets and closing "probe/floor" line.
"""report.py WORK ROUNDS CORES LOAD_BEFORE LOAD_AFTER LIBSTDCXX_LINKED STRIPPED SCHEDULING

Reads WORK/json/<group>-<round>.json (hyperfine), WORK/rss.txt and
WORK/sizes.txt as bench/run leaves them. Wall times of all rounds of a
command are pooled and their median taken; CPU is hyperfine's user + system
time, averaged over all runs.
"""

import glob
import json
import os
import statistics
import sys

ROWS = [
    ("a", "floor: static C++, prints the document"),
    ("a2", "  reference: floor linked like the probe"),
    ("a3", "  reference: a2 + loading rfc_stub.cc's lib"),
    ("a4", "  reference: a2 + loading the simulated lib"),
    ("b0", "  reference: b with rfc_stub.cc's lib"),
    ("b", "tidewarden PRD, no rewrite"),
    ("b_nw", "  b through the simulated NetWeaver lib"),
    ("b_rewrite", "tidewarden PRDW, rewrite"),
    ("c", "python3 sensor.py PRD, no rewrite"),
    ("c_rewrite", "python3 sensor.py PRDW, rewrite"),
    ("d1", "tidewarden GLOBAL N1 (1 system)"),
    ("d10", "tidewarden GLOBAL N10"),
    ("d100", "tidewarden GLOBAL N100"),
    ("d250", "tidewarden GLOBAL N250"),
]
LISTING = [(1, "d1"), (10, "d10"), (100, "d100"), (250, "d250")]
RSS_LIMIT_KB = 4096
RATIO_LIMIT = 1.5
PER_SYSTEM_LIMIT_MS = 0.2
NETWEAVER_LIMIT = 1.2


def load(work):
    times, cpu = {}, {}
    for path in sorted(glob.glob(os.path.join(work, "json", "*.json"))):
        with open(path) as f:
            for result in json.load(f)["results"]:
                name = result["command"]
                runs = len(result["times"])
                times.setdefault(name, []).extend(result["times"])
                total, count = cpu.get(name, (0.0, 0))
                cpu[name] = (total + (result["user"] + result["system"]) * runs, count + runs)
    median = {name: statistics.median(t) * 1000 for name, t in times.items()}
    cpu_ms = {name: total / count * 1000 for name, (total, count) in cpu.items()}
    runs = {name: len(t) for name, t in times.items()}
    return median, cpu_ms, runs


def pairs(path):
    with open(path) as f:
        return {name: int(value) for name, value in (line.split() for line in f if line.strip())}


def slope(points):
    xs, ys = zip(*points)
    mx, my = statistics.fmean(xs), statistics.fmean(ys)
    return sum((x - mx) * (y - my) for x, y in points) / sum((x - mx) ** 2 for x in xs)


def verdict(ok):
    return "met" if ok else "MISSED"


def main(argv):
    work, rounds, cores, load_before, load_after, libstdcxx, stripped, scheduling = argv[1:9]
    median, cpu, runs = load(work)
    rss = pairs(os.path.join(work, "rss.txt"))
    sizes = pairs(os.path.join(work, "sizes.txt"))

    print()
    print(f"Tidewarden bench: release build ({'stripped' if stripped != '0' else 'NOT stripped'}, "
          f"C++ runtime {'DYNAMIC' if libstdcxx != '0' else 'static'}, glibc dynamic), "
          f"{cores} cores, load average {load_before} before and {load_after} after timing, "
          f"timed in {rounds} rounds at {scheduling} scheduling")
    print()
    print(f"{'':5}{'command':44}{'median ms':>10}{'CPU ms':>9}{'runs':>6}{'peak RSS KiB':>14}")
    for name, label in ROWS:
        print(f"{name.replace('_rewrite', chr(39)):5}{label:44}{median[name]:10.3f}{cpu[name]:9.3f}"
              f"{runs[name]:6d}{rss[name]:14d}")
    print()

    per_system = slope([(n, median[name]) for n, name in LISTING])
    per_system_cpu = slope([(n, cpu[name]) for n, name in LISTING])
    steps = [(median[b] - median[a]) / (nb - na)
             for (na, a), (nb, b) in zip(LISTING, LISTING[1:])]
    # Linear: the cost of a system is the same over the first 100 and the next 150.
    linear = abs(steps[1] - steps[2]) <= 0.25 * max(steps[1], steps[2])
    print(f"listing, per system: {per_system:.3f} ms wall ({per_system_cpu:.3f} ms CPU), "
          "least squares over 1, 10, 100, 250 systems")
    print(f"  per system between 1 and 10: {steps[0]:.3f} ms, 10 and 100: {steps[1]:.3f} ms, "
          f"100 and 250: {steps[2]:.3f} ms")
    print()
    print("sizes: " + ", ".join(f"{name} {size / 1024:.0f} KiB" for name, size in sizes.items()))
    print()

    print("where the single run's time goes (median ms, CPU ms):")
    parts = [
        ("starting any small program (a)", "a", None),
        ("+ glibc dynamic, as the probe is linked (a2 - a)", "a2", "a"),
        ("+ loading a (near-free) RFC library (a3 - a2)", "a3", "a2"),
        ("+ the probe's own run (b0 - a3)", "b0", "a3"),
        ("+ the simulated library, loading and answering (b - b0)", "b", "b0"),
    ]
    for label, name, base in parts:
        wall = median[name] - (median[base] if base else 0)
        used = cpu[name] - (cpu[base] if base else 0)
        print(f"  {label:58}{wall:8.3f}{used:8.3f}")
    print()

    b_a = median["b"] / median["a"]
    c_b = median["c"] / median["b"]
    print(f"b/a   = {b_a:.2f}  (CPU {cpu['b'] / cpu['a']:.2f}; probe against the floor)")
    b0_a3 = median["b0"] / median["a3"]
    print(f"b0/a3 = {b0_a3:.2f}  (CPU {cpu['b0'] / cpu['a3']:.2f}; the probe's own run against a "
          "floor linked and loading a library as it must)")
    nw_b = median["b_nw"] / median["b"]
    print(f"b_nw/b = {nw_b:.2f}  (CPU {cpu['b_nw'] / cpu['b']:.2f}; the same run through the "
          "NetWeaver drop-in against the classic one)")
    print(f"c/b   = {c_b:.2f}  (CPU {cpu['c'] / cpu['b']:.2f}; script sensor against the probe)")
    print(f"b'/a  = {median['b_rewrite'] / median['a']:.2f}  the rewrite adds "
          f"{median['b_rewrite'] - median['b']:.3f} ms to the probe, "
          f"{median['c_rewrite'] - median['c']:.3f} ms to the script (CPU "
          f"{cpu['b_rewrite'] - cpu['b']:.3f} and {cpu['c_rewrite'] - cpu['c']:.3f} ms): "
          "the wait for the disk")
    print()
    probe_rows = ["b", "b_nw", "b_rewrite", "d1", "d10", "d100", "d250"]
    worst = max(probe_rows, key=lambda name: rss[name])
    print("targets:")
    print(f"  b/a <= {RATIO_LIMIT} without a rewrite: {verdict(b_a <= RATIO_LIMIT)} ({b_a:.2f})")
    print(f"  peak RSS <= 4 MiB: {verdict(rss[worst] <= RSS_LIMIT_KB)} "
          f"(largest probe run: {worst}, {rss[worst]} KiB)")
    print(f"  listing linear: {verdict(linear)}; <= {PER_SYSTEM_LIMIT_MS} ms per system: "
          f"{verdict(per_system <= PER_SYSTEM_LIMIT_MS)} ({per_system:.3f} ms)")
    print(f"  b_nw/b <= {NETWEAVER_LIMIT}: {verdict(nw_b <= NETWEAVER_LIMIT)} ({nw_b:.2f})")
    print(f"  release build stripped: {verdict(stripped != '0')}; C++ runtime static: "
          f"{verdict(libstdcxx == '0')}")
    print()
    print(f"probe/floor = {b_a:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
