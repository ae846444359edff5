"""trillo.read_many: many files read on all cores."""

import concurrent.futures
from typing import Any, Iterable, Iterator, Optional, Tuple, Union

from ._errors import Error
from ._model import Sequence


def _read_one(path: Any, encoding: Optional[str]) -> Union["Sequence[Any]", Error]:
    """One file's Sequence, or the failure that reading it raised."""
    from . import read  # the package's own, in the worker's process

    try:
        return read(path, encoding)
    except Error as error:
        return error


def read_many(
    paths: Iterable[Any], encoding: Optional[str] = None, workers: Optional[int] = None
) -> Iterator[Tuple[Any, Union["Sequence[Any]", Error]]]:
    """Reads many VSQ files at once, one process per core (or workers), and
    yields (path, result) as each file is done, in the order they finish:
    the result is its Sequence, or the trillo.Error that it raised (with its
    partial Sequence), so that a bad file does not stop the others.  Any other
    exception (an unknown codec, a path of the wrong type) is raised.  The
    results come back through pickle, as every Sequence and trillo.Error can.

        for path, result in trillo.read_many(paths, encoding="utf-8"):
            if isinstance(result, trillo.Error):
                print(path, result)
    """
    with concurrent.futures.ProcessPoolExecutor(max_workers=workers) as pool:
        pending = {pool.submit(_read_one, path, encoding): path for path in paths}
        for done in concurrent.futures.as_completed(pending):
            yield pending[done], done.result()
