#!/usr/bin/env python3
"""Plants one fault at a time in a scratch copy of the tree and tells which ones the tests catch.

  scripts/mutate.py listed [FILE]                      faults from a list (scripts/mutation_faults.txt)
  scripts/mutate.py auto [--count N] [--seed S] PATH.. N faults drawn from each named file or folder

The working tree is never touched: its files (committed or not, as git sees them) are copied to a
scratch folder with a build folder of its own, configured once. For every fault the test program of
the fault's layer (src/drawing -> korvel_tests_drawing, ...) is rebuilt incrementally and run. A
fault is caught when a test fails, the program crashes or it runs past its time limit (a hang);
a fault that does not compile is reported and left out of the counts.

The quick tests of a layer run first, with --gtest_fail_fast; only a fault they miss runs the slow
sweeps too (every prefix of every drawing, every sample through ezdxf), so the verdicts are those of
the whole program at a fraction of the time. --quick leaves the slow sweeps out altogether.

--asan builds the scratch copy with AddressSanitizer and UndefinedBehaviorSanitizer (in a build
folder of its own, build-asan) and stops a test program at the first error they find, so a fault
that reads past a buffer or overflows an integer is caught even when the values it yields pass.
"""

import argparse
import fcntl
import io
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tarfile
import time
from dataclasses import dataclass, field

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAYERS = ("drawing", "render", "platform", "output", "app")

# Tests that take most of a layer's time and catch mostly crashes: run only for faults the rest miss.
SLOW_TESTS = {
    "drawing": ["Drawings/EveryPrefix.*"],
    "output": ["DxfExport.EverySample*", "DxfExport.LibreCad*", "SampleExport.*"],
}

# Functions whose arguments may be swapped without changing anything.
SYMMETRIC_CALLS = {"min", "max", "hypot", "swap", "fmin", "fmax", "gcd", "lcm", "equal", "make_pair"}
NOT_CALLS = {"if", "for", "while", "switch", "return", "sizeof", "catch", "alignof", "decltype",
             "static_assert", "defined", "static_cast", "reinterpret_cast", "const_cast", "assert"}


@dataclass
class Fault:
    name: str
    path: str       # relative to the tree
    offset: int     # where `find` starts in the file
    find: str
    into: str
    ident: str = ""
    line: int = 0
    context: str = ""   # the changed line as it reads with the fault in it
    column: int = 0
    original_line: str = ""


@dataclass
class Verdict:
    fault: Fault
    outcome: str    # caught, survived, no-compile, error
    detail: str = ""
    seconds: float = 0.0
    failed: list = field(default_factory=list)


def layer_of(path):
    parts = path.replace("\\", "/").split("/")
    if len(parts) >= 3 and parts[0] == "src" and parts[1] in LAYERS:
        return parts[1]
    return None


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def changed_line(text, offset, find, into):
    start = text.rfind("\n", 0, offset) + 1
    end = text.find("\n", offset + len(find))
    end = len(text) if end < 0 else end
    return one_line(text[start:offset] + into + text[offset + len(find):end], 150)


# --- the listed faults ---------------------------------------------------------------------------

def read_listed(list_path, listing, files):
    """Blocks of '[name]', 'file: PATH', 'find: TEXT', 'into: TEXT'; the text must occur once.
    A line that starts with white space goes on the text of the line before it."""
    faults, problems, block = [], [], {}
    last_key = None

    def close():
        if not block:
            return
        missing = [k for k in ("name", "file", "find", "into") if k not in block]
        where = f"{list_path}: [{block.get('name', '?')}]"
        if missing:
            problems.append(f"{where}: missing {', '.join(missing)}")
            return
        if block["file"] not in files:
            problems.append(f"{where}: no such file: {block['file']}")
            return
        text = files[block["file"]]
        n = text.count(block["find"])
        if n != 1:
            problems.append(f"{where}: the text occurs {n} times in {block['file']} (it must occur once)")
            return
        at = text.index(block["find"])
        faults.append(Fault(block["name"], block["file"], at, block["find"], block["into"],
                            line=line_of(text, at),
                            context=changed_line(text, at, block["find"], block["into"])))

    for line in listing.splitlines():
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        if line.startswith("[") and line.rstrip().endswith("]"):
            close()
            block, last_key = {"name": line.strip()[1:-1]}, None
        elif line[0].isspace() and last_key:
            block[last_key] += "\n" + line
        elif ":" in line and block:
            key, _, value = line.partition(":")
            last_key = key.strip()
            block[last_key] = value[1:] if value.startswith(" ") else value
        else:
            problems.append(f"{list_path}: cannot read: {line}")
    close()
    for i, fault in enumerate(faults, 1):
        fault.ident = f"L{i}"
    return faults, problems


# --- automatic faults ----------------------------------------------------------------------------

def mask_code(text):
    """The text with comments, string and character literals and preprocessor lines blanked out,
    offsets kept, so that the operators below see code only."""
    out = list(text)
    i, n = 0, len(text)
    at_line_start = True

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if at_line_start and c == "#":
            j = i
            while j < n and (text[j] != "\n" or text[j - 1] == "\\"):
                j += 1
            blank(i, j)
            i = j
            continue
        if c == "\n":
            at_line_start = True
            i += 1
            continue
        if not c.isspace():
            at_line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            k = text.find("(", i)
            delim = ")" + text[i + 2:k] + '"'
            j = text.find(delim, k)
            j = n if j < 0 else j + len(delim)
            blank(i, j)
            i = j
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i, min(j + 1, n))
            i = j + 1
        else:
            i += 1
    return "".join(out)


def matching_paren(masked, open_at):
    depth = 0
    for k in range(open_at, len(masked)):
        if masked[k] == "(":
            depth += 1
        elif masked[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


def split_arguments(masked, open_at, close_at):
    """(start, end) of each top-level argument between the parentheses."""
    args, depth, start = [], 0, open_at + 1
    for k in range(open_at + 1, close_at):
        ch = masked[k]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            depth -= 1
        elif ch == "," and depth == 0:
            args.append((start, k))
            start = k + 1
    args.append((start, close_at))
    return args


# The two extra operators are drawn half as often as the five plain ones.
OPERATOR_WEIGHTS = {"logic": 0.5, "min-max": 0.5}
COMPARISONS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ARITHMETIC = {"+": "-", "-": "+", "+=": "-=", "-=": "+="}
SIMPLE_ARG = re.compile(r"^[A-Za-z_]\w*(?:(?:\.|->)[A-Za-z_]\w*)*$")
NUMBER_ARG = re.compile(r"^-?(?:\d+\.?\d*(?:[eE][-+]?\d+)?[fFuUlL]*|0[xX][0-9a-fA-F]+[uUlL]*)$")


def declared_type(masked, name, before):
    """The type a simple name was declared with, searching back from its use; None if unseen."""
    pattern = re.compile(r"([A-Za-z_][\w:]*(?:<[^<>;(){}]*>)?)\s*[&*]?\s+" + re.escape(name) + r"\s*[=,;)({\[]")
    found = None
    for m in pattern.finditer(masked, 0, before):
        if m.group(1) not in ("return", "else", "case", "new", "delete", "throw", "goto"):
            found = m.group(1)
    return found


def same_type(masked, a, b, at):
    if NUMBER_ARG.match(a) and NUMBER_ARG.match(b):
        return ("." in a or "e" in a.lower().lstrip("0x")) == ("." in b or "e" in b.lower().lstrip("0x"))
    if not (SIMPLE_ARG.match(a) and SIMPLE_ARG.match(b)):
        return False
    pa, pb = re.split(r"\.|->", a), re.split(r"\.|->", b)
    if len(pa) > 1 and len(pb) > 1:
        return pa[:-1] == pb[:-1]           # two members of one object: p.x and p.y
    if len(pa) == 1 and len(pb) == 1:
        ta, tb = declared_type(masked, a, at), declared_type(masked, b, at)
        return ta is not None and ta == tb
    return False


def joins_strings(text, start, end):
    """A + between string literals or std::string calls: its flip would not compile, only cost
    a build."""
    before, after = text[:start].rstrip(), text[end:].lstrip()
    return (before.endswith('"') or after.startswith('"') or after.startswith("std::to_string")
            or re.search(r"std::to_string\([^()]*\)$", before) is not None)


def auto_candidates(path, text):
    """Every fault the operators can plant in one file: (operator, offset, find, into)."""
    masked = mask_code(text)
    found = []
    for m in re.finditer(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)", masked):
        found.append(("comparison", m.start(), m.group(1), COMPARISONS[m.group(1)]))
    for m in re.finditer(r"(?<=\s)([+-]=?)(?=\s)", masked):
        if joins_strings(text, m.start(), m.end()):
            continue
        found.append(("arithmetic", m.start(), m.group(1), ARITHMETIC[m.group(1)]))
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", masked):
        found.append(("logic", m.start(), m.group(1), "||" if m.group(1) == "&&" else "&&"))
    for m in re.finditer(r"\bstd::(min|max)\b(?=\s*\()", masked):
        other = "max" if m.group(1) == "min" else "min"
        found.append(("min-max", m.start(1), m.group(1), other))
    for m in re.finditer(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)(?![\w.'])", masked):
        digits, suffix = m.group(1), m.group(2)
        value = int(digits, 16) if digits[:2].lower() == "0x" else int(digits)
        for delta in (1, -1):
            v = value + delta
            if v < 0 and "u" in suffix.lower():
                continue
            new = (f"0x{v:X}" if digits[:2].lower() == "0x" and v >= 0 else str(v)) + suffix
            found.append(("constant", m.start(), m.group(0), new))
    for m in re.finditer(r"\bif\s*\(", masked):
        if re.match(r"\bif\s+constexpr", masked[m.start():m.start() + 16]):
            continue
        open_at = m.end() - 1
        close_at = matching_paren(masked, open_at)
        if close_at < 0:
            continue
        found.append(("dropped-if", open_at, text[open_at:close_at + 1], "(false)"))
    for m in re.finditer(r"\b([A-Za-z_]\w*)\s*\(", masked):
        if m.group(1) in NOT_CALLS or m.group(1) in SYMMETRIC_CALLS:
            continue
        open_at = m.end() - 1
        close_at = matching_paren(masked, open_at)
        if close_at < 0:
            continue
        args = split_arguments(masked, open_at, close_at)
        for (a0, a1), (b0, b1) in zip(args, args[1:]):
            a, b = text[a0:a1].strip(), text[b0:b1].strip()
            if a == b or not a or not b or not same_type(masked, a, b, open_at):
                continue
            find = text[a0:b1]
            into = find.replace(a, "\0", 1).replace(b, a, 1).replace("\0", b, 1)
            if into != find:
                found.append(("swapped-arguments", a0, find, into))
    found.sort(key=lambda f: (f[1], f[0], f[3]))
    return found


def read_replay(json_path, files):
    """The faults of an earlier run's --json file, found again by the text of their line (the
    line may have moved since)."""
    with open(json_path, encoding="utf-8") as f:
        saved = json.load(f)
    faults, problems = [], []
    for item in saved:
        if item["file"] not in files:
            problems.append(f"{item['id']}: no such file: {item['file']}")
            continue
        text = files[item["file"]]
        lines = text.split("\n")
        starts = [0]
        for line in lines[:-1]:
            starts.append(starts[-1] + len(line) + 1)
        same = [i for i, line in enumerate(lines) if line == item["original_line"]]
        if not same:
            problems.append(f"{item['id']}: {item['file']}: the line is gone: {item['original_line'].strip()}")
            continue
        i = min(same, key=lambda k: abs(k + 1 - item["line"]))
        at = starts[i] + item["column"]
        if not text.startswith(item["find"], at):
            problems.append(f"{item['id']}: {item['file']}:{i + 1}: the text is gone")
            continue
        faults.append(Fault(item["operator"], item["file"], at, item["find"], item["into"], item["id"],
                            i + 1, changed_line(text, at, item["find"], item["into"])))
    return faults, problems


def source_files(files, names):
    found = []
    for name in names:
        name = os.path.normpath(name)
        inside = [f for f in files if f == name or f.startswith(name + "/")]
        if not inside:
            sys.exit(f"mutate: no such file or folder: {name}")
        found += [f for f in inside if f.endswith((".cpp", ".h"))]
    return sorted(set(found))


def sample_auto(files, names, count, seed, operators):
    rng = random.Random(seed)
    faults = []
    for name in names:
        pool = []
        for path in source_files(files, [name]):
            if layer_of(path) is None:
                continue
            text = files[path]
            for op, at, find, into in auto_candidates(path, text):
                if operators and op not in operators:
                    continue
                pool.append(Fault(op, path, at, find, into, line=line_of(text, at),
                                  context=changed_line(text, at, find, into)))
        # Each operator equally likely, then a place for it: drawn by place alone, integer
        # constants (tables of colours, names, sizes) would crowd out the rest.
        by_operator = {}
        for fault in pool:
            by_operator.setdefault(fault.name, []).append(fault)
        picked = []
        while len(picked) < count and by_operator:
            ops = sorted(by_operator)
            op = rng.choices(ops, weights=[OPERATOR_WEIGHTS.get(o, 1.0) for o in ops])[0]
            places = by_operator[op]
            picked.append(places.pop(rng.randrange(len(places))))
            if not places:
                del by_operator[op]
        picked.sort(key=lambda f: (f.path, f.offset))
        print(f"{name}: {len(pool)} possible faults, {len(picked)} drawn (seed {seed})")
        faults.extend(picked)
    for i, fault in enumerate(faults, 1):
        fault.ident = f"A{i}"
    return faults


# --- the scratch tree and its build ----------------------------------------------------------------

def read_sources(repo, rev):
    """Every file of the working tree as git sees it (committed or not), or of a revision:
    path -> bytes."""
    if rev:
        tar = subprocess.run(["git", "-C", repo, "archive", "--format=tar", rev], check=True,
                             capture_output=True).stdout
        with tarfile.open(fileobj=io.BytesIO(tar)) as t:
            return {m.name: t.extractfile(m).read() for m in t.getmembers() if m.isfile()}
    out = subprocess.run(["git", "-C", repo, "ls-files", "-co", "--exclude-standard", "-z"],
                         check=True, capture_output=True).stdout.decode()
    found = {}
    for rel in (p for p in out.split("\0") if p):
        full = os.path.join(repo, rel)
        if os.path.isfile(full) and not os.path.islink(full):
            with open(full, "rb") as f:
                found[rel] = f.read()
    return found


def as_text(sources):
    """The C++ sources and fault lists as text, for finding faults."""
    return {k: v.decode("utf-8", errors="replace") for k, v in sources.items()
            if k.endswith((".cpp", ".h", ".txt"))}


def sync_tree(sources, tree):
    """Writes the sources into the scratch tree, leaving unchanged files (and their times, so
    nothing is rebuilt for them) alone, and removes files the sources no longer have."""
    wanted = set(sources)
    copied = 0
    for rel, data in sources.items():
        dst = os.path.join(tree, rel)
        try:
            with open(dst, "rb") as b:
                if b.read() == data:
                    continue
        except OSError:
            pass
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        with open(dst, "wb") as f:
            f.write(data)
        copied += 1
    for root, dirs, entries in os.walk(tree):
        if root == tree:
            dirs[:] = [d for d in dirs if not d.startswith("build")]
        for e in entries:
            rel = os.path.relpath(os.path.join(root, e), tree)
            if rel not in wanted and rel != ".mutate-lock":
                os.remove(os.path.join(root, e))
    return copied


def run(cmd, timeout, env=None, cwd=None):
    """(return code or None on time-out, output, seconds); the whole process group is ended."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env, cwd=cwd,
                            start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode(errors="replace"), time.monotonic() - start
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return None, out.decode(errors="replace"), time.monotonic() - start


class Scratch:
    def __init__(self, args):
        self.root = os.path.abspath(args.scratch)
        if os.path.commonpath([self.root, REPO]) == self.root:
            sys.exit(f"mutate: the scratch folder {self.root} holds the working tree; name another")
        # The build folder sits inside the copy as it does in a checkout, so that the compiler
        # sees the same relative paths and ccache serves the unchanged files.
        self.tree = self.root
        self.asan = args.asan
        self.build = os.path.join(self.root, "build-asan" if args.asan else "build")
        self.jobs = args.jobs
        self.quick = args.quick
        self.build_timeout = args.build_timeout
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        if args.asan:
            # Leaks are left to make test-asan: a test program that ends early on a failure leaks
            # by design, and a leak report at exit would only repeat the verdict.
            self.env["ASAN_OPTIONS"] = "halt_on_error=1:abort_on_error=1:detect_leaks=0"
            self.env["UBSAN_OPTIONS"] = "halt_on_error=1:abort_on_error=1:print_stacktrace=1"
        samples = os.path.join(os.path.dirname(REPO), "shared", "samples", "jww")
        if "KORVEL_SAMPLES" not in self.env and os.path.isdir(samples):
            self.env["KORVEL_SAMPLES"] = samples
        self.baseline = {}

    def prepare(self, layers):
        cache = os.path.join(self.build, "CMakeCache.txt")
        if os.path.exists(cache):
            # A scratch folder copied from another keeps a build that compiles the other's tree:
            # every fault planted here would go unbuilt and "survive". Configure it afresh.
            with open(cache, encoding="utf-8", errors="replace") as f:
                home = re.search(r"^CMAKE_HOME_DIRECTORY:INTERNAL=(.*)$", f.read(), re.M)
            if home and os.path.realpath(home.group(1)) != os.path.realpath(self.tree):
                print(f"scratch build {self.build} was configured for {home.group(1)}; configuring it again")
                shutil.rmtree(self.build)
        if not os.path.exists(cache):
            sanitize = ["-DKORVEL_SANITIZE=ON"] if self.asan else []
            code, out, _ = run(["cmake", "-S", self.tree, "-B", self.build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                                "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache",
                                "-DKORVEL_BENCH=OFF"] + sanitize, 600)
            if code != 0:
                sys.exit("mutate: configuring the scratch build failed:\n" + out[-3000:])
        for layer in layers:
            ok, out, secs = self.build_layer(layer)
            if not ok:
                sys.exit(f"mutate: the unchanged tree does not build korvel_tests_{layer}:\n" + out[-3000:])
            self.baseline[layer] = {}
            for stage in self.stages(layer):
                code, out, secs = run(self.test_command(layer, stage), None, env=self.env, cwd=self.build)
                if code != 0:
                    sys.exit(f"mutate: the {layer} tests fail on the unchanged tree ({stage} stage):\n" + out[-3000:])
                self.baseline[layer][stage] = secs
                print(f"baseline: {layer} tests, {stage} stage, pass in {secs:.0f} s")

    def stages(self, layer):
        return ["quick"] + ([] if self.quick or layer not in SLOW_TESTS else ["slow"])

    def test_command(self, layer, stage):
        cmd = [os.path.join(self.build, f"korvel_tests_{layer}"), "--gtest_brief=1"]
        slow = ":".join(SLOW_TESTS.get(layer, []))
        if stage == "quick":
            cmd.append("--gtest_fail_fast")
            if slow:
                cmd.append("--gtest_filter=-" + slow)
        else:
            cmd += ["--gtest_fail_fast", "--gtest_filter=" + slow]
        return cmd

    def build_layer(self, layer):
        code, out, secs = run(["cmake", "--build", self.build, "-j", str(self.jobs), "--target",
                               f"korvel_tests_{layer}"], self.build_timeout)
        return code == 0, out, secs

    def try_fault(self, fault):
        layer = layer_of(fault.path)
        path = os.path.join(self.tree, fault.path)
        with open(path, encoding="utf-8") as f:
            original = f.read()
        if original[fault.offset:fault.offset + len(fault.find)] != fault.find:
            return Verdict(fault, "error", "the text is no longer there")
        start = time.monotonic()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original[:fault.offset] + fault.into + original[fault.offset + len(fault.find):])
            ok, out, _ = self.build_layer(layer)
            if not ok:
                return Verdict(fault, "no-compile", first_error(out), time.monotonic() - start)
            for stage in self.stages(layer):
                limit = 3 * self.baseline[layer][stage] + 30
                code, out, _ = run(self.test_command(layer, stage), limit, env=self.env, cwd=self.build)
                if code is None:
                    return Verdict(fault, "caught", f"hangs: {stage} tests ran past {limit:.0f} s",
                                   time.monotonic() - start)
                if code != 0:
                    failed = re.findall(r"^\[  FAILED  \] (\S+)", out, re.M)
                    detail = (f"{stage} tests fail" if failed else
                              f"{stage} test program ends with status {code}" + crash_name(code))
                    found = re.search(r"ERROR: (AddressSanitizer: [\w-]+)|runtime error: ([^\n]{0,80})", out)
                    if found:
                        detail += ": " + (found.group(1) or "undefined behaviour: " + found.group(2))
                    return Verdict(fault, "caught", detail, time.monotonic() - start, sorted(set(failed)))
            return Verdict(fault, "survived", "", time.monotonic() - start)
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)


def crash_name(code):
    if code < 0:
        try:
            return f" ({signal.Signals(-code).name})"
        except ValueError:
            return ""
    return ""


def first_error(build_output):
    for line in build_output.splitlines():
        if "error:" in line:
            return line.split("error:", 1)[1].strip()[:160]
    return "build failed"


# --- reporting -----------------------------------------------------------------------------------

def read_judged(path):
    """Faults judged equivalent: lines of 'FILE:LINE FIND => INTO  -- reason'."""
    judged = {}
    if path:
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if line and not line.startswith("#"):
                    key, _, reason = line.partition(" -- ")
                    judged[key.strip()] = reason.strip()
    return judged


def fault_key(fault):
    return f"{fault.path}:{fault.line} {one_line(fault.find)} => {one_line(fault.into)}"


def one_line(s, width=70):
    s = " ".join(s.split())
    return s if len(s) <= width else s[:width - 3] + "..."


def describe(v, judged):
    f = v.fault
    head = f"{f.ident:>4} {f.path}:{f.line} [{f.name}] {one_line(f.find)!r} -> {one_line(f.into)!r}"
    tail = v.outcome.upper()
    if v.outcome == "survived" and fault_key(f) in judged:
        tail = "EQUIVALENT: " + judged[fault_key(f)]
    elif v.detail:
        tail += ": " + v.detail
    if v.failed:
        tail += " (" + ", ".join(v.failed[:3]) + (", ..." if len(v.failed) > 3 else "") + ")"
    return f"{head}\n      | {f.context}\n      {tail}  [{v.seconds:.0f} s]"


def summary(verdicts, judged):
    rows = {}
    for v in verdicts:
        layer = layer_of(v.fault.path)
        r = rows.setdefault(layer, {"faults": 0, "caught": 0, "survived": 0, "equivalent": 0,
                                    "no-compile": 0, "error": 0})
        r["faults"] += 1
        if v.outcome == "survived" and fault_key(v.fault) in judged:
            r["equivalent"] += 1
        else:
            r[v.outcome] += 1
    lines = ["", "layer      faults  caught  not caught  equivalent  no compile  caught of those counted"]
    total = {k: 0 for k in ("faults", "caught", "survived", "equivalent", "no-compile", "error")}
    for layer in sorted(rows, key=LAYERS.index):
        r = rows[layer]
        for k in total:
            total[k] += r[k]
        lines.append(summary_row(layer, r))
    lines.append(summary_row("all", total))
    return "\n".join(lines)


def summary_row(name, r):
    counted = r["caught"] + r["survived"]
    share = f"{r['caught']}/{counted} = {100.0 * r['caught'] / counted:.0f} %" if counted else "-"
    return (f"{name:<10} {r['faults']:>6}  {r['caught']:>6}  {r['survived']:>10}  {r['equivalent']:>10}  "
            f"{r['no-compile']:>10}  {share}")


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("mode", choices=["listed", "auto", "replay"])
    p.add_argument("paths", nargs="*", help="listed: the list file; auto: files or folders to draw "
                                            "from; replay: the --json file of an earlier run")
    p.add_argument("--count", type=int, default=20, help="auto: faults drawn from each named path")
    p.add_argument("--seed", type=int, default=1, help="auto: seed of the draw")
    p.add_argument("--operators", default="", help="auto: only these operators, comma-separated")
    p.add_argument("--only", default="", help="only these faults, by id (L3,A7) or name part")
    p.add_argument("--quick", action="store_true", help="leave the slow sweeps out (see SLOW_TESTS)")
    p.add_argument("--asan", action="store_true",
                   help="build with AddressSanitizer and UndefinedBehaviorSanitizer; their first error ends the tests")
    p.add_argument("--list", action="store_true", help="show the faults and stop")
    p.add_argument("--judged", default="", help="file of faults judged equivalent, with reasons")
    p.add_argument("--json", default="", help="write the verdicts here too")
    p.add_argument("--rev", default="", help="the tree of this revision instead of the working tree")
    p.add_argument("--scratch", default=os.path.join(REPO, "build", "mutate"), help="scratch folder")
    p.add_argument("--jobs", type=int, default=2)
    p.add_argument("--build-timeout", type=float, default=1200.0)
    args = p.parse_intermixed_args()

    sources = read_sources(REPO, args.rev)
    files = as_text(sources)
    if args.mode == "listed":
        if args.paths:
            list_path = args.paths[0]
            with open(list_path, encoding="utf-8") as f:
                listing = f.read()
        else:
            list_path = "scripts/mutation_faults.txt"
            listing = files.get(list_path, "")
        faults, problems = read_listed(list_path, listing, files)
        for problem in problems:
            print("mutate: " + problem, file=sys.stderr)
    elif args.mode == "replay":
        if len(args.paths) != 1:
            sys.exit("mutate: replay needs the --json file of an earlier run")
        faults, problems = read_replay(args.paths[0], files)
        for problem in problems:
            print("mutate: " + problem, file=sys.stderr)
    else:
        if not args.paths:
            sys.exit("mutate: auto needs files or folders to draw faults from")
        ops = {o.strip() for o in args.operators.split(",") if o.strip()}
        faults = sample_auto(files, args.paths, args.count, args.seed, ops)
    if args.only:
        wanted = [w.strip() for w in args.only.split(",") if w.strip()]
        faults = [f for f in faults if f.ident in wanted or any(w in f.name for w in wanted)]
    faults = [f for f in faults if layer_of(f.path)]
    if args.list:
        for f in faults:
            print(f"{f.ident:>4} {f.path}:{f.line} [{f.name}] {one_line(f.find)!r} -> {one_line(f.into)!r}\n"
                  f"      | {f.context}")
        return 0

    for f in faults:
        text = files[f.path]
        start = text.rfind("\n", 0, f.offset) + 1
        end = text.find("\n", f.offset)
        f.column, f.original_line = f.offset - start, text[start:len(text) if end < 0 else end]
    judged = read_judged(args.judged)
    scratch = Scratch(args)
    os.makedirs(scratch.tree, exist_ok=True)
    # One run at a time in a scratch folder: a second would rewrite the files under the first.
    lock = open(os.path.join(scratch.tree, ".mutate-lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        sys.exit(f"mutate: another run is using {scratch.tree}; wait for it or name another --scratch")
    # Ended from outside, the file under change is put back as on an interrupt.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    copied = sync_tree(sources, scratch.tree)
    print(f"scratch copy {scratch.tree}: {copied} files brought up to date"
          + (f" (the tree of {args.rev})" if args.rev else ""))
    layers = sorted({layer_of(f.path) for f in faults}, key=LAYERS.index)
    scratch.prepare(layers)
    if args.quick:
        print("quick: the slow sweeps are left out: " + "; ".join(
            f"{k}: {' '.join(v)}" for k, v in SLOW_TESTS.items() if k in layers))
    verdicts = []
    for fault in faults:
        v = scratch.try_fault(fault)
        verdicts.append(v)
        print(describe(v, judged), flush=True)
    # Leave the scratch build matching the tree, so the next run starts from warm objects.
    for layer in layers:
        scratch.build_layer(layer)
    print(summary(verdicts, judged))
    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            json.dump([{"id": v.fault.ident, "layer": layer_of(v.fault.path), "file": v.fault.path,
                        "line": v.fault.line, "column": v.fault.column,
                        "original_line": v.fault.original_line, "operator": v.fault.name, "find": v.fault.find,
                        "into": v.fault.into, "outcome": v.outcome, "detail": v.detail,
                        "failed": v.failed, "equivalent": judged.get(fault_key(v.fault), ""),
                        "seconds": round(v.seconds, 1)} for v in verdicts], f, indent=1, ensure_ascii=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
