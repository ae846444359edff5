"""trillo.to_frame: a Sequence's rows as a pandas DataFrame, for data work.

pandas is not needed by the package: it is imported when to_frame is called.
"""

import importlib
from typing import Any

from ._model import Sequence

ROW_COLUMNS = ("track", "section_index", "section", "key", "value")
"""The names of Sequence.rows()'s items, and of to_frame's columns."""


def to_frame(sequence: "Sequence[Any]") -> Any:
    """The fields of sequence as a pandas DataFrame, one row per field in file
    order (Sequence.rows()), with the columns of ROW_COLUMNS: track and
    section_index as int64, section, key and value as objects (bytes, or str
    when read was given an encoding).

        >>> frame = trillo.to_frame(trillo.read("song.vsq", encoding="utf-8"))
        >>> frame[frame.key == "Name"].value.tolist()

    Raises ImportError when pandas is not installed.
    """
    try:
        pandas = importlib.import_module("pandas")  # not a dependency: untyped here
    except ImportError as error:
        raise ImportError("trillo.to_frame needs pandas (Debian: python3-pandas)") from error
    columns = list(zip(*sequence.rows())) or [() for _ in ROW_COLUMNS]
    return pandas.DataFrame(
        {
            name: pandas.Series(values, dtype="int64" if number < 2 else "object")
            for number, (name, values) in enumerate(zip(ROW_COLUMNS, columns))
        }
    )
