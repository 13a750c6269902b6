"""The peer of chart_vector_timing.sh: every row of the CSV as one bar of a
matplotlib bar chart, saved as SVG at 1200 x 700 pixels."""
import csv
import sys

import matplotlib

matplotlib.use("svg")
import matplotlib.pyplot as plt  # noqa: E402

names, values = [], []
with open(sys.argv[1], encoding="utf-8-sig", newline="") as f:
    for row in csv.reader(f):
        try:
            values.append(float(row[1].replace(",", "")))  # "79,043.96"
        except (IndexError, ValueError):
            continue  # the header
        names.append(row[0])
fig, ax = plt.subplots(figsize=(12, 7), dpi=100)
ax.bar(range(len(values)), values)
ax.set_title("bar")
fig.savefig(sys.argv[2])
