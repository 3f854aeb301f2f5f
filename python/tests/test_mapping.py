"""Citations mapped between numbering systems through the C++ door: the
same passage in languages whose Bibles number it differently."""
import pytest


@pytest.mark.parametrize("lang, cite, to, mapped, osis", [
    ("la", "Ps 22", "cz", "Ž 23", ["Ps.23"]),
    ("la", "Ps 9", "en", "Ps 9-10", ["Ps.9-Ps.10"]),
    ("ru", "Пс 50", "cz", "Ž 51", ["Ps.51"]),
    ("cz", "Jl 3", "en", "Joel 2:28-32", ["Joel.2.28-Joel.2.32"]),
    ("cz", "Mal 3,19-24", "en", "Mal 4:1-6", ["Mal.4.1-Mal.4.6"]),
    ("ru", "Рим 14:24-26", "en", "Rom 16:25-27", ["Rom.16.25-Rom.16.27"]),
])
def test_one_passage_in_every_service(config, lang, cite, to, mapped, osis):
    source, target = config.language(lang), config.language(to)
    system = {"cz": "hebrew", "en": "kjv"}[to]
    assert source.expand(cite, to=target) == mapped
    assert source.translate(cite, target) == mapped
    assert source.osis(cite, versification=system) == osis
    assert source.compare(cite, mapped, target).overlap


def test_same_numbers_in_two_numberings_are_two_passages(config):
    assert not config.language("la").compare("Ps 22", "Ž 22", config.language("cz")).overlap


def test_unknown_system_is_a_value_error(cz):
    with pytest.raises(ValueError):
        cz.osis("Ž 23", versification="nope")


def test_shape_is_kept_where_the_numbers_stay(cz, en):
    assert cz.translate("Mt 5,3n.7", en) == "Matt 5:3f,7"
