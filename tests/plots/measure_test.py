#!/usr/bin/python3
"""Measures the built plug-in through veltrax-render and checks the documented figures.

    measure_test.py --renderer PATH [--plugin PATH] [unittest options]
"""

import argparse
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "plots"))

import measure  # noqa: E402

ARGS = None


class PluginMeasurement(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.m = measure.measure_all(ARGS.renderer, ARGS.plugin)

    def test_plugin_measures_as_documented(self):
        f = measure.figures(self.m)
        self.assertEqual(measure.check(f), [], "\n" + "\n".join(measure.describe(f)))

    def test_checks_reject_a_plugin_that_only_passes_sound_through(self):
        flat, flat_transfer = self.m["power_off"], self.m["transfer_power_off"]
        passing = dict(self.m,
                       eq={p: flat for p in measure.EQ_POSITIONS},
                       record={g: flat for g in measure.RECORD_LEVELS},
                       headphones=flat,
                       transfer={g: flat_transfer for g in measure.TRANSFER_LEVELS})
        problems = "\n".join(measure.check(measure.figures(passing)))
        for subject in ["high-pass -3 dB", "high-pass corner", "headphones stage",
                        "record level 25 %: low shelf", "record level 200 %: a -40 dBFS tone",
                        "record level 100 %: the fundamental reaches"] + \
                       [f"equaliser {p}" for p in measure.EQ_POSITIONS]:
            self.assertIn(subject, problems)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--renderer", required=True)
    parser.add_argument("--plugin")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
