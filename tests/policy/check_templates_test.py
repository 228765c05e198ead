#!/usr/bin/env python3
"""The checker against broken copies of the templates, then the checker itself.

    check_templates_test.py POLICY_DIR EFFECTS_FILE

Each case changes a copy of POLICY_DIR (every file holding the text) and expects the
checker's finding; then check_templates.py runs on POLICY_DIR as the ctest entry
policy_templates always did, writing EFFECTS_FILE.
"""
import contextlib
import io
import pathlib
import shutil
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import check_templates  # noqa: E402

POLICY_DIR = None

# (what is replaced, by what, in every file of the copy holding it) -> a finding the checker must report
MUTATIONS = [
    ([('maxLength="1023"', 'maxlength="1023"')], "has no attribute maxlength"),
    ([("Category_Agent", "Category.Agent")], 'id="Category.Agent"> is no name'),
    ([("$(presentation.AgentMessageId)", "$(presentation.Agent.MessageId)"),
      ('<presentation id="AgentMessageId">', '<presentation id="Agent.MessageId">')],
     'presentation="$(presentation.Agent.MessageId)"> is no presentationRef'),
    ([("If you enable this policy setting, enter the full path of the program", "Enter the full path")],
     "the explanation of AgentClientApplication says nothing about Enabled"),
    ([('minRequiredRevision="1.0"', 'minRequiredRevision="1.1"')],
     "en-US/LumarelPrinter.adml: revision 1.0 is below the ADMX's minRequiredRevision 1.1"),
]
FALSE_VALUE = '<falseValue><decimal value="0" /></falseValue>'
RENDERING = "disabled\tDefaultPdfProfile\tSoftware\\LumarelPrinter\\Defaults\\PDF Profiles\t[0] Alternate EMF Rendering"


class Checker(unittest.TestCase):
    def run_on_copy(self, replacements=()):
        """The checker's findings and effects on a copy of the templates with the replacements made."""
        with tempfile.TemporaryDirectory() as scratch:
            copy = pathlib.Path(scratch) / "policy"
            shutil.copytree(POLICY_DIR, copy)
            for old, new in replacements:
                files = [path for path in copy.rglob("*.adm?") if old in path.read_text(encoding="utf-8")]
                self.assertTrue(files, f"no file holds {old}")
                for path in files:
                    path.write_text(path.read_text(encoding="utf-8").replace(old, new), encoding="utf-8")
            effects = pathlib.Path(scratch) / "effects.tsv"
            with contextlib.redirect_stdout(io.StringIO()):
                check_templates.main(copy, effects)
            return list(check_templates.findings), effects.read_text(encoding="utf-8").splitlines()

    def test_finds_each_broken_copy(self):
        for replacements, expected in MUTATIONS:
            with self.subTest(replacements=replacements):
                findings, _ = self.run_on_copy(replacements)
                self.assertTrue(any(expected in finding for finding in findings), findings)

    def test_disabled_writes_a_booleans_false_value_and_deletes_without_one(self):
        for replacements, effect in (([], "REG_DWORD\t0"), ([(FALSE_VALUE, "")], "DELETE\t")):
            with self.subTest(replacements=replacements):
                findings, effects = self.run_on_copy(replacements)
                self.assertEqual(findings, [])
                self.assertIn(f"{RENDERING}\t{effect}", effects)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    POLICY_DIR = pathlib.Path(sys.argv[1])
    passed = unittest.main(argv=sys.argv[:1], exit=False).result.wasSuccessful()
    sys.exit(check_templates.main(POLICY_DIR, sys.argv[2]) or (0 if passed else 1))
