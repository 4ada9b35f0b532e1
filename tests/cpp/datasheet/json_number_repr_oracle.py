"""Compares the JSON number writer with Python's float repr.

Both give the shortest significand that reads back to the same double, the
nearest one among equally short candidates, so for every finite double the
significand digits and decimal exponent must agree; only the layout differs
("1e-05" against "1e-5", "1e+16" in both). The writer's text must also read
back to the identical double, use plain notation exactly for decimal
exponents -5 to 15, and write NaN and infinities as null.

Usage: json_number_repr_oracle.py PATH_TO_DRIVER
"""

import math
import random
import struct
import subprocess
import sys


def double_from_bits(bits):
    return struct.unpack("<d", struct.pack("<Q", bits))[0]


def bits_of(value):
    return struct.unpack("<Q", struct.pack("<d", value))[0]


def significand_and_exponent(text):
    """Digits d1..dn (no leading or trailing zeros) and the exponent of d1."""
    text = text.lstrip("-")
    mantissa, _, exponent = text.partition("e")
    whole, _, fraction = mantissa.partition(".")
    digits = whole + fraction
    leading_zeros = len(digits) - len(digits.lstrip("0"))
    exponent_of_d1 = int(exponent or "0") + len(whole) - 1 - leading_zeros
    return digits.strip("0"), exponent_of_d1


def test_values():
    rng = random.Random(0x5EED)
    values = []
    # Arbitrary bit patterns, NaN and infinities included.
    values += [double_from_bits(rng.getrandbits(64)) for _ in range(120_000)]
    # Subnormals.
    values += [double_from_bits(rng.getrandbits(52)) for _ in range(15_000)]
    # Short decimals around the plain-notation range.
    for _ in range(40_000):
        digits = rng.randint(1, 17)
        significand = rng.randrange(10 ** (digits - 1), 10**digits)
        values.append(float(f"{significand}e{rng.randint(-12, 22) - digits + 1}"))
    # Powers of ten and of two with three neighbours on each side.
    centres = [float(f"1e{k}") for k in range(-323, 309)]
    centres += [math.ldexp(1.0, k) for k in range(-1074, 1024)]
    for centre in centres:
        below = above = centre
        values.append(centre)
        for _ in range(3):
            below = math.nextafter(below, 0.0)
            above = math.nextafter(above, math.inf)
            values += [below, above]
    values += [sys.float_info.max, 0.0, math.inf, math.nan]
    return values + [-v for v in values]


def check(value, text):
    """None when the text is right for the value, else the reason."""
    if not math.isfinite(value):
        return None if text == "null" else "non-finite value not written as null"
    if bits_of(float(text)) != bits_of(value):
        return "does not read back to the same double"
    if value == 0.0:
        return None if text == ("-0.0" if math.copysign(1.0, value) < 0 else "0.0") else "zero"
    written = significand_and_exponent(text)
    expected = significand_and_exponent(repr(value))
    if written != expected:
        return f"digits and exponent {written}, repr gives {expected}"
    plain = -5 <= written[1] <= 15
    if plain != ("e" not in text) or ("." not in text and "e" not in text):
        return "wrong notation for the exponent"
    return None


def main():
    driver = sys.argv[1]
    values = test_values()
    request = "".join(f"{bits_of(v):016x}\n" for v in values)
    run = subprocess.run([driver], input=request, capture_output=True, text=True, check=True)
    texts = run.stdout.split("\n")[:-1]
    if len(texts) != len(values):
        print(f"driver wrote {len(texts)} lines for {len(values)} values")
        return 1
    failures = []
    for value, text in zip(values, texts):
        why = check(value, text)
        if why is not None:
            failures.append(f"{bits_of(value):016x} ({value!r}) -> {text!r}: {why}")
    print(f"compared {len(values)} doubles with repr; {len(failures)} disagree")
    for failure in failures[:20]:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
