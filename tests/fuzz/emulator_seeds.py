#!/usr/bin/env python3
"""Writes the emulator fuzzer's seeds into corpus/emulator from the ANSI
emulator's golden files (../emulation/golden): each case on each of the
three displays, its incoming commands defined and its reads received, plus a
few of macros and typed keys. The input format is emulator_fuzzer.cpp's.
The corpus kept in the tree is these merged (-merge=1) with what runs found."""
import pathlib

here = pathlib.Path(__file__).resolve().parent
golden = here.parent / "emulation" / "golden"
out = here / "corpus" / "emulator"

NAMED = {"e": 0x1B, "a": 7, "b": 8, "r": 13, "n": 10, "t": 9}


def unquote(line):
    """The first double-quoted string of `line` as bytes, and the rest."""
    i = line.index('"') + 1
    data = bytearray()
    while line[i] != '"':
        if line[i] != "\\":
            data.append(ord(line[i]))
        else:
            i += 1
            if line[i] == "x":
                data.append(int(line[i + 1 : i + 3], 16))
                i += 2
            else:
                data.append(NAMED.get(line[i], ord(line[i])))
        i += 1
    return bytes(data), line[i + 1 :]


def run_ops(data):
    """Receive operations of at most 31 bytes each."""
    ops = bytearray()
    for start in range(0, len(data), 31):
        piece = data[start : start + 31]
        ops += bytes([0 + 8 * (len(piece) - 1)]) + piece
    return bytes(ops)


def define_op(text, value):
    text = text[:31]
    return bytes([2 + 8 * len(text)]) + text + bytes([value & 0xFF])


def cases():
    for path in sorted(golden.glob("*.txt")):
        case = None
        for line in path.read_text().splitlines():
            if line.startswith("case "):
                if case:
                    yield case
                case = {"rows": 25, "cols": 80, "mask": 0xFF, "ops": bytearray()}
            elif case is None or not line or line.startswith("#"):
                continue
            else:
                word = line.split()[0]
                if word == "screen":
                    case["rows"], case["cols"] = map(int, line.split()[1:3])
                elif word == "mask":
                    case["mask"] = int(line.split()[1], 0)
                elif word == "incoming":
                    text, rest = unquote(line)
                    case["ops"] += define_op(text, int(rest))
                elif word == "push":
                    case["ops"] += run_ops(unquote(line)[0])
        if case:
            yield case


def write(name, choice, rows, cols, ops):
    (out / name).write_bytes(bytes([choice, (rows - 1) % 40, (cols - 1) % 140]) + ops)


def main():
    out.mkdir(parents=True, exist_ok=True)
    for number, case in enumerate(cases()):
        ops = bytes(case["ops"])
        if case["mask"] != 0xFF:
            ops = bytes([7 + 8 * 2, case["mask"]]) + ops
        for display in range(3):
            write(f"golden-{number:03d}-display{display}", display, case["rows"], case["cols"], ops)
    up, f1, a_key = bytes([0x00, 0x48]), bytes([0x00, 0x3B]), bytes([ord("a"), 0x80])
    keys = {
        # Arrow macros, a character key and a key handed back.
        "keys-arrows": bytes([6 + 8 * 2]) + up + a_key + f1,
        # A macro defined, played past one call's 64 characters, redefined.
        "keys-long-macro": bytes([4 + 8 * 30]) + f1 + b"x" * 30 + bytes([6 + 8 * 3]) + f1 * 4
        + bytes([4 + 8 * 2]) + f1 + b"ok" + bytes([6]) + f1,
        # A null macro, then removed; local mode finishing a macro.
        "keys-null-and-local": bytes([4 + 8 * 31]) + a_key + bytes([6]) + a_key + bytes([5 + 8 * 0])
        + bytes([6]) + a_key + bytes([7 + 8 * 1]) + bytes([6]) + up + bytes([7 + 8 * 1]),
        # Local mode: typed keys are the input, completing a command.
        "keys-local-input": define_op(b"ab", 9) + bytes([7 + 8 * 1, 6 + 8 * 1, ord("a"), 0x80, ord("b"), 0x80,
                                                         7 + 8 * 16]),
        # A command longer than the ring, refused; one of sixteen matching.
        "incoming-lengths": define_op(b"ABCDEFGHIJKLMNOPA", 1) + define_op(b"BCDEFGHIJKLMNOPA", 2)
        + run_ops(b"ZBCDEFGHIJKLMNOPA") + bytes([3 + 8 * 0]) + run_ops(b"BCDEFGHIJKLMNOPA"),
    }
    for name, ops in keys.items():
        for choice in range(6):
            write(f"{name}-{choice}", choice, 25, 80, ops)


main()
