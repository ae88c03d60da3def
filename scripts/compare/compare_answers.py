#!/usr/bin/env python3
"""Compares the answers of two builds (the lines of compare-answers, answer_record.h) and lists what
changed: answers that moved beyond 1e-9 (exact and sampled apart), answers that became refusals and
refusals that became answers, refusals whose status changed, times that grew past 2x (where either side
took 20 ms or more), times that grew past 1.2x (answers and whole sections of 200 ms or more), sections
whose peak memory grew past 1.2x (either side 50 MB or more), answers of one build only and sections that
did not finish; then every section's time and peak memory on both sides. In a random-edit sequence only the first change is
listed: the later answers rest on the state it left. A time is the median of every run of its section.

    compare_answers.py OLD-DIR NEW-DIR OLD-LABEL NEW-LABEL [--slower-sections]

Each DIR holds, per section, NNN.out (the answers), NNN.status (the driver's exit status) and NNN.rss
(the run's wall time in seconds and peak memory in KB, when measured) and sections.txt lists the sections
in order; DIR.again1, DIR.again2, ... hold the NNN.out and NNN.rss of the sections run again, whose times
and memory count towards the medians. The report goes to standard output; with
--slower-sections, the indices of the sections with times that grew, one a line."""

import math
import os
import sys

TOLERANCE = 1e-9
SLOWER = 2.0
NOTICEABLE_MS = 20.0
DRIFT = 1.2
DRIFT_MS = 200.0
MEMORY = 1.2
MEMORY_KB = 50 * 1024
# Growth no rerun on a busy machine could explain: such a section is not run again.
CLEAR = 3.0


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def read_times(folder, sections, times):
    """Adds the times of the reruns in folder to `times` (key -> list of ms)."""
    for index in range(len(sections)):
        try:
            with open(os.path.join(folder, "%03d.out" % index), errors="replace") as f:
                lines = f.read().splitlines()
        except OSError:
            continue
        for line in lines:
            fields = line.split("\t")
            if len(fields) >= 7 and fields[0] == "answer" and fields[2] in times:
                times[fields[2]].append(float(fields[4]))


def read_usage(folder, sections):
    """{section: ([wall seconds], [peak KB])} of every run of the side: the main one and the reruns. A
    measure of a run that failed ends with its numbers, after a line of /usr/bin/time about the failure."""
    usage = {}
    folders = [folder]
    while os.path.isdir("%s.again%d" % (folder, len(folders))):
        folders.append("%s.again%d" % (folder, len(folders)))
    for run in folders:
        for index, section in enumerate(sections):
            try:
                with open(os.path.join(run, "%03d.rss" % index)) as f:
                    fields = f.read().split()[-2:]
                seconds, kb = float(fields[0]), float(fields[1])
            except (OSError, ValueError, IndexError):
                continue
            entry = usage.setdefault(section, ([], []))
            entry[0].append(seconds)
            entry[1].append(kb)
    return {section: (median(times), median(kbs)) for section, (times, kbs) in usage.items()}


def read_side(folder):
    answers = {}
    section_of = {}
    order = []
    unfinished = {}
    repeated = []
    other = {}  # section -> the first line of its output that is no answer (a failed check of a helper)
    with open(os.path.join(folder, "sections.txt")) as f:
        sections = [line.strip() for line in f if line.strip()]
    for index, section in enumerate(sections):
        base = os.path.join(folder, "%03d" % index)
        try:
            with open(base + ".status") as f:
                status = f.read().strip()
        except OSError:
            status = "not run"
        if status != "0":
            unfinished[section] = status
        try:
            with open(base + ".out", errors="replace") as f:
                lines = f.read().splitlines()
        except OSError:
            lines = []
        try:
            with open(base + ".err", errors="replace") as f:
                lines += f.read().splitlines()
        except OSError:
            pass
        for line in lines:
            fields = line.split("\t")
            if len(fields) < 7 or fields[0] != "answer":
                if line.strip() and section not in other:
                    other[section] = line.strip()
                continue
            kind, key, status_code, ms, values, log = fields[1:7]
            if key in answers:
                repeated.append(key)
                continue
            answers[key] = (kind, int(status_code), float(ms), values, log)
            section_of[key] = (index, section)
            order.append(key)
    if repeated:
        print("Warning: %s gives %d keys more than once (the first kept), e.g. %s"
              % (folder, len(repeated), ", ".join(repeated[:3])), file=sys.stderr)
    # The sections run again, for the times: the median of all runs counts.
    times = {key: [answer[2]] for key, answer in answers.items()}
    rerun = 1
    while os.path.isdir("%s.again%d" % (folder, rerun)):
        read_times("%s.again%d" % (folder, rerun), sections, times)
        rerun += 1
    for key, ms in times.items():
        kind, status, _, values, log = answers[key]
        answers[key] = (kind, status, median(ms), values, log)
    return answers, order, unfinished, section_of, other, read_usage(folder, sections)


def parse_values(text):
    nodes = []
    for item in text.split(" ") if text else []:
        name, _, numbers = item.rpartition("=")
        nodes.append((name, [] if numbers == "-" else numbers.split(",")))
    return nodes


def number(text):
    try:
        return float(text)
    except ValueError:
        return float("nan")


def difference(a, b):
    """The largest difference between two value lists beyond the tolerance, as (size, node, old, new),
    or None when they agree."""
    old, new = parse_values(a), parse_values(b)
    if [n for n, _ in old] != [n for n, _ in new]:
        gone = [n for n, _ in old if n not in dict(new)]
        added = [n for n, _ in new if n not in dict(old)]
        return (math.inf, "nodes differ (gone %s, new %s)" % (gone[:5], added[:5]), "", "")
    worst = None
    for (name, xs), (_, ys) in zip(old, new):
        if len(xs) != len(ys):
            return (math.inf, name, ",".join(xs[:8]), ",".join(ys[:8]))
        for i, (x, y) in enumerate(zip(xs, ys)):
            fx, fy = number(x), number(y)
            if fx == fy or (math.isnan(fx) and math.isnan(fy)):
                continue
            size = abs(fx - fy) if not (math.isinf(fx) or math.isinf(fy)) else math.inf
            if math.isnan(size):
                size = math.inf
            if size <= TOLERANCE * max(1.0, abs(fx), abs(fy)):
                continue
            if worst is None or size > worst[0]:
                worst = (size, name, ",".join(xs[:8]), ",".join(ys[:8]))
                if len(xs) > 8:  # the entries around it
                    at = max(0, i - 3)
                    worst = (size, "%s (entries from %d)" % (name, at), ",".join(xs[at:at + 8]),
                             ",".join(ys[at:at + 8]))
    return worst


def sequence_of(key):
    """The random-edit sequence of the key (the edits of one network under one seed), whose later answers
    rest on what the earlier edits left; None for an answer on its own."""
    parts = key.split(":")
    return ":".join(parts[:4]) if parts[0] == "edits" and len(parts) > 4 else None


def classify(key, old, new):
    """(kind, text) of what changed from old to new (tuples of read_side, None when absent), or
    (None, None) when nothing did."""
    if old is None:
        return "only-new", key
    if new is None:
        return "only-old", key
    o_kind, o_status, o_ms, o_values, o_log = old
    n_kind, n_status, n_ms, n_values, n_log = new
    both_logs = "\n      was: %s\n      now: %s" % (o_log or "(nothing logged)", n_log or "(nothing logged)")
    if o_status == 0 and n_status != 0:
        return "refused", "%s: status %d%s" % (key, n_status, both_logs)
    if o_status != 0 and n_status == 0:
        return "answered", "%s: was status %d%s" % (key, o_status, both_logs)
    if o_status != n_status:
        return "recoded", "%s: status %d -> %d%s" % (key, o_status, n_status, both_logs)
    if o_status == 0:
        moved = difference(o_values, n_values)
        if moved is not None:
            size, node, before, after = moved
            text = "%s: %s by %.3g\n      was: %s\n      now: %s" % (key, node, size, before, after)
            return "sampled" if "sampled" in (o_kind, n_kind) else "moved", text
    if max(o_ms, n_ms) >= NOTICEABLE_MS and n_ms > SLOWER * o_ms:
        return "slower", "%s: %.1f ms -> %.1f ms (x%.1f)" % (key, o_ms, n_ms, n_ms / max(o_ms, 1e-3))
    if max(o_ms, n_ms) >= DRIFT_MS and n_ms > DRIFT * o_ms:
        return "drift", "%s: %.1f ms -> %.1f ms (x%.2f)" % (key, o_ms, n_ms, n_ms / max(o_ms, 1e-3))
    return None, None


def slower_sections(old, new, section_of):
    """(section, old ms, new ms) of the sections of DRIFT_MS or more whose time grew past DRIFT: the sums
    of the median times of the answers both builds give with the same status."""
    totals = {}
    for key, answer in new.items():
        if key in old and old[key][1] == answer[1]:
            total = totals.setdefault(section_of[key][1], [0.0, 0.0])
            total[0] += old[key][2]
            total[1] += answer[2]
    return [(section, o_ms, n_ms) for section, (o_ms, n_ms) in totals.items()
            if max(o_ms, n_ms) >= DRIFT_MS and n_ms > DRIFT * o_ms]


def larger_sections(old_usage, new_usage):
    """(section, old usage, new usage) of the sections whose peak memory grew past MEMORY, either side
    MEMORY_KB or more."""
    return [(section, old_usage[section], usage) for section, usage in new_usage.items()
            if section in old_usage and max(old_usage[section][1], usage[1]) >= MEMORY_KB
            and usage[1] > MEMORY * old_usage[section][1]]


def usage_text(usage):
    return "%.2f s, %.0f MB" % (usage[0], usage[1] / 1024) if usage else "-"


def main():
    old_dir, new_dir, old_label, new_label = sys.argv[1:5]
    old, old_order, old_unfinished, old_section_of, old_other, old_usage = read_side(old_dir)
    new, new_order, new_unfinished, section_of, new_other, new_usage = read_side(new_dir)
    if "--slower-sections" in sys.argv[5:]:
        # The sections of the times that grew, one index a line, for the script to run them again; not
        # those whose every time grew past CLEAR, which another run would not bring back.
        slower = set()
        for key in new_order:
            if key in old and classify(key, old[key], new[key])[0] in ("slower", "drift") \
                    and new[key][2] <= CLEAR * max(old[key][2], 1e-3):
                slower.add(section_of[key][0])
        with open(os.path.join(new_dir, "sections.txt")) as f:
            sections = [line.strip() for line in f if line.strip()]
        for section, o_ms, n_ms in slower_sections(old, new, section_of):
            if n_ms <= CLEAR * o_ms:
                slower.add(sections.index(section))
        for index in sorted(slower):
            print(index)
        return
    kinds = [
        ("moved", "Exact answers that moved beyond %g" % TOLERANCE),
        ("sampled", "Sampled answers (fixed seed and sample count) that moved beyond %g" % TOLERANCE),
        ("refused", "Answers that became refusals"),
        ("answered", "Refusals that became answers"),
        ("recoded", "Refusals with another status"),
        ("slower", "Times that grew past %gx (either side %g ms or more)" % (SLOWER, NOTICEABLE_MS)),
        ("drift", "Times that grew past %gx (either side %g ms or more)" % (DRIFT, DRIFT_MS)),
        ("sections", "Sections whose total time grew past %gx (either side %g ms or more)" % (DRIFT, DRIFT_MS)),
        ("memory", "Sections whose peak memory grew past %gx (either side %d MB or more)" % (MEMORY, MEMORY_KB // 1024)),
        ("only-old", "Answers of %s only" % old_label),
        ("only-new", "Answers of %s only" % new_label),
        ("unfinished", "Sections that did not finish (exit status; 124: timed out, 134/139: crashed)"),
        ("output", "Sections that printed more than answers (a helper's failed check; first line)"),
        ("follow-on", "Changes after the first in a random-edit sequence, which rest on it (not listed)"),
    ]
    found = {kind: [] for kind, _ in kinds}
    diverged = set()
    missing = {}  # section -> answers missing on the side where it did not finish
    for key in new_order + [key for key in old_order if key not in new]:
        kind, text = classify(key, old.get(key), new.get(key))
        if kind is None:
            continue
        section = (old_section_of if kind == "only-old" else section_of).get(key, (0, None))[1]
        unfinished = new_unfinished if kind == "only-old" else old_unfinished
        if kind in ("only-old", "only-new") and section in unfinished:
            missing[section] = missing.get(section, 0) + 1
            continue
        group = sequence_of(key)
        if group in diverged:
            found["follow-on"].append(key)
            continue
        found[kind].append(text)
        if group is not None and kind not in ("slower", "drift"):
            diverged.add(group)
    for section, o_ms, n_ms in slower_sections(old, new, section_of):
        found["sections"].append("%s: %.1f ms -> %.1f ms (x%.2f)" % (section, o_ms, n_ms, n_ms / max(o_ms, 1e-3)))
    for section, o_usage, n_usage in larger_sections(old_usage, new_usage):
        found["memory"].append("%s: %s -> %s (x%.2f)" % (section, usage_text(o_usage), usage_text(n_usage),
                                                        n_usage[1] / max(o_usage[1], 1.0)))
    for section in sorted(set(old_unfinished) | set(new_unfinished)):
        found["unfinished"].append("%s: %s %s, %s %s; %d answers missing"
                                   % (section, old_label, old_unfinished.get(section, "0"), new_label,
                                      new_unfinished.get(section, "0"), missing.get(section, 0)))
    for label, other in ((old_label, old_other), (new_label, new_other)):
        for section, line in other.items():
            found["output"].append("%s, %s: %s" % (section, label, line[:200]))
    print("Answers of %s: %d; of %s: %d." % (old_label, len(old), new_label, len(new)))
    for kind, title in kinds:
        items = found[kind]
        print("\n== %s: %d" % (title, len(items)))
        if kind == "follow-on":
            continue
        for item in items:
            print("  " + item)
    with open(os.path.join(new_dir, "sections.txt")) as f:
        sections = [line.strip() for line in f if line.strip()]
    if old_usage or new_usage:
        print("\n== Sections' wall time and peak memory (medians of the runs): %s; %s" % (old_label, new_label))
        for section in sections:
            print("  %-44s %18s  %18s" % (section, usage_text(old_usage.get(section)),
                                           usage_text(new_usage.get(section))))
    print("\n== Summary")
    for kind, title in kinds:
        print("  %-10s %6d  %s" % (kind, len(found[kind]), title))


if __name__ == "__main__":
    main()
