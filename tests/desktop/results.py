"""Counts the tier's checks and prints one line per check, so ./test can add them to its totals."""

import sys
import time


class Results:
    def __init__(self, label="desktop"):
        self.label = label
        self.passed = 0
        self.failures = []

    def check(self, name, ok, detail=""):
        """Records one check; `detail` says what was seen when it failed."""
        if ok:
            self.passed += 1
            print(f"ok   {name}", flush=True)
        else:
            self.fail(name, detail)
        return ok

    def fail(self, name, detail):
        self.failures.append(f"{name}: {detail}" if detail else name)
        print(f"FAIL {name}: {detail}", flush=True)

    def summary(self):
        for failure in self.failures:
            print(f"{self.label} FAILED: {failure}")
        print(f"{self.label}: {self.passed} passed, {len(self.failures)} failed")


class Stopwatch:
    """Prints how long one server's part of the tier took."""

    def __init__(self, label):
        self.label = label

    def __enter__(self):
        self.start = time.monotonic()
        print(f"-- {self.label}", flush=True)
        return self

    def __exit__(self, *exc):
        print(f"-- {self.label}: {time.monotonic() - self.start:.1f} s", flush=True)
        sys.stdout.flush()
        return False
