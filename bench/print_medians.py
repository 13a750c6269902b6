"""Prints median, user and system time of each command in a hyperfine JSON export."""
import json
import sys

for r in json.load(open(sys.argv[1]))["results"]:
    print("median %7.1f ms  user %6.1f ms  system %6.1f ms  %s" % (
        r["median"] * 1000, r["user"] * 1000, r["system"] * 1000, r["command"].split()[-1]))
