"""Reference-leak check of the Python suite, for a debug interpreter (one with
sys.gettotalrefcount): each test module runs several times in one process,
and steady growth of the interpreter's references or memory blocks fails it.

    python tests/refleak.py [--warmups N] [--rounds N] [--examples N] [--each] [MODULE...]

MODULE defaults to every tests/python/test_*.py; each runs in a process of its
own, under pytest. The first round is the module's ordinary run, which must
pass. The tests that start another process (whose references live there, not
here) run in that round only, and a line says how many they are; every later
round runs the others again: first --warmups rounds, which fill the caches
and are not judged, then --rounds measured rounds. A property test tries
--examples examples, the same ones in every round. After each round, the
garbage is collected and the interpreter's caches are cleared; a module leaks
when every measured round ends with more references (sys.gettotalrefcount)
or more allocated memory blocks (sys.getallocatedblocks) than the round
before it. --each measures every test on its own instead, and names those
that grow, to find where a leak is. Exit status: 0 when every module passes
and leaks nothing, else 1.
"""

from __future__ import annotations

import argparse
import gc
import linecache
import os
import re
import subprocess
import sys
import typing
from pathlib import Path

import pytest
from _pytest.runner import runtestprotocol

ROOT = Path(__file__).resolve().parent.parent


def settle() -> tuple[int, int]:
    """Clears what the interpreter and the standard library cache, collects
    the garbage, and returns the reference total and the allocated blocks."""
    re.purge()
    linecache.clearcache()
    for cleanup in getattr(typing, "_cleanups", []):
        cleanup()
    clear_caches = getattr(sys, "_clear_internal_caches", None) or sys._clear_type_cache
    clear_caches()
    for _ in range(3):
        gc.collect()
    return sys.gettotalrefcount(), sys.getallocatedblocks()


def grows(deltas: list[int]) -> bool:
    """Steady growth: every measured round added something. A single round's
    noise (a cache filled late, a free list grown once) is not a leak."""
    return all(delta >= 1 for delta in deltas)


class RepeatedRounds:
    """A pytest plugin: after the session's ordinary run, the tests that ran
    in-process again, round after round, with the counts taken after each."""

    def __init__(self, warmups: int, rounds: int, examples: int, each: bool = False) -> None:
        self.each = each
        self.examples = examples
        self.warmups = warmups
        self.rounds = rounds
        self.spawning: set[str] = set()
        self.hypothesis_settings: dict[object, object] = {}
        self.current: str | None = None
        self.verdict: list[str] = []
        self.failed = False

    # Tests that start a process are seen through the calls that do so.
    def _watch(self, owner: object, name: str) -> None:
        original = getattr(owner, name)
        plugin = self

        def watched(*args, **kwargs):
            if plugin.current is not None:
                plugin.spawning.add(plugin.current)
            return original(*args, **kwargs)

        setattr(owner, name, watched)

    def pytest_configure(self, config: pytest.Config) -> None:
        # The same examples in every round, none kept between them: a new
        # example's objects (an int or a text seen for the first time, a
        # cache entry) are no leak.
        from hypothesis import settings

        settings.register_profile("refleak", derandomize=True, database=None)
        settings.load_profile("refleak")
        self._watch(subprocess.Popen, "__init__")
        for name in ("fork", "posix_spawn", "posix_spawnp", "system"):
            if hasattr(os, name):
                self._watch(os, name)

    def pytest_collection_modifyitems(self, items: list[pytest.Item]) -> None:
        for item in items:
            self.fewer_examples(item)

    @pytest.hookimpl(wrapper=True)
    def pytest_runtest_protocol(self, item: pytest.Item, nextitem: pytest.Item | None):
        self.current = item.nodeid
        try:
            return (yield)
        finally:
            self.current = None

    @pytest.hookimpl(wrapper=True)
    def pytest_runtestloop(self, session: pytest.Session):
        result = yield
        if session.testsfailed or session.shouldfail or session.shouldstop:
            return result
        items = [item for item in session.items if item.nodeid not in self.spawning]
        if self.spawning:
            self.verdict.append(f"{len(self.spawning)} of {len(session.items)} tests start another "
                                "process: they ran in the first round only")
        if not items:
            self.verdict.append("no test runs in-process: nothing to measure")
            return result
        if self.each:
            for item in items:
                growth = self.measure([item])
                if growth and any(grows(column) for column in growth):
                    self.verdict.append(f"{item.nodeid}: growth per measured round, references "
                                        f"{growth[0]}, memory blocks {growth[1]}")
            return result
        growth = self.measure(items)
        if growth is None:
            return result
        for label, column in zip(("references", "memory blocks"), growth):
            leaks = grows(column)
            self.failed |= leaks
            self.verdict.append(f"{label}: {'LEAK, ' if leaks else ''}growth per measured round "
                                f"{column} (after {self.warmups} warm-up rounds of {len(items)} tests)")
        return result

    def forget_the_run(self, item: pytest.Item) -> None:
        """Drops what one run of a test leaves on objects that outlive it,
        which an ordinary session, running each test once, never sees grow:
        the output captured from it (kept on the item for its report); the
        traceback and context of an exception instance given as a parameter
        (a raised exception's traceback grows by the frames of each raise);
        and the settings that hypothesis's pytest plugin gives a parametrized
        test on each run, each made with the one before as its parent."""
        item._report_sections.clear()
        callspec = getattr(item, "callspec", None)
        for value in callspec.params.values() if callspec else ():
            if isinstance(value, BaseException):
                value.__traceback__ = value.__context__ = None
        function = getattr(item.obj, "__func__", item.obj)
        if function in self.hypothesis_settings:
            function._hypothesis_internal_use_settings = self.hypothesis_settings[function]

    def fewer_examples(self, item: pytest.Item) -> None:
        """A property test tries at most --examples examples in each round
        (scripts/root-tests runs them all under the same interpreter)."""
        from hypothesis import settings

        function = getattr(item.obj, "__func__", item.obj)
        current = getattr(function, "_hypothesis_internal_use_settings", None)
        if current is not None and function not in self.hypothesis_settings:
            capped = settings(current, max_examples=min(current.max_examples, self.examples))
            self.hypothesis_settings[function] = function._hypothesis_internal_use_settings = capped

    def measure(self, items: list[pytest.Item]):
        """Runs items round after round; returns the growth of references and
        of memory blocks in each measured round, or None when a test failed."""
        # The growth of each round is kept in lists made beforehand, and
        # small growths are cached ints: the bookkeeping adds no objects of
        # its own from round to round.
        deltas = ([0] * self.rounds, [0] * self.rounds)
        before = (0, 0)
        for number in range(self.warmups + self.rounds):
            for index, item in enumerate(items):
                nextitem = items[index + 1] if index + 1 < len(items) else None
                for report in runtestprotocol(item, log=False, nextitem=nextitem):
                    if report.failed:
                        self.failed = True
                        self.verdict.append(f"{item.nodeid} failed in repeated round {number + 1}:\n"
                                            f"{report.longreprtext}")
                        return None
                self.forget_the_run(item)
            after = settle()
            if number >= self.warmups:
                measured = number - self.warmups
                deltas[0][measured] = after[0] - before[0]
                deltas[1][measured] = after[1] - before[1]
            before = after
        return deltas

    def pytest_terminal_summary(self, terminalreporter) -> None:
        for line in self.verdict:
            terminalreporter.write_line(f"refleak: {line}")

    def pytest_sessionfinish(self, session: pytest.Session) -> None:
        if self.failed and session.exitstatus == 0:
            session.exitstatus = 1


def run_one(module: str, args: argparse.Namespace) -> int:
    plugin = RepeatedRounds(args.warmups, args.rounds, args.examples, args.each)
    return int(pytest.main([module, "-q", "-p", "no:cacheprovider"], plugins=[plugin]))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--warmups", type=int, default=3, help="rounds not judged (default 3)")
    parser.add_argument("--rounds", type=int, default=3, help="rounds judged (default 3)")
    parser.add_argument("--examples", type=int, default=30,
                        help="examples of a property test in each round (default 30)")
    parser.add_argument("--each", action="store_true",
                        help="to find a leak: the rounds of each test on its own, and the tests that grow")
    parser.add_argument("--one", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("modules", nargs="*")
    args = parser.parse_args()
    if args.rounds < 2 or args.warmups < 1 or args.examples < 1:
        parser.error("--warmups and --examples must be 1 or more, --rounds 2 or more")
    if not hasattr(sys, "gettotalrefcount"):
        parser.error(f"{sys.executable} is no debug interpreter (it lacks sys.gettotalrefcount)")
    if args.one:
        [module] = args.modules
        return run_one(module, args)
    modules = args.modules or sorted(map(str, (ROOT / "tests" / "python").glob("test_*.py")))
    failed = []
    for module in modules:
        print(f"== {Path(module).name}: its ordinary run, then {args.warmups} warm-up and "
              f"{args.rounds} measured rounds", flush=True)
        status = subprocess.run([sys.executable, __file__, "--one", "--warmups", str(args.warmups),
                                 "--rounds", str(args.rounds), "--examples", str(args.examples),
                                 *(["--each"] if args.each else []),
                                 module]).returncode
        if status != 0:
            failed.append(Path(module).name)
    if failed:
        print(f"refleak: FAILED (a test failed or references leaked): {', '.join(failed)}")
        return 1
    print(f"refleak: {len(modules)} test modules, no leak")
    return 0


if __name__ == "__main__":
    sys.exit(main())
