# Writes the benchmark's simulated SAP systems and sensor profiles into a folder.
"""Fixtures of bench/run.

    fixtures.py OUT_DIR TIDEWARDEN_PROFILE

OUT_DIR/single   one system PRD whose totals never move, so that a second run
                 of the same day finds them unchanged and leaves the profile
                 alone; PRD.P00 for that run, PRDW.P00.stale (a state line of
                 an old day) for a run that must rewrite its profile.
OUT_DIR/listing  250 systems A00 ... C49, one profile each, and a global
                 profile whose sensors N1, N10, N100 and N250 list the first
                 1, 10, 100 and 250 of them.

Every profile is made the way an administrator makes one: the skeleton of
"tidewarden-profile new", with the stored password from
"tidewarden-profile scramble".
"""

import os
import subprocess
import sys

PASSWORD = "Secret12"
# The totals of PRD; bench/sensor.py is given the same ones.
PRD_TOTALS = {"LOGWRITES": 1843221, "WAIT_BUSY": 17, "ROLLBACKS": 5120,
              "LOGALLOC": 40960, "LOGSIZE": 1310720}
LISTING_SIZES = (1, 10, 100, 250)
# A listing holds at most 2,047 characters: 250 names of "XXX.P00#" fit.
LISTING_NAMES = [f"{letter}{n:02d}" for letter in "ABC" for n in range(100)][:250]
# Listing lines stay well inside the 159 characters of a profile line.
NAMES_PER_LINE = 15


def scrambled(tool):
    out = subprocess.run([tool, "scramble"], input=PASSWORD + "\n", capture_output=True,
                         text=True, check=True)
    return out.stdout.strip("\n")


def profile(tool, name, host, sysnr, client):
    skeleton = subprocess.run([tool, "new", name], capture_output=True, text=True,
                              check=True).stdout
    values = {
        "Extcompany.:": "ACME",
        "Client.....:": client,
        "User.......:": "monitor",
        "Password...:": scrambled(tool),
        "Hostname...:": host,
        "Sysnr......:": sysnr,
        "Gwhost.....:": host,
    }
    lines = []
    for line in skeleton.splitlines():
        label = line[:12]
        if label in values:
            line = label + " " + values[label]
        lines.append(line)
    return "\n".join(lines) + "\n"


def system_section(name, host, sysnr, client, totals):
    lines = [f"[{name}]", f"host = {host}", f"sysnr = {sysnr}", f"client = {client}",
             "user = MONITOR", f"password = {PASSWORD}", f'RFCHOST = "{host}"',
             'RFCDBSYS = "ORACLE"', "LASTCOLLWRT = clock"]
    lines += [f"{key} = {value}" for key, value in totals.items()]
    return "\n".join(lines) + "\n\n"


def write(path, text):
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


def make_single(out, tool):
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "SapSim.txt"),
          "# One simulated system whose totals never move (see bench/fixtures.py).\n\n" +
          system_section("PRD", "sapprd01", "00", "100", PRD_TOTALS))
    prd = profile(tool, "PRD", "sapprd01", "00", "100")
    write(os.path.join(out, "PRD.P00"), prd)
    # A state line of a past day: every run from this file rewrites it.
    write(os.path.join(out, "PRDW.P00.stale"),
          prd + "# Olg Date=20000101 00:00:00 Writes=1 WaitBusy=1 RollBacks=1\n")


def make_listing(out, tool):
    os.makedirs(out, exist_ok=True)
    sections = []
    for i, name in enumerate(LISTING_NAMES):
        host = "sap" + name.lower()
        totals = {"LOGWRITES": 100000 + 37 * i, "WAIT_BUSY": i, "ROLLBACKS": 3 * i,
                  "LOGALLOC": 1000 * (i % 100), "LOGSIZE": 100000}
        sections.append(system_section(name, host, "00", "100", totals))
        write(os.path.join(out, name + ".P00"), profile(tool, name, host, "00", "100"))
    write(os.path.join(out, "SapSim.txt"),
          f"# {len(LISTING_NAMES)} simulated systems (see bench/fixtures.py).\n\n" +
          "".join(sections))
    gbl = ["; Global sensors of bench/run: Nn lists the first n systems."]
    for size in LISTING_SIZES:
        key = f"N{size}".ljust(10)
        entries = [name + ".P00#" for name in LISTING_NAMES[:size]]
        for start in range(0, len(entries), NAMES_PER_LINE):
            gbl.append(f"# GSNG: {key}: " + "".join(entries[start:start + NAMES_PER_LINE]))
        gbl.append(f'# GSNX: {key}: Item=LogUsage,Alias,Sensor="SAP Tidewarden"')
    write(os.path.join(out, "SAP Marrowin.Gbl"), "\n".join(gbl) + "\n")


# The latency listing: every system answers as across a wide-area network.
LATENCY = ["delay.open = 0.1", "delay.GET_CPU_ALL = 0.02", "delay.RFC_SYSTEM_INFO = 0.02",
           "delay.DB_ORA_MAIN_LIST = 0.02"]


def make_latency(out, tool):
    """latency/: the 250 systems with LATENCY; latency-hang/: the same, the
    125th hanging at its logon for an hour."""
    names = LISTING_NAMES[:250]
    profiles = {name: profile(tool, name, "sap" + name.lower(), "00", "100") for name in names}
    for folder, hanging in (("latency", None), ("latency-hang", names[124])):
        path = os.path.join(out, folder)
        os.makedirs(path, exist_ok=True)
        sections = []
        for i, name in enumerate(names):
            totals = {"LOGALLOC": 1000 * (i % 100), "LOGSIZE": 100000}
            section = system_section(name, "sap" + name.lower(), "00", "100", totals)
            delays = ["delay.open = 3600"] + LATENCY[1:] if name == hanging else LATENCY
            sections.append(section.rstrip("\n") + "\n" + "\n".join(delays) + "\n\n")
            write(os.path.join(path, name + ".P00"), profiles[name])
        write(os.path.join(path, "SapSim.txt"), "".join(sections))
        gbl = ["; Latency listings of bench/run --latency."]
        for key, size, options in (("SEQ250", 250, ""), ("PAR250", 250, "PARALLEL=16,"),
                                   ("SEQ50", 50, ""), ("PAR50", 50, "PARALLEL=16,"),
                                   ("HANG250", 250, "PARALLEL=16,TIMEOUT=5,")):
            entries = [name + ".P00#" for name in names[:size]]
            for start in range(0, len(entries), NAMES_PER_LINE):
                gbl.append(f"# GSNG: {key.ljust(10)}: " +
                           "".join(entries[start:start + NAMES_PER_LINE]))
            gbl.append(f'# GSNX: {key.ljust(10)}: Item=LogUsage,Alias,{options}Sensor="SAP Tidewarden"')
        write(os.path.join(path, "SAP Marrowin.Gbl"), "\n".join(gbl) + "\n")


def main(argv):
    if len(argv) == 4 and argv[3] == "latency":
        make_latency(argv[1], argv[2])
        return 0
    if len(argv) != 3:
        sys.stderr.write("usage: fixtures.py OUT_DIR TIDEWARDEN_PROFILE [latency]\n")
        return 2
    out, tool = argv[1], argv[2]
    make_single(os.path.join(out, "single"), tool)
    make_listing(os.path.join(out, "listing"), tool)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
