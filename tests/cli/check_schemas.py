#!/usr/bin/env python3
"""Validates real output of qinghechart-cli against the committed JSON Schemas.

    check_schemas.py CLI SCHEMA_DIR DATA_DIR EXAMPLE

Runs "check --json" on every file of the data corpus, "render --layout
--json-summary" for each chart kind, and validates every document. The schemas are also
shown documents they must refuse, so a schema that accepts anything fails.
"""
import json
import os
import subprocess
import sys
import tempfile

from jsonschema import Draft202012Validator


def load_validator(schema_dir, name):
    with open(os.path.join(schema_dir, name + ".schema.json"), encoding="utf-8") as f:
        schema = json.load(f)
    Draft202012Validator.check_schema(schema)
    return Draft202012Validator(schema)


def problems(validator, document):
    return [f"{'/'.join(map(str, e.absolute_path))}: {e.message}"
            for e in validator.iter_errors(document)]


def main():
    cli, schema_dir, data_dir, example = sys.argv[1:5]
    check = load_validator(schema_dir, "qinghechart-check-1")
    layout = load_validator(schema_dir, "qinghechart-layout-1")
    summary = load_validator(schema_dir, "qinghechart-render-1")
    failures = []

    def expect_valid(validator, text, what):
        try:
            document = json.loads(text)
        except ValueError as e:
            failures.append(f"{what}: not JSON: {e}")
            return None
        for p in problems(validator, document):
            failures.append(f"{what}: {p}")
        return document

    corpus = os.path.join(data_dir, "corpus")
    inputs = sorted(f for f in os.listdir(corpus) if not f.endswith(".json"))
    verdicts = set()
    for name in inputs:
        args = [cli, "check", "--json"] + (["--manual"] if name.endswith(".txt") else [])
        run = subprocess.run(args + [os.path.join(corpus, name)], capture_output=True)
        document = expect_valid(check, run.stdout.decode("utf-8"), f"check {name}")
        if document:
            verdicts.add(document["ok"])
    if verdicts != {True, False}:
        failures.append(f"the corpus should hold accepted and refused files, got {verdicts}")

    # A table whose header names its unit ("收入(万元)") adds a value-heading text.
    headed = os.path.join(corpus, "sales_utf8_bom.csv")
    roles = set()
    with tempfile.TemporaryDirectory() as work:
        for kind, size, source in (("bar", "1200x700", example), ("pie", "900x600", example),
                                   ("line", "640x480", example), ("bar", "60x40", example),
                                   ("line", "800x500", headed)):
            out = os.path.join(work, f"{kind}-{size}")
            run = subprocess.run([cli, "render", "--kind", kind, "--size", size, "--layout",
                                  out + ".json", "-o", out + ".png", "--json-summary", source],
                                 capture_output=True)
            if run.returncode != 0:
                failures.append(f"render {kind} {size}: exit {run.returncode}: {run.stderr!r}")
                continue
            lines = run.stdout.decode("utf-8").splitlines()
            if len(lines) != 1:
                failures.append(f"render {kind} {size}: {len(lines)} summary lines, not 1")
            for line in lines:
                expect_valid(summary, line, f"render --json-summary {kind} {size}")
            with open(out + ".json", encoding="utf-8") as f:
                document = expect_valid(layout, f.read(), f"render --layout {kind} {size}")
            if document:
                roles.update(t["role"] for t in document["texts"])
    if "value-heading" not in roles:
        failures.append(f"no layout shows the value heading of {headed}")

    # What the schemas must refuse: a wrong name, a missing member, a region
    # or box with a field missing, a pair with a third member.
    good_check = {"schema": "qinghechart-check-1", "ok": True, "count": 1,
                  "items": [["A", 1]], "error": "", "hint": ""}
    good_layout = {"schema": "qinghechart-layout-1", "kind": "bar", "width": 100, "height": 80,
                   "scale": 1, "title": "t", "subtitle": "s", "axis": None, "drawn": 1,
                   "capacity": 1, "regions": [[1, 0, 0, 1, 1]],
                   "texts": [{"role": "title", "text": "t", "box": [0, 0, 1, 1], "cut": False}]}
    good_summary = {"schema": "qinghechart-render-1", "file": "a.csv", "output": "a.png",
                    "layout": None, "kind": "pie", "page": 2, "drawn": 8, "rows": 20}
    for validator, good, name in ((check, good_check, "check"), (layout, good_layout, "layout"),
                                  (summary, good_summary, "render summary")):
        if problems(validator, good):
            failures.append(f"{name} schema refuses a good document: {problems(validator, good)}")
    bad = [
        (check, dict(good_check, schema="qinghechart-check-2")),
        (check, {k: v for k, v in good_check.items() if k != "schema"}),
        (check, dict(good_check, items=[["A", 1, 2]])),
        (check, dict(good_check, items=[[1, "A"]])),
        (layout, dict(good_layout, regions=[[1, 0, 0, 1]])),
        (layout, dict(good_layout, regions=[[0, 0, 0, 1, 1]])),
        (layout, dict(good_layout, texts=[dict(good_layout["texts"][0], box=[0, 0, 1])])),
        (layout, dict(good_layout, kind="donut")),
        (summary, dict(good_summary, page=0)),
        (summary, {k: v for k, v in good_summary.items() if k != "drawn"}),
    ]
    for validator, document in bad:
        if not problems(validator, document):
            failures.append(f"a schema accepts a bad document: {json.dumps(document)}")

    for f in failures:
        print(f, file=sys.stderr)
    print(f"{len(inputs)} check documents, 5 layouts and summaries, {len(bad)} refusals: "
          f"{'FAILED' if failures else 'OK'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
