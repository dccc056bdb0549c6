#!/usr/bin/env python3
"""Writes a made-up game install directory for the engine benchmarks.

    python3 bench/make_install_dir.py OUTDIR [--megabytes 400] [--seed 1]
        [--programs-from DIR] [--dense MEGABYTES] [--many COUNT]

A few hundred files, most of the bytes in large program files (.exe, .dll),
plus configuration and page files (.ini, .cfg, .htm), files of other kinds
and a subdirectory. The wizard's old address (read from
product/WizardStrings.h) is planted in some files: at the start, at the very
end, across a 4096-byte piece boundary and in the middle, once or several
times; near misses (the address cut short, other addresses of the same
range) are everywhere. Planted strings with letters get a random letter case
per copy (the address has none). Nothing here is a real game file.

--programs-from DIR takes the program files from DIR instead (real Windows
programs, such as Wine's own x86_64-windows folder), copied under their
names until the budget is used, 40 percent of them with the address planted.
--dense writes instead one text file of that size made of lines that each
hold the address ("dense.ini"), the worst case for a rewrite that moves the
rest of the file at every occurrence. --many writes instead COUNT small text
files (100 to 2000 bytes, one in a thousand holding the address), for what a
run costs per file. --texts writes instead COUNT text files of 64 to 512 KiB,
each holding the address a few times, for a rewrite of many files.
"""
import argparse
import os
import random
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def wizard_address():
    with open(os.path.join(HERE, "..", "product", "WizardStrings.h"), encoding="ascii") as f:
        return re.search(r'legacyServerAddress\[\] = "([^"]+)"', f.read()).group(1).encode()


def program_table():
    # Program-like byte frequencies: many zeros and 0xFF, common opcode bytes.
    table = bytearray(range(256))
    for i in range(256):
        if i < 77:
            table[i] = 0
        elif i < 90:
            table[i] = 0xFF
        elif i < 140:
            table[i] = (0x8B, 0x89, 0xE8, 0x83, 0xC4, 0x85, 0x48, 0x24, 0x0F, 0x74)[i % 10]
    return bytes(table)


def random_case(rng, text):
    return bytes(c ^ 0x20 if 97 <= (c | 0x20) <= 122 and rng.random() < 0.5 else c for c in text)


def plant_places(rng, size, length):
    kind = rng.choice(("start", "end", "boundary", "middle", "several"))
    if size < 3 * 4096:
        kind = rng.choice(("start", "end", "middle"))
    if kind == "start":
        return [0]
    if kind == "end":
        return [size - length]
    if kind == "boundary":
        return [4096 * rng.randrange(1, size // 4096) - length // 2]
    if kind == "middle":
        return [rng.randrange(0, size - length)]
    return sorted(rng.sample(range(0, size - length, length), 5))


def program_bytes(rng, size, table, address):
    data = bytearray(os.urandom(size).translate(table))
    near = [address[:-1] + b"\0", address[:-2] + b"\0", b"Version 1.0.117.5", address[:7] + b"2.3"]
    for _ in range(size // 65536 + 1):
        at = rng.randrange(0, max(1, size - 32))
        piece = rng.choice(near)
        data[at:at + len(piece)] = piece
    return data[:size]


def text_bytes(rng, size, kind, address):
    lines = []
    total = 0
    host_part = address.decode()[:address.decode().rfind(".") + 1]
    while total < size:
        n = rng.randrange(1000)
        last = n % 250 if n % 250 != int(address.split(b".")[-1]) else 17  # near misses only
        if kind == "htm":
            line = f'<p><a href="http://{host_part}{last}/news{n}.htm">News {n}</a></p>\r\n'
        else:
            line = f"Server{n}={host_part}{last}\r\nPort{n}={28000 + n}\r\nName{n}=Player {n}\r\n"
        lines.append(line)
        total += len(line)
    return bytearray("".join(lines).encode()[:size])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--megabytes", type=int, default=400)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--programs-from", metavar="DIR")
    parser.add_argument("--dense", type=int, metavar="MEGABYTES")
    parser.add_argument("--many", type=int, metavar="COUNT")
    parser.add_argument("--texts", type=int, metavar="COUNT")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    address = wizard_address()
    table = program_table()
    os.makedirs(args.outdir, exist_ok=True)
    budget = args.megabytes << 20

    def write(name, data):
        with open(os.path.join(args.outdir, name), "wb") as f:
            f.write(data)

    def plant(data, rate):
        if len(data) > len(address) and rng.random() < rate:
            for at in plant_places(rng, len(data), len(address)):
                data[at:at + len(address)] = random_case(rng, address)

    if args.dense:
        line = b"Server=" + address + b"\r\nPort=28000\r\n"
        write("dense.ini", (line * ((args.dense << 20) // len(line) + 1))[: args.dense << 20])
        return 0
    if args.texts:
        for i in range(args.texts):
            kind = ("ini", "cfg", "htm")[i % 3]
            data = text_bytes(rng, int(65536 * 2 ** rng.uniform(0, 3)), kind, address)
            for at in sorted(rng.sample(range(0, len(data) - len(address), len(address)), 4)):
                data[at:at + len(address)] = address
            write(f"t{i:04d}.{kind}", data)
        return 0
    if args.many:
        for i in range(args.many):
            kind = ("ini", "cfg", "htm")[i % 3]
            data = text_bytes(rng, rng.randrange(100, 2000), kind, address)
            plant(data, 0.001)
            write(f"f{i:06d}.{kind}", data)
        return 0

    # Text files and other kinds first: small, many.
    used = 0
    for i in range(70):
        kind = ("ini", "cfg", "htm")[i % 3]
        size = int(1024 * 2 ** rng.uniform(0, 8))  # 1 KiB .. 256 KiB
        data = text_bytes(rng, size, kind, address)
        plant(data, 0.35)
        write(f"{rng.choice(('Game', 'net', 'Lobby', 'patch'))}{i:03d}.{kind.upper() if i % 4 == 0 else kind}", data)
        used += len(data)
    for i in range(80):
        kind = rng.choice(("txt", "pak", "bmp", "wav", "log", "ini.bak"))
        size = int(1024 * 2 ** rng.uniform(0, 7))
        data = program_bytes(rng, size, table, address)
        plant(data, 0.2)
        write(f"data{i:03d}.{kind}", data)
        used += len(data)
    os.makedirs(os.path.join(args.outdir, "Maps"), exist_ok=True)
    for i in range(10):
        data = program_bytes(rng, 65536, table, address)
        plant(data, 0.5)
        with open(os.path.join(args.outdir, "Maps", f"map{i}.dll"), "wb") as f:
            f.write(data)
    if args.programs_from:
        names = sorted(n for n in os.listdir(args.programs_from) if os.path.isfile(os.path.join(args.programs_from, n)))
        rng.shuffle(names)
        for name in names:
            if used >= budget:
                break
            with open(os.path.join(args.programs_from, name), "rb") as f:
                data = bytearray(f.read())
            plant(data, 0.4)
            write(name, data)
            used += len(data)
        return 0
    # Programs take the rest of the budget, sized from 64 KiB to 16 MiB.
    sizes = [int(65536 * 2 ** rng.uniform(0, 8)) for _ in range(140)]
    scale = (budget - used) / sum(sizes)
    for i, size in enumerate(sizes):
        size = max(4096, int(size * scale))
        data = program_bytes(rng, size, table, address)
        plant(data, 0.2)
        write(f"{rng.choice(('game', 'Engine', 'net', 'Render', 'sound'))}{i:03d}.{rng.choice(('exe', 'dll', 'DLL', 'Exe'))}", data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
