#!/usr/bin/env python3
"""Runs the EXAMPLES of a manual page exactly as a reader copies them.

    man_examples.py SCDOC PAGE.scd CLI_DIR EXAMPLE_HTML

The page is turned into roff by scdoc and formatted by man, as the
installed page is shown; every command line of its EXAMPLES section then
runs in a folder holding the files the examples name, with the CLI on the
PATH, and must succeed (pipelines included).
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

# An export as business systems write it: a title line, more columns than
# two, a total row.
EXPORT_CSV = ("2024年销售报表\n日期,地区,销售员,金额\n"
              "2024-01,华东,张三,\"1,200.5\"\n2024-01,华南,李四,980\n"
              "2024-01,华北,王五,1500\n合计,,,\"3,680.5\"\n")


def formatted_examples(scdoc, page):
    with open(page, "rb") as f:
        roff = subprocess.run([scdoc], stdin=f, capture_output=True, check=True).stdout
    with tempfile.NamedTemporaryFile(suffix=".1") as man_file:
        man_file.write(roff)
        man_file.flush()
        env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="400", MAN_KEEP_FORMATTING="")
        text = subprocess.run(["man", "-l", man_file.name], capture_output=True, check=True,
                              env=env).stdout.decode("utf-8")
    section = re.search(r"^EXAMPLES\n(.*?)^\S", text, re.S | re.M)
    if not section:
        sys.exit(f"{page}: no EXAMPLES section")
    # Commands are the indented block lines; the words around them are less so.
    lines = [l for l in section.group(1).splitlines() if l.strip()]
    indent = max(len(l) - len(l.lstrip()) for l in lines)
    return [l.strip() for l in lines if len(l) - len(l.lstrip()) == indent]


def main():
    scdoc, page, cli_dir, example = sys.argv[1:5]
    cli_dir = os.path.abspath(cli_dir)
    commands = formatted_examples(scdoc, page)
    failures = []
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(example, os.path.join(work, "report.html"))
        os.mkdir(os.path.join(work, "exports"))
        for name in ("north.html", "south.html"):
            shutil.copy(example, os.path.join(work, "exports", name))
        with open(os.path.join(work, "export.csv"), "w", encoding="utf-8") as f:
            f.write(EXPORT_CSV)
        env = dict(os.environ, PATH=cli_dir + os.pathsep + os.environ["PATH"])
        for command in commands:
            # scdoc takes a backslash as an escape: a printf format that lost
            # its own (\t printed as t) still runs, to a wrong result.
            for fmt in re.findall(r"printf '([^']*)'", command):
                if "\\" not in fmt and "%" not in fmt:
                    failures.append(f"{command}\n  printf '{fmt}' lost its backslash")
            run = subprocess.run(["bash", "-o", "pipefail", "-c", command], cwd=work, env=env,
                                 capture_output=True)
            if run.returncode != 0:
                failures.append(f"{command}\n  exit {run.returncode}: "
                                f"{run.stderr.decode('utf-8', 'replace').strip()}")
    for f in failures:
        print(f, file=sys.stderr)
    print(f"{len(commands)} examples of {os.path.basename(page)}: "
          f"{'FAILED' if failures or not commands else 'OK'}")
    return 1 if failures or not commands else 0


if __name__ == "__main__":
    sys.exit(main())
