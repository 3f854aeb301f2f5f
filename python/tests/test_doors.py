"""Every door of tovrin reads a text alike: the C++ interface, `tovrin scan
--format json`, this module and `tovrin serve`'s /api/scan give the same
records for the same texts, since all of them read through the library.

The texts: the shipped sample, and texts with every typographic form,
phrases, decomposed letters, and citations that do and do not exist, in
Czech and English."""

import json
import os
import socket
import subprocess
import time
import urllib.request

import pytest

from conftest import DATA

TEXTS = {
    "forms": (
        "cz",
        "Viz Mt 5,3\u201312; L~6,20n, Mt 5,3\u201412 a Mt 5,3--12 a Mt 5,3---7.\n"
        "Dále Mt\u00a05,1, Mt\u202f5,2, Mt\u20095,4, Mt 5,3\u20127, Mt 5,3\u20107 a Mt 5,3\u22127 a\n"
        "J\n3,16 na konci \u0159\u00e1dku\r\na tak\r\nd\u00e1l.\n\nMt\n\n5,3 neplat\u00ed.\n",
    ),
    "decomposed": (
        "cz",
        "Z\u030c 23,1 a R\u030ci\u0301m 8,28 a Prvni\u0301 list Korintsky\u0301m 13,4\u20137.\n",
    ),
    "phrases-cz": (
        "cz",
        "Viz Prvn\u00ed list Korintsk\u00fdm 13,4 a Druh\u00e1 kniha\nkr\u00e1lovsk\u00e1 2,11.\n",
    ),
    "existence-cz": (
        "cz",
        "EZ 508,1 je p\u00edse\u0148, J 3,16-99 a Mt 5,100; Na 5 minut, Mt 29,1 a J 3,36.\n",
    ),
    "english": (
        "en",
        "See Song of Songs 8:6, Song of\nSolomon 2:1\u20134, Jn 3:16\u201418, "
        "Mal 4:6 and Mal 3:24, 1 Jn~2:1ff and Gen 51:1.\n",
    ),
}


def sample_text():
    with open(os.path.join(DATA, "nztexty.tex"), encoding="utf-8") as f:
        return f.read()


def cases():
    yield "sample", "cz", sample_text()
    for name, (lang, text) in TEXTS.items():
        yield name, lang, text


CASES = list(cases())
IDS = [name for name, _, _ in CASES]


def record(line, column, offset, text, canonical, osis):
    """One citation as every door can give it; OSIS as a list."""
    refs = osis if osis is None or isinstance(osis, list) else osis.split(",")
    return (line, column, offset, text, canonical, None if refs is None else tuple(refs))


def from_json_lines(out):
    return [record(r["line"], r["column"], r["offset"], r["text"], r["canonical"], r["osis"])
            for r in map(json.loads, out.decode("utf-8").splitlines())]


@pytest.fixture(scope="module")
def records_program(cli):
    path = os.path.join(os.path.dirname(cli), "records_json")
    if not os.path.exists(path):
        pytest.skip(f"{path} is not built (the test programs of the C++ build)")
    return path


@pytest.fixture(scope="module")
def server(cli):
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    proc = subprocess.Popen([cli, "serve", "--port", str(port)],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    url = f"http://127.0.0.1:{port}"
    for _ in range(100):
        try:
            urllib.request.urlopen(url + "/", timeout=1).read()
            break
        except OSError:
            time.sleep(0.05)
    else:
        proc.kill()
        pytest.fail("tovrin serve did not answer: " + proc.stderr.read().decode())
    yield url
    proc.terminate()
    proc.wait(timeout=10)


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    root = tmp_path_factory.mktemp("doors")
    paths = {}
    for name, _, text in CASES:
        path = root / f"{name}.txt"
        path.write_bytes(text.encode("utf-8"))
        paths[name] = str(path)
    return paths


def by_cpp(program, lang, path):
    return from_json_lines(subprocess.run([program, lang, path], check=True,
                                          capture_output=True).stdout)


def by_cli(cli, lang, path):
    return from_json_lines(subprocess.run([cli, "scan", "--lang", lang, "--format", "json",
                                           path], check=True, capture_output=True).stdout)


def by_python(config, lang, text):
    data = text.encode("utf-8")
    return [record(c.line, c.column, c.start, data[c.start:c.end].decode("utf-8"),
                   c.canonical, c.osis)
            for c in config.language(lang).scan(data, lines=True)]


def by_server(url, lang, text):
    body = json.dumps({"text": text, "lang": lang}).encode("utf-8")
    request = urllib.request.Request(url + "/api/scan", data=body,
                                     headers={"Content-Type": "application/json"})
    answer = json.loads(urllib.request.urlopen(request, timeout=30).read())
    found = []
    for c in answer["citations"]:
        line, column = (int(n) for n in c["place"].split(":"))
        offset = len(text.encode("utf-8")[:0]) + c["offset"]
        found.append(record(line, column, offset, c["text"], c["canonical"], c["osis"]))
    return found


@pytest.mark.parametrize("name,lang,text", CASES, ids=IDS)
def test_every_door_gives_the_same_records(name, lang, text, config, cli, records_program,
                                           server, files):
    cpp = by_cpp(records_program, lang, files[name])
    assert cpp, "every text has citations"
    assert by_cli(cli, lang, files[name]) == cpp
    assert by_python(config, lang, text) == cpp
    assert by_server(server, lang, text) == cpp


def test_the_texts_hold_what_they_are_for(config, records_program, files):
    """The forms, decomposed letters and phrases are read whole, and the
    citations that do not exist are left out."""
    found = {name: by_cpp(records_program, lang, files[name]) for name, lang, _ in CASES}
    texts = lambda name: [r[3] for r in found[name]]  # noqa: E731
    assert "Mt 5,3\u22127" in texts("forms") and "J\n3,16" in texts("forms")
    assert "Mt 5,3---7" in texts("forms") and "Mt\n\n5,3" not in texts("forms")
    assert len(found["forms"]) == 11
    assert [r[4] for r in found["decomposed"]] == ["\u017d 23,1", "\u0158 8,28", "1 K 13,4-7"]
    assert texts("phrases-cz")[0] == "Prvn\u00ed list Korintsk\u00fdm 13,4"
    assert texts("existence-cz") == ["J 3,16", "Mt 5", "J 3,36"]
    assert "Song of\nSolomon 2:1\u20134" in texts("english")
    assert "Gen 51:1" not in texts("english")
