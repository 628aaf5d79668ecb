# The script sensor of bench/run: the probe's file work and result document in plain Python 3.
"""An equivalent script sensor, standard library only.

    python3 sensor.py PROFILE WRITES WAITBUSY ROLLBACKS LOGALLOC LOGSIZE

It does what a user's script sensor in place of the probe would do around
its measurement: read the sensor profile, compare the totals with its state
line, rewrite the profile in one step when they or the day changed (a
temporary file beside it, flushed to disk, renamed over it, the folder
flushed), and print the same document as the probe. The measurement itself
(the five totals) comes from the command line: a script would get it from
somewhere else, which costs what it costs in either program.
"""

import os
import sys
import time

STATE = "# Olg Date="
MASK = 0xFFFFFFFF


def leading_number(text):
    digits = ""
    for c in text:
        if not c.isdigit():
            break
        digits += c
    return int(digits) if digits else 0


def state_total(line, key):
    at = line.find(key)
    if at < 0:
        return 0
    taken = ""
    for c in line[at + len(key):]:
        if not (c.isascii() and c.isalnum()) or len(taken) == 11:
            break
        taken += c
    return leading_number(taken) & MASK


def grouped(number):
    text = str(number)
    if len(text) <= 3:
        return text
    if len(text) <= 6:
        return text[:-3] + "." + text[-3:]
    return text[:-6] + "." + text[-6:-3] + "." + text[-3:]


def escaped(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def replace_file(path, content):
    folder = os.path.dirname(os.path.abspath(path))
    temp = f"{path}.{os.getpid()}.tmp"
    fd = os.open(temp, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    try:
        os.write(fd, content)
        os.fsync(fd)
    finally:
        os.close(fd)
    os.replace(temp, path)
    dir_fd = os.open(folder, os.O_RDONLY)
    try:
        os.fsync(dir_fd)
    finally:
        os.close(dir_fd)


def channel(name, value, unit=""):
    text = f"\n<Result><Channel>{name}</Channel>"
    if unit:
        text += f"\n<Unit>Custom</Unit>\n<CustomUnit>{unit}</CustomUnit>"
    return text + f"\n<Value>{value}</Value></Result>\n"


def main(argv):
    if len(argv) != 7:
        sys.stderr.write(__doc__)
        return 2
    name = argv[1]
    path = name if name.upper().endswith(".P00") else name + ".P00"
    writes, busy, rollbacks, alloc, size = (int(a) & MASK for a in argv[2:])

    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").splitlines()
    destination = ""
    state = None
    for line in lines:
        if line.startswith("Destination:"):
            destination = line[13:73]
        elif state is None and line.startswith(STATE):
            state = line

    now = time.localtime()
    date = time.strftime("%Y%m%d", now)
    old = (0, 0, 0)
    differences = (0, 0, 0)
    rewrite = True
    if state is not None:
        old = tuple(state_total(state, k) for k in ("Writes=", "WaitBusy=", "RollBacks="))
        if state[11:19] == date:
            differences = tuple((new - was) & MASK
                                for new, was in zip((writes, busy, rollbacks), old))
            rewrite = (writes, busy, rollbacks) != old
    if rewrite:
        kept = [line for line in lines if not line.startswith(("# Olg ", "# Olx "))]
        kept.append(f"{STATE}{date} {time.strftime('%H:%M:%S', now)} "
                    f"Writes={writes} WaitBusy={busy} RollBacks={rollbacks}")
        if state is not None:
            kept.append("# Olx " + state[6:])
        replace_file(path, ("\n".join(kept) + "\n").encode("latin-1"))

    usage = 0 if size == 0 else int((alloc * 100 & MASK) / size)
    d_writes, d_busy, d_rollbacks = differences
    text = (f"({escaped(destination)}) Logging: LogWrites={grouped(d_writes)}, "
            f"WaitBusy={grouped(d_busy)}, RollBacks={grouped(d_rollbacks)}, LogUsage={usage}% ")
    sys.stdout.write("\n<Prtg>\n" + f"\n<Text>{text}</Text>\n" +
                     channel("LogWrites", d_writes) + channel("WaitBusy", d_busy) +
                     channel("RollBacks", d_rollbacks) + channel("LogUsage", usage, "PerCent") +
                     "\n</Prtg>\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
