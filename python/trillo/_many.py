"""trillo.read_many: many files read on a pool of worker processes.

Each worker reads a batch of files and applies the caller's function to each
Sequence; only what the function returns travels back, through pickle.  A
whole Sequence costs more to unpickle than to read (about 1.5 ms against 0.7
ms for a file of 100 KB), so handing Sequences back is no faster than a
plain loop: the function is what lets the pool win.
"""

import os
import pickle
from typing import TYPE_CHECKING, Any, Callable, Generator, Iterable, Iterator, List, Optional, Set, Tuple

from ._errors import Error

if TYPE_CHECKING:
    from concurrent.futures import Future

# A batch is this many files at most, and at least one; the number of
# batches is about eight per worker, so that a worker that finishes early
# finds more, while each batch's round trip (a few hundred microseconds) is
# shared by several files.
_MOST_PER_BATCH = 16
_BATCHES_PER_WORKER = 8


def _read_batch(paths: List[Any], fn: Optional[Callable[[Any], Any]], encoding: Optional[str]) -> List[Any]:
    """In a worker: fn(trillo.read(path, encoding)) for each path (the
    Sequence itself without fn), or the trillo.Error that read raised."""
    from . import read  # the package is imported by now; not at this module's import

    results = []
    for path in paths:
        try:
            sequence: Any = read(path, encoding)
        except Error as error:
            results.append(error)
            continue
        results.append(sequence if fn is None else fn(sequence))
    return results


def _batches(paths: List[Any], workers: int) -> Iterator[List[Any]]:
    size = max(1, min(_MOST_PER_BATCH, len(paths) // (workers * _BATCHES_PER_WORKER)))
    for start in range(0, len(paths), size):
        yield paths[start : start + size]


def read_many(
    paths: Iterable[Any], fn: Optional[Callable[[Any], Any]], workers: Optional[int], encoding: Optional[str]
) -> Generator[Tuple[Any, Any], None, None]:
    """See trillo.read_many."""
    # Imported here: the pool's modules take longer to import than the rest
    # of the package, and `python3 -m trillo FILE` needs none of them.
    from concurrent.futures import FIRST_COMPLETED, ProcessPoolExecutor, wait

    paths = list(paths)
    if workers is None:
        workers = os.cpu_count() or 1
    if workers < 1:
        raise ValueError("workers must be at least 1")
    if not paths:
        return
    pickle.dumps(fn)  # a function that cannot go to the workers fails here, plainly
    pool = ProcessPoolExecutor(max_workers=min(workers, len(paths)))
    try:
        batch_of = {pool.submit(_read_batch, batch, fn, encoding): batch for batch in _batches(paths, workers)}
        pending: Set["Future[List[Any]]"] = set(batch_of)
        while pending:
            done, pending = wait(pending, return_when=FIRST_COMPLETED)
            for future in done:
                yield from zip(batch_of.pop(future), future.result())
    finally:
        # After a failure, or when the caller stops early: the batches not
        # begun are dropped, those under way finish.
        pool.shutdown(wait=True, cancel_futures=True)
