#!/usr/bin/env python3
"""Differential test of `zepra-cli check --file` against a second, deliberately simple
implementation of the rules in exact fractions.

Generates reports whose readings sit on, and one decimal step either side of, every boundary of
the three standards (limits and readings in micrometres or mils, roughness corrections, spots and
areas, exclusions, surface areas), runs the program on each and compares every criterion's
result and the verdict.

usage: check_differential.py ZEPRA_CLI [COUNT] [SEED]
"""

import concurrent.futures
import json
import os
import random
import subprocess
import sys
import tempfile
from fractions import Fraction

MIL = Fraction(254, 10)  # micrometres, exactly
ROUGHNESS = {"none": 0, "fine": 10, "medium": 25, "coarse": 40}


def um(text, unit):
    value = Fraction(text.replace(",", "."))
    return value * MIL if unit == "mils" else value


def text_of(value, places, comma=False):
    """A decimal text of a Fraction that has at most `places` places (asserted)."""
    scaled = value * 10**places
    assert scaled.denominator == 1, (value, places)
    n = int(scaled)
    sign = "-" if n < 0 else ""
    n = abs(n)
    whole, frac = divmod(n, 10**places)
    text = str(whole)
    if places:
        digits = str(frac).rjust(places, "0").rstrip("0")
        if digits:
            text += ("," if comma else ".") + digits
    return sign + text


# ---- the rules, as simply as they can be written ----


def iso19840(readings, ndft, maximum, correction, area):
    r = [x - correction for x in readings]
    n = len(r)
    high = maximum if maximum is not None else 3 * ndft
    between = sum(1 for x in r if Fraction(4, 5) * ndft <= x < ndft)
    results = [
        sum(r) / n >= ndft,
        all(x >= Fraction(4, 5) * ndft for x in r),
        Fraction(between, n) < Fraction(1, 5),
        all(x <= high for x in r),
    ]
    if area is not None:
        results.append(n >= iso_readings_for_area(area))
    return results


def iso_readings_for_area(a):
    for bound, least in ((1, 5), (3, 10), (10, 15), (30, 20), (100, 30)):
        if a <= bound:
            return least
    extra = -((100 - a) // 100)  # ceil((a - 100) / 100)
    return 30 + 10 * extra


def imo_pspc(readings, ndft, maximum):
    n = len(readings)
    results = [
        Fraction(sum(1 for x in readings if x >= ndft), n) >= Fraction(9, 10),
        all(x >= Fraction(9, 10) * ndft for x in readings),
    ]
    if maximum is not None:
        results.append(all(x <= maximum for x in readings))
    return results


def sspc_areas_needed(a, feet):
    unit = 100 if feet else 10
    if a <= 3 * unit:
        return -(-a // unit)
    if a <= 10 * unit:
        return 3
    return 3 + -(-(a - 10 * unit) // (10 * unit))


def sspc_pa2(readings, minimum, maximum, per_spot, per_area, needed):
    spots = [
        sum(readings[i : i + per_spot]) / per_spot
        for i in range(0, len(readings) - per_spot + 1, per_spot)
    ]
    areas = [spots[i : i + per_area] for i in range(0, len(spots) - per_area + 1, per_area)]
    results = [minimum <= sum(a) / per_area <= maximum for a in areas]
    results.append(len(areas) >= max(1, needed))
    used = [s for a in areas for s in a]
    if used:
        results.append(all(s >= Fraction(4, 5) * minimum for s in used))
        results.append(all(s <= Fraction(6, 5) * maximum for s in used))
    return results


# ---- reports at the boundaries ----


def around(rng, value, step):
    """The value or one step either side."""
    return value + rng.choice((-step, 0, 0, step))


def fill_sum(rng, n, total, step, low, high):
    """n values of the step's grid between low and high summing to total (or None)."""
    values = [Fraction(rng.randint(int(low / step), int(high / step))) * step for _ in range(n - 1)]
    last = total - sum(values)
    if last < 0:
        return None
    return values + [last]


def make_case(rng):
    standard = rng.choice(("iso19840", "imo-pspc", "sspc-pa2"))
    file_unit = rng.choice(("um", "mils"))
    option_unit = rng.choice(("um", "mils"))
    places = rng.choice((1, 2, 3))
    step = Fraction(1, 10**places)
    # Limits typed in the option unit; readings written in the file unit. Values on the file's
    # grid are chosen in file units, so that boundary readings can be written exactly.
    to_file = MIL if file_unit == "mils" else 1  # micrometres per file unit
    to_option = MIL if option_unit == "mils" else 1
    args = ["--unit", option_unit]
    correction = 0
    limits = {"standard": standard}

    def limit(low, high):
        # A limit whose boundary multiples land on the file grid: typed as k * step in the
        # option unit, chosen so that it is also a whole number of file steps when converted.
        while True:
            v = Fraction(rng.randint(int(low / step), int(high / step))) * step
            in_file = v * to_option / to_file
            if (in_file * 10**places).denominator == 1 or rng.random() < 0.2:
                return v

    if standard == "sspc-pa2":
        minimum = limit(Fraction(1), Fraction(8))
        maximum = minimum + limit(Fraction(0), Fraction(4))
        args += ["--min", text_of(minimum, places), "--max", text_of(maximum, places)]
        per_spot = rng.choice((3, 3, 4))
        per_area = rng.choice((1, 2, 5))
        if per_spot != 3 or rng.random() < 0.5:
            args += ["--readings-per-spot", str(per_spot)]
        args += ["--spots-per-area", str(per_area)]
        limits.update(min=minimum * to_option, max=maximum * to_option, per_spot=per_spot,
                    per_area=per_area, needed=0)
        areas = rng.randint(1, 4)
        targets = []  # spot means in file units
        lo = minimum * to_option / to_file
        hi = maximum * to_option / to_file
        for _ in range(areas):
            # An area on the minimum or the maximum, its spots on 80 % / 120 % where possible.
            kind = rng.choice(("min", "max", "mid", "spotlow", "spothigh"))
            means = [rng.choice((lo, hi, (lo + hi) / 2)) for _ in range(per_area)]
            if kind == "min":
                means = [lo] * per_area
            elif kind == "max":
                means = [hi] * per_area
            elif kind == "spotlow":
                means[0] = Fraction(4, 5) * lo
            elif kind == "spothigh":
                means[0] = Fraction(6, 5) * hi
            targets += means
        readings = []
        for mean in targets:
            spot = fill_sum(rng, per_spot, around(rng, mean * per_spot, step), step,
                            mean * Fraction(9, 10), mean * Fraction(11, 10))
            if spot is None:
                spot = [mean] * per_spot
            readings += spot
        readings += [Fraction(rng.randint(1, 50)) * step for _ in range(rng.choice((0, 0, 1, 2)))]
        if rng.random() < 0.3:
            feet = rng.random() < 0.5
            unit = 100 if feet else 10
            a = rng.choice((unit, 3 * unit, 10 * unit, 20 * unit)) + rng.choice((-step, 0, step))
            if a <= 0:
                a = step
            args += ["--area-ft2" if feet else "--area", text_of(a, places)]
            limits["needed"] = sspc_areas_needed(a, feet)
    else:
        ndft = limit(Fraction(2), Fraction(12))
        args += ["--ndft", text_of(ndft, places)]
        nd = ndft * to_option / to_file  # in file units
        n = rng.randint(1, 12)
        maximum = None
        if rng.random() < 0.4:
            maximum = ndft * rng.choice((2, 3)) + limit(Fraction(0), Fraction(1))
            args += ["--max", text_of(maximum, places)]
        if standard == "iso19840" and rng.random() < 0.3:
            roughness = rng.choice(("fine", "medium", "coarse"))
            args += ["--roughness", roughness]
            correction = ROUGHNESS[roughness]
        corr = Fraction(correction) / to_file
        high = (maximum * to_option / to_file) if maximum is not None else 3 * nd
        safe = nd * Fraction(3, 2) + corr  # passes every rule
        # One boundary at a time, the other readings safe.
        mode = rng.choice(("mean", "low", "band", "high", "count", "mixed"))
        readings = [safe] * n
        if mode == "mean":
            total = around(rng, (nd + corr) * n, step)
            filled = fill_sum(rng, n, total, step, nd + corr, nd * Fraction(6, 5) + corr)
            readings = filled if filled is not None else [nd + corr] * n
        elif mode == "low":
            readings[rng.randrange(n)] = around(
                rng, (Fraction(4, 5) if standard == "iso19840" else Fraction(9, 10)) * nd + corr,
                step)
        elif mode == "band":
            k = max(0, n // 5 + rng.choice((-1, 0, 1)))
            for i in rng.sample(range(n), min(k, n)):
                readings[i] = nd + corr - rng.choice((step, 0, Fraction(1, 10) * nd))
        elif mode == "high":
            readings[rng.randrange(n)] = around(rng, high + corr, step)
        elif mode == "count":
            k = max(0, n // 10 + rng.choice((-1, 0, 1)))
            for i in rng.sample(range(n), min(k, n)):
                readings[i] = nd + corr - step
        else:
            boundaries = [nd, Fraction(4, 5) * nd, Fraction(9, 10) * nd, high]
            readings = [around(rng, rng.choice(boundaries) + corr, step) for _ in range(n)]
        limits.update(ndft=ndft * to_option, max=None if maximum is None else maximum * to_option,
                    correction=correction, area=None)
        if standard == "iso19840" and rng.random() < 0.2:
            a = rng.choice((1, 3, 10, 30, 100, 200)) + rng.choice((-step, 0, step))
            args += ["--area", text_of(a, places)]
            limits["area"] = a

    # Exclusions: a wild reading or two added and left out.
    excluded = []
    if rng.random() < 0.3:
        for _ in range(rng.randint(1, 2)):
            at = rng.randint(0, len(readings))
            readings.insert(at, Fraction(rng.choice((0, 1, 5000))) * step)
            excluded = [e + 1 if e >= at + 1 else e for e in excluded] + [at + 1]
        args += ["--exclude", ",".join(str(e) for e in sorted(excluded)), "--reason", "weld seam"]
    # Readings must be written exactly; a value off the grid is rounded onto it.
    readings = [Fraction(round(max(r, 0) / step)) * step for r in readings]
    comma = rng.random() < 0.3
    lines = ['"NO.","Samples","Unit"']
    lines += [f'{i + 1},"{text_of(r, places, comma)}","{file_unit}"' for i, r in enumerate(readings)]
    eol = rng.choice(("\r\n", "\n"))
    content = ("\ufeff" if rng.random() < 0.2 else "") + eol.join(lines) + eol
    kept = [r * to_file for i, r in enumerate(readings) if i + 1 not in excluded]
    return standard, args, content, kept, limits


def expected(standard, kept, limits):
    if standard == "iso19840":
        return iso19840(kept, limits["ndft"], limits["max"], limits["correction"], limits["area"])
    if standard == "imo-pspc":
        return imo_pspc(kept, limits["ndft"], limits["max"])
    return sspc_pa2(kept, limits["min"], limits["max"], limits["per_spot"], limits["per_area"],
                    limits["needed"])


def run_case(cli, folder, index, case):
    standard, args, content, kept, limits = case
    path = os.path.join(folder, f"report{index}.csv")
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(content)
    command = [cli, "check", "--standard", standard, "--file", path, "--format", "json"] + args
    # The options are written with '.': the C locale reads them as typed (the files' decimal
    # comma is read in every locale).
    environment = dict(os.environ, LC_ALL="C")
    done = subprocess.run(command, capture_output=True, text=True, timeout=30, env=environment)
    want = expected(standard, kept, limits)
    if done.returncode not in (0, 1):
        return f"{' '.join(command)}: exit {done.returncode}: {done.stderr.strip()}\n{content}"
    verdict = json.loads(done.stdout)
    got = [c["pass"] for c in verdict["criteria"]]
    if got != want or verdict["pass"] != all(want) or done.returncode != (0 if all(want) else 1):
        return (f"{' '.join(command)}\n{content}\nexpected {want}, got {got}\n"
                + "\n".join(f"  {c['criterion']}: {c['required']} / {c['measured']}"
                            for c in verdict["criteria"]))
    return None


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    cli = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 20261210
    rng = random.Random(seed)
    cases = [make_case(rng) for _ in range(count)]
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            for failure in pool.map(lambda ic: run_case(cli, folder, *ic), enumerate(cases)):
                if failure:
                    failures.append(failure)
    passes = sum(1 for c in cases if all(expected(c[0], c[3], c[4])))
    print(f"{count} reports ({passes} PASS, {count - passes} FAIL by the fractions), "
          f"{len(failures)} differ")
    for failure in failures[:5]:
        print(failure)
        print()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
