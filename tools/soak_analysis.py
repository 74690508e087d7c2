# SPDX-License-Identifier: GPL-3.0-or-later
"""How a soak run is judged (tools/soak.py): memory growth over the whole
timed run, and descriptor growth net of what the update check opens.

Memory: the resident size of a sanitizer build is noisy. Over one minute its
slope spreads with a standard deviation of about 4 MiB/min around a long-term
+1 MiB/min, so a line through one minute of samples fails now and then with
no leak at all. The growth is therefore the Theil-Sen slope (the median of
the slopes between every pair of samples) over every sample after the
warm-up: robust to the single jumps the allocator makes, and about half as
noisy as a one-minute fit. A leak of the kind this program had (a capture
pipeline kept per camera restart or hot-plug, ~1 MB per panels on/off cycle)
grows by tens of MiB per minute under the soak's churn.

Descriptors: the program's first update check (60 s after its start) creates
the network access and keeps a few descriptors open for the rest of the run.
That step is expected: growth across a check seen in the log, up to
max_check_fds, is not counted. Any other growth is.
"""

# The bounds of the soak test (tests/e2e/reliability_soak_test.sh; the
# numbers behind them are in tests/e2e/soak_analysis_test.py).
MAX_SLOPE_KIB_PER_MIN = 10 * 1024  # noise: 1 +- 2 MiB/min; the old leaks: tens of MiB/min
WARMUP_S = 20
MAX_FD_GROWTH = 6  # the old leak kept 4 per panels on/off cycle, several cycles a minute
MAX_CHECK_FDS = 8  # seen: 3 event descriptors of the network threads (2 once one ends)


def median(values):
    ordered = sorted(values)
    n = len(ordered)
    if n == 0:
        raise ValueError("median of nothing")
    mid = n // 2
    return ordered[mid] if n % 2 else (ordered[mid - 1] + ordered[mid]) / 2


def theil_sen_slope(points):
    """Median of the pairwise slopes of (t, y) points (distinct t only)."""
    slopes = [(y2 - y1) / (t2 - t1)
              for i, (t1, y1) in enumerate(points) for t2, y2 in points[i + 1:] if t2 != t1]
    return median(slopes) if slopes else 0.0


def memory_slope_kib_per_min(samples, warmup_s):
    """samples: (seconds, rss_kib) of the timed run. Theil-Sen slope after the
    warm-up (all samples when too few remain), in KiB per minute."""
    used = [s for s in samples if s[0] >= warmup_s]
    if len(used) < 3:
        used = list(samples)
    return theil_sen_slope(used) * 60.0, len(used)


def update_check_steps(trace, checks, max_check_fds):
    """Descriptors that each update check left open: the count at the first
    regular sample after the check ended minus the last count before it
    started, clipped to 0..max_check_fds. trace: (seconds, descriptors) in
    time order; checks: (started, ended) seconds, ended None while running."""
    steps = []
    for started, ended in checks:
        before = [fds for t, fds in trace if t <= started]
        after = [fds for t, fds in trace if ended is not None and t >= ended]
        if not before or not after:
            continue  # the check does not lie between two samples of this window
        steps.append(max(0, min(max_check_fds, after[0] - before[-1])))
    return steps


def descriptor_growth(trace, checks, max_check_fds):
    """Growth from the first to the last sample of trace, less the update
    checks' own descriptors. Returns (growth, expected)."""
    if len(trace) < 2:
        return 0, 0
    first, last = trace[0], trace[-1]
    inside = [(s, e) for s, e in checks if first[0] <= s and (e is None or e <= last[0])]
    expected = sum(update_check_steps(trace, inside, max_check_fds))
    return last[1] - first[1] - expected, expected


def judge(samples, checks, *, warmup_s, max_slope_kib_per_min=None, max_fd_growth=None,
          max_check_fds=MAX_CHECK_FDS, fds_end=None):
    """samples: (seconds, rss_kib, descriptors) of the timed run, in order;
    checks: (started, ended) of the update checks on the same clock; fds_end:
    (seconds, descriptors) just before the program was stopped, if known.
    Returns (faults, figures): faults is a list of sentences (empty: passed)."""
    slope, used = memory_slope_kib_per_min([(t, rss) for t, rss, _ in samples], warmup_s)
    trace = [(t, fds) for t, _, fds in samples] + ([fds_end] if fds_end else [])
    growth, expected = descriptor_growth(trace, checks, max_check_fds)
    figures = {"slope_kib_per_min": slope, "slope_samples": used, "fd_growth": growth,
               "fd_expected": expected}
    faults = []
    if max_slope_kib_per_min is not None and slope > max_slope_kib_per_min:
        faults.append(f"memory keeps growing: {slope / 1024:.1f} MiB/min over {used} samples "
                      f"(bound {max_slope_kib_per_min / 1024:.1f} MiB/min)")
    if max_fd_growth is not None and growth > max_fd_growth:
        faults.append(f"descriptors grew by {growth} beyond the {expected} the update check "
                      f"opened (bound {max_fd_growth})")
    return faults, figures
