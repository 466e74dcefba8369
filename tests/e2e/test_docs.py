"""The readmes' before/after table is what the shipped settings do to the bundled example."""

import re

import pytest

from conftest import ROOT, log_lines
from test_run import corpus_lyrics, layout

EXAMPLE = ROOT / "examples" / "selection.tmp"
SETTINGS = ROOT / "package" / "tessalini.txt"


def table(readme):
    """The two rows of the readme's first table, as lists of cells."""
    rows = re.findall(r"^\|(.*)\|$", readme.read_text(encoding="utf-8"), re.M)
    before, _, after = ([cell.strip() for cell in row.split("|")] for row in rows[:3])
    return before[1:], after[1:]


def run_example(plugin, program, work, path, argument=None):
    """Runs the plug-in on the song at path and returns its lyrics afterwards."""
    assert plugin.run(program, [argument or path.name], work)[0] == 0
    assert log_lines(work / "tessal.log")[-2] == b"Successful Program Termination."
    return [lyric.decode("cp932") for _, lyric in corpus_lyrics(path.read_bytes())]


@pytest.mark.parametrize("readme", ["README.md", "README.ja.md"])
def test_readme_table_is_what_a_run_does_to_the_example(plugin, scratch, readme):
    before, after = table(ROOT / readme)
    assert [lyric.decode("cp932") for _, lyric in corpus_lyrics(EXAMPLE.read_bytes())] == before
    program, work, path = layout(plugin, scratch, settings=SETTINGS.read_bytes(),
                                 song=EXAMPLE.read_bytes())
    assert run_example(plugin, program, work, path) == after
