"""The package's exception classes against the libraries' one table of
failures: a class for every kind, in its family, quoting its message."""

import trillo
from trillo import _errors, _trillo

FAMILIES = {
    "DataError": trillo.DataError,
    "IllegalFormat": trillo.IllegalFormat,
    "SystemError": OSError,
    "MemoryError": MemoryError,
}
# The package's own: the families, and the failure of trillo.write.
OWN = {"Error", "DataError", "IllegalFormat", "CannotWrite"}


def test_every_kind_of_the_table_has_its_class():
    table = _trillo.errors()
    assert table, "the table is empty"
    for kind, family, message in table:
        cls = getattr(trillo, kind)
        assert issubclass(cls, trillo.Error), kind
        assert issubclass(cls, FAMILIES[family]), (kind, family)
        assert message.endswith("\n") and "\n" not in message[:-1], kind
        assert cls.__doc__.startswith(f'"{message[:-1]}"'), (kind, cls.__doc__)


def test_every_class_is_a_kind_of_the_table():
    kinds = {kind for kind, _, _ in _trillo.errors()}
    assert set(_errors.__all__) - OWN == kinds
