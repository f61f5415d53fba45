"""tidy_database.py: which compile commands clang-tidy still reads."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

import tidy_database


def entry(path, command=None, arguments=None, directory="/b"):
    made = {"directory": directory, "file": path}
    if arguments is not None:
        made["arguments"] = arguments
    else:
        made["command"] = command
    return made


class TidyDatabaseTest(unittest.TestCase):
    def test_one_command_per_file_and_set_of_macros(self):
        entries = [
            entry("/s/src/keys.cpp", "c++ -DA -I/s/src -o core/keys.o -c /s/src/keys.cpp"),
            # The same file through another target, written relative to its
            # folder, with other include folders and instrumentation.
            entry("../s/src/keys.cpp", arguments=["c++", "-D", "A", "-I/s/tests",
                                                  "-fsanitize=fuzzer", "-c", "../s/src/keys.cpp"],
                  directory="/b/fuzz/.."),
            entry("/s/bench/floor.cpp", "c++ -DFLOOR=0 -c /s/bench/floor.cpp"),
            entry("/s/bench/floor.cpp", "c++ -DFLOOR=1 -c /s/bench/floor.cpp"),
            entry("/s/bench/floor.cpp", "c++ -DFLOOR=1 -O0 -c /s/bench/floor.cpp"),
            entry("/s/src/main.cpp", "c++ -c /s/src/main.cpp"),
            entry("/s/src/main.cpp", "c++ '-Dmain=quendrelMain' -c /s/src/main.cpp"),
            entry("/s/src/main.cpp", "c++ -Dmain=quendrelMain -UNDEBUG -c /s/src/main.cpp"),
        ]
        kept = tidy_database.distinct(entries)
        self.assertEqual([entries[i] for i in (0, 2, 3, 5, 6, 7)], kept)

    def test_writes_the_database_then_runs_the_command(self):
        with tempfile.TemporaryDirectory() as work:
            build = os.path.join(work, "build")
            out = os.path.join(work, "out")
            os.makedirs(build)
            entries = [entry("/s/a.cpp", "c++ -c /s/a.cpp"), entry("/s/a.cpp", "c++ -g -c /s/a.cpp")]
            with open(os.path.join(build, "compile_commands.json"), "w", encoding="utf-8") as db:
                json.dump(entries, db)
            script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tidy_database.py")
            # The command runs after the file is written, and its status is the run's.
            run = subprocess.run(
                [sys.executable, script, build, out, sys.executable, "-c",
                 "import json, sys; sys.exit(len(json.load(open(sys.argv[1]))) + 40)",
                 os.path.join(out, "compile_commands.json")],
                capture_output=True, text=True, check=False)
            self.assertEqual(41, run.returncode, run.stderr)
            self.assertIn("1 translation units (2 compile commands)", run.stdout)


if __name__ == "__main__":
    unittest.main()
