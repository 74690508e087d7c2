# SPDX-License-Identifier: GPL-3.0-or-later
"""The soak's judgement (tools/soak_analysis.py) on made-up sample series:
a sanitizer build's memory noise never fails it, the leaks this program once
had always do; the update check's descriptors are expected, a climb is not.

The noise is that of the soak test's runs: one-minute slopes of the resident
size spread with a standard deviation of 4 MiB/min around a long-term
+1 MiB/min. Samples come every 5 s (every 10 s on a slow machine, where the
churn rounds take longer) over the 120 s timed run."""
import os
import random
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import soak_analysis as sa  # noqa: E402

MIB = 1024
RUNS = 2000
failures = []


def check(cond, what):
    print(("ok    " if cond else "FAIL  ") + what)
    if not cond:
        failures.append(what)


def times(interval, seconds=120):
    return [interval * (i + 1) for i in range(int(seconds // interval))]


def ols_slope(points):
    mt = statistics.fmean(t for t, _ in points)
    my = statistics.fmean(y for _, y in points)
    var = sum((t - mt) ** 2 for t, _ in points)
    return sum((t - mt) * (y - my) for t, y in points) / var


# Per-sample noise such that a least-squares line through one minute of
# 5-second samples has a slope spread of 4 MiB/min.
ONE_MINUTE = [5.0 * i for i in range(13)]
SIGMA_KIB = 4 * MIB / 60 * (sum((t - 30) ** 2 for t in ONE_MINUTE)) ** 0.5


def memory_run(rng, leak_mib_per_min, interval=5.0, drift_mib_per_min=1.0, spikes=0):
    ts = times(interval)
    rss = [400 * MIB + (drift_mib_per_min + leak_mib_per_min) * MIB * t / 60 + rng.gauss(0, SIGMA_KIB)
           for t in ts]
    for i in rng.sample(range(len(ts)), spikes):
        rss[i] += 40 * MIB  # a moment of many buffers alive at once
    return [(t, r, 60) for t, r in zip(ts, rss)]


def verdict(samples, checks=()):
    return sa.judge(samples, list(checks), warmup_s=sa.WARMUP_S,
                    max_slope_kib_per_min=sa.MAX_SLOPE_KIB_PER_MIN,
                    max_fd_growth=sa.MAX_FD_GROWTH)


# -- The noise model reproduces what the old one-minute fit suffered from.
rng = random.Random(7)
minute_slopes = [ols_slope([(t, 1 * MIB * t / 60 + rng.gauss(0, SIGMA_KIB)) for t in ONE_MINUTE]) * 60
                 for _ in range(RUNS)]
spread = statistics.stdev(minute_slopes) / MIB
check(3.6 < spread < 4.4, f"one-minute slopes of the model spread by {spread:.2f} MiB/min (4 reported)")
old_failures = 0
for _ in range(RUNS):
    run = memory_run(rng, 0)
    second_half = [(t, r) for t, r, _ in run if t >= 60]
    old_failures += ols_slope(second_half) * 60 > 6144
check(old_failures > RUNS // 20,
      f"the old second-half fit with its 6 MiB/min bound fails {old_failures} of {RUNS} runs "
      "without a leak (as the soak test did)")

# -- Flat memory with noise passes: never at the normal pace (a sample every
# 5 s), at most one run in a thousand when a busy machine halves the pace.
for interval, allowed, margin in ((5.0, 0, 4.0), (10.0, RUNS // 1000, 3.0)):
    rng = random.Random(11)
    slopes = []
    failed = 0
    for _ in range(RUNS):
        faults, figures = verdict(memory_run(rng, 0, interval))
        slopes.append(figures["slope_kib_per_min"] / MIB)
        failed += bool(faults)
    sd = statistics.stdev(slopes)
    check(failed <= allowed, f"no leak, samples every {interval:.0f} s: {failed} of {RUNS} runs fail; "
          f"slope {statistics.fmean(slopes):.2f} +- {sd:.2f} MiB/min, at most {max(slopes):.2f}")
    check(1 + margin * sd < sa.MAX_SLOPE_KIB_PER_MIN / MIB,
          f"the bound is {(sa.MAX_SLOPE_KIB_PER_MIN / MIB - 1) / sd:.1f} standard deviations above "
          f"the noise at {interval:.0f} s")

# A few samples caught at a peak do not make a leak.
rng = random.Random(13)
failed = sum(bool(verdict(memory_run(rng, 0, spikes=2))[0]) for _ in range(RUNS))
check(failed == 0, f"two 40 MiB spikes in a run: {failed} of {RUNS} runs fail")

# -- A leak of the old kind fails every run, also sampled slowly.
for leak in (20, 30):
    for interval in (5.0, 10.0):
        rng = random.Random(17)
        slopes = []
        passed = 0
        for _ in range(RUNS):
            faults, figures = verdict(memory_run(rng, leak, interval))
            slopes.append(figures["slope_kib_per_min"] / MIB)
            passed += not faults
        check(passed == 0, f"+{leak} MiB/min leak, samples every {interval:.0f} s: {passed} of "
              f"{RUNS} runs pass; slope at least {min(slopes):.2f} MiB/min")
faults, _ = verdict(memory_run(random.Random(1), 20))
check(any("memory keeps growing" in f for f in faults), "the leak is reported as memory growth")

# -- Descriptors.
def fd_run(fds_at):
    return [(t, 400 * MIB, fds_at(t)) for t in times(5.0)]


# The update check's step, 60 s after the start (here 35 s into the timed
# run), seen in the log from 35.2 s to 36.0 s.
check_window = [(35.2, 36.0)]
faults, figures = verdict(fd_run(lambda t: 60 + (7 if t >= 40 else 0)), check_window)
check(not faults and figures["fd_expected"] == 7,
      f"a step of 7 across the update check passes ({figures})")
faults, figures = verdict(fd_run(lambda t: 60 + (7 if t >= 40 else 0)))
check(any("descriptors grew by 7" in f for f in faults),
      "the same step with no update check in the log fails")
faults, figures = verdict(fd_run(lambda t: 60 + (7 if t >= 80 else 0)), check_window)
check(bool(faults), "a step away from the update check fails")
# A check still running at the end of the run expects nothing.
faults, figures = verdict(fd_run(lambda t: 60 + (7 if t >= 120 else 0)), [(118.0, None)])
check(bool(faults) and figures["fd_expected"] == 0, "a check without an end expects nothing")
# The old leak: 4 descriptors per panels on/off cycle, one cycle per churn round.
faults, figures = verdict(fd_run(lambda t: 60 + 4 * int(t // 10)), check_window)
check(any("descriptors grew" in f for f in faults),
      f"4 descriptors a round fail, update check or not ({figures['fd_growth']} counted)")
# One descriptor a minute, over two minutes: within the bound.
faults, _ = verdict(fd_run(lambda t: 60 + int(t // 60)))
check(not faults, "one descriptor a minute passes")
# A leak hidden in the check's window is counted beyond what a check keeps.
faults, figures = verdict(fd_run(lambda t: 60 + (sa.MAX_CHECK_FDS + 10 if t >= 40 else 0)),
                          check_window)
check(figures["fd_growth"] == 10 and bool(faults),
      f"a step of {sa.MAX_CHECK_FDS + 10} across the check counts all beyond {sa.MAX_CHECK_FDS}")
# The end-of-run count is part of the trace.
faults, _ = sa.judge(fd_run(lambda t: 60), [], warmup_s=sa.WARMUP_S,
                     max_fd_growth=sa.MAX_FD_GROWTH, fds_end=(121.0, 80))
check(bool(faults), "growth seen only at the end of the run fails")

print(f"{RUNS} runs per case; {len(failures)} check(s) failed")
sys.exit(1 if failures else 0)
