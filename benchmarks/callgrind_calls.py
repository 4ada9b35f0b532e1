"""Instructions per call of a few of the module's calls, counted by callgrind.

    python benchmarks/callgrind_calls.py [--calls N]

Run with the interpreter that has veltrane installed. Each call is counted in
two runs of the same script under valgrind's callgrind, one making N more
calls than the other; the difference over N is what one call costs (the loop
included, which is the same for every build). Instruction counts, unlike
times, repeat from run to run on a busy machine.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

CALLS = {
    "get": ("registry = core.PyFormulasRegistry(); call = registry.get", "call('b3')"),
    "len": ("registry = core.PyFormulasRegistry()", "len(registry)"),
    "is_unitary": ("matrix = core.PyCKMMatrix.from_topology(); call = matrix.is_unitary", "call(1e-9)"),
    "py_list_constants": ("call = core.py_list_constants", "call()"),
    "PyFormulasRegistry()": ("call = core.PyFormulasRegistry", "call()"),
}

SCRIPT = """\
import sys
import veltrane._quorra_core as core
{setup}
for _ in range(int(sys.argv[1])):
    {call}
"""


def instructions(script: str, calls: int) -> int:
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "callgrind.out")
        subprocess.run(
            ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", sys.executable, "-c", script, str(calls)],
            check=True, capture_output=True,
            # A fixed hash seed, so that dictionary lookups cost the same in every run.
            env=dict(os.environ, PYTHONHASHSEED="0"))
        with open(out) as file:
            for line in file:
                match = re.match(r"(?:summary|totals): (\d+)", line)
                if match:
                    return int(match.group(1))
    raise RuntimeError("callgrind wrote no total")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--calls", type=int, default=10_000)
    args = parser.parse_args()
    for label, (setup, call) in CALLS.items():
        script = SCRIPT.format(setup=setup, call=call)
        base = instructions(script, 1_000)
        more = instructions(script, 1_000 + args.calls)
        print(f"{label:24} {(more - base) / args.calls:10.1f} instructions per call")


if __name__ == "__main__":
    main()
