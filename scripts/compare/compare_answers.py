#!/usr/bin/env python3
"""Compares the answers of two builds (the lines of compare-answers, answer_record.h) and lists what
changed: answers that moved beyond 1e-9 (exact and sampled apart), answers that became refusals and
refusals that became answers, refusals whose status changed, CPU times that grew past 2x (where either
side took 20 ms or more), CPU times that grew past 1.2x (answers and whole sections of 200 ms or more),
sections whose peak memory grew past 1.2x (either side 50 MB or more), answers of one build only and
sections that did not finish; then every section's wall time, CPU time and peak memory on both sides. In a
random-edit sequence only the first change is listed: the later answers rest on the state it left. Times
are CPU times (user and system), the wall time beside: a busy machine stretches the wall time of a run
many times more than its CPU time.

    compare_answers.py OLD-DIR NEW-DIR OLD-LABEL NEW-LABEL [--slower-sections]

Each DIR holds, per section, NNN.out (the answers), NNN.status (the driver's exit status) and NNN.rss
(the run's wall, user and system times in seconds and peak memory in KB, when measured) and sections.txt
lists the sections in order; DIR.repeat1, ... hold the NNN.out and NNN.rss of further runs of every
section beside the others, DIR.again1, ... those of the sections re-timed alone. A time is the least of
the runs alone where a section has them (the load of others only ever adds to it; what is left of it
still moves a run of a section that reads much memory by a tenth or more), else the median of every run;
peak memory the median of every run. The
report goes to standard output; with --slower-sections, the indices of the sections with CPU times that
grew, one a line."""

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


def run_folders(folder, kind):
    """The folders of the further runs of one kind ("repeat" or "again") beside folder, in order."""
    found = []
    while os.path.isdir("%s.%s%d" % (folder, kind, len(found) + 1)):
        found.append("%s.%s%d" % (folder, kind, len(found) + 1))
    return found


def read_times(folder, sections, times):
    """Adds the (wall, CPU) ms of the answers of the runs in folder to `times` (key -> list)."""
    for index in range(len(sections)):
        try:
            with open(os.path.join(folder, "%03d.out" % index), errors="replace") as f:
                lines = f.read().splitlines()
        except OSError:
            continue
        for line in lines:
            fields = line.split("\t")
            if len(fields) >= 8 and fields[0] == "answer" and fields[2] in times:
                times[fields[2]].append((float(fields[4]), float(fields[5])))


def read_measures(run, sections):
    """{section: (wall s, CPU s, peak KB)} of the runs in one folder. A measure of a run that failed ends
    with its numbers, after a line of /usr/bin/time about the failure."""
    measures = {}
    for index, section in enumerate(sections):
        try:
            with open(os.path.join(run, "%03d.rss" % index)) as f:
                wall, user, system, kb = (float(x) for x in f.read().split()[-4:])
        except (OSError, ValueError):
            continue
        measures[section] = (wall, user + system, kb)
    return measures


def timing(together, alone):
    """The time of a key or a section from its runs: the least of those alone, else the median of all."""
    return min(alone) if alone else median(together)


def read_usage(folder, sections):
    """{section: (wall s, CPU s, peak KB)} of the side's runs: the times as timing() takes them, the
    median memory of every run."""
    together = [read_measures(run, sections) for run in [folder] + run_folders(folder, "repeat")]
    alone = [read_measures(run, sections) for run in run_folders(folder, "again")]
    usage = {}
    for section in sections:
        every = [m[section] for m in together + alone if section in m]
        apart = [m[section] for m in alone if section in m]
        if every:
            usage[section] = (timing([t[0] for t in every], [t[0] for t in apart]),
                              timing([t[1] for t in every], [t[1] for t in apart]), median([m[2] for m in every]))
    return usage


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
            if len(fields) < 8 or fields[0] != "answer":
                if line.strip() and section not in other:
                    other[section] = line.strip()
                continue
            kind, key, status_code, ms, cpu, values, log = fields[1:8]
            if key in answers:
                repeated.append(key)
                continue
            answers[key] = (kind, int(status_code), float(ms), float(cpu), values, log)
            section_of[key] = (index, section)
            order.append(key)
    if repeated:
        print("Warning: %s gives %d keys more than once (the first kept), e.g. %s"
              % (folder, len(repeated), ", ".join(repeated[:3])), file=sys.stderr)
    # The times of further runs: those alone where the section has them, else every run's.
    together = {key: [(answer[2], answer[3])] for key, answer in answers.items()}
    for run in run_folders(folder, "repeat"):
        read_times(run, sections, together)
    alone = {key: [] for key in answers}
    for run in run_folders(folder, "again"):
        read_times(run, sections, alone)
    for key, answer in answers.items():
        kind, status, _, _, values, log = answer
        answers[key] = (kind, status, timing([t[0] for t in together[key]], [t[0] for t in alone[key]]),
                        timing([t[1] for t in together[key]], [t[1] for t in alone[key]]), values, log)
    return answers, order, unfinished, section_of, other, read_usage(folder, sections)


def parse_values(text):
    nodes = []
    for item in text.split(" ") if text else []:
        name, _, numbers = item.rpartition("=")
        nodes.append((name, [] if numbers == "-" else numbers.split(",")))
    return nodes


def number(text):
    """The value of a number's text; None for a text that is no number (a label), compared as text."""
    try:
        return float(text)
    except ValueError:
        return None


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
            if fx is None or fy is None:
                if x != y:
                    return (math.inf, name, ",".join(xs[:8]), ",".join(ys[:8]))
                continue
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
    o_kind, o_status, o_wall, o_ms, o_values, o_log = old
    n_kind, n_status, n_wall, n_ms, n_values, n_log = new
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
    wall = "; wall %.1f -> %.1f ms" % (o_wall, n_wall)
    if max(o_ms, n_ms) >= NOTICEABLE_MS and n_ms > SLOWER * o_ms:
        return "slower", "%s: CPU %.1f ms -> %.1f ms (x%.1f)%s" % (key, o_ms, n_ms, n_ms / max(o_ms, 1e-3), wall)
    if max(o_ms, n_ms) >= DRIFT_MS and n_ms > DRIFT * o_ms:
        return "drift", "%s: CPU %.1f ms -> %.1f ms (x%.2f)%s" % (key, o_ms, n_ms, n_ms / max(o_ms, 1e-3), wall)
    return None, None


def slower_sections(old, new, section_of, old_usage, new_usage):
    """(section, text, growth) of the sections whose CPU time grew past DRIFT, either side DRIFT_MS or
    more: the sum of the CPU times of the answers both builds give with the same status, or, where every
    answer has the same status on both, the CPU time of the whole run."""
    totals = {}
    alike = {}  # section -> whether every answer of the new build has the old one's status
    for key, answer in new.items():
        same = key in old and old[key][1] == answer[1]
        section = section_of[key][1]
        alike[section] = alike.get(section, True) and same
        if same:
            total = totals.setdefault(section, [0.0, 0.0])
            total[0] += old[key][3]
            total[1] += answer[3]
    found = []
    for section in sorted(set(totals) | set(new_usage), key=str):
        o_ms, n_ms = totals.get(section, (0.0, 0.0))
        whole = alike.get(section, True)
        o_run = old_usage.get(section, (0.0, 0.0, 0.0))[1] * 1000 if whole else 0.0
        n_run = new_usage.get(section, (0.0, 0.0, 0.0))[1] * 1000 if whole else 0.0
        growth = max(n_ms / max(o_ms, 1e-3) if max(o_ms, n_ms) >= DRIFT_MS else 0.0,
                     n_run / max(o_run, 1e-3) if o_run > 0 and max(o_run, n_run) >= DRIFT_MS else 0.0)
        if growth > DRIFT:
            found.append((section, "%s: answers' CPU %.1f ms -> %.1f ms, the run's %.0f ms -> %.0f ms (x%.2f)"
                          % (section, o_ms, n_ms, o_run, n_run, growth), growth))
    return found


def larger_sections(old_usage, new_usage):
    """(section, old usage, new usage) of the sections whose peak memory grew past MEMORY, either side
    MEMORY_KB or more."""
    return [(section, old_usage[section], usage) for section, usage in new_usage.items()
            if section in old_usage and max(old_usage[section][2], usage[2]) >= MEMORY_KB
            and usage[2] > MEMORY * old_usage[section][2]]


def usage_text(usage):
    return "%7.2f %7.2f %6.0f" % (usage[0], usage[1], usage[2] / 1024) if usage else "%22s" % "-"


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
                    and new[key][3] <= CLEAR * max(old[key][3], 1e-3):
                slower.add(section_of[key][0])
        with open(os.path.join(new_dir, "sections.txt")) as f:
            sections = [line.strip() for line in f if line.strip()]
        for section, _, growth in slower_sections(old, new, section_of, old_usage, new_usage):
            if growth <= CLEAR:
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
        ("slower", "CPU times that grew past %gx (either side %g ms or more)" % (SLOWER, NOTICEABLE_MS)),
        ("drift", "CPU times that grew past %gx (either side %g ms or more)" % (DRIFT, DRIFT_MS)),
        ("sections", "Sections whose CPU time grew past %gx (either side %g ms or more)" % (DRIFT, DRIFT_MS)),
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
    for _, text, _ in slower_sections(old, new, section_of, old_usage, new_usage):
        found["sections"].append(text)
    for section, o_usage, n_usage in larger_sections(old_usage, new_usage):
        found["memory"].append("%s: %.0f MB -> %.0f MB (x%.2f)" % (section, o_usage[2] / 1024, n_usage[2] / 1024,
                                                                 n_usage[2] / max(o_usage[2], 1.0)))
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
        print("\n== Sections' wall time (s), CPU time (s) and peak memory (MB): %s; %s"
              % (old_label, new_label))
        for section in sections:
            print("  %-44s %s   %s" % (section, usage_text(old_usage.get(section)),
                                       usage_text(new_usage.get(section))))
    print("\n== Summary")
    for kind, title in kinds:
        print("  %-10s %6d  %s" % (kind, len(found[kind]), title))


if __name__ == "__main__":
    main()
