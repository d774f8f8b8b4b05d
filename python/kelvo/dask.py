"""The tables of many files as Dask DataFrames, one partition per file.

    from distributed import Client
    import kelvo.dask
    client = Client()                      # or Client("tcp://scheduler:8786")
    ddf = kelvo.dask.read_tests("archive/*.kelvo.gz")
    ddf.groupby("test_num").result.agg(["count", "mean", "std"]).compute()

Each partition is read by one worker process; the files must be reachable at the same
path from every worker (shared storage on a real cluster).
"""
import glob as _glob
import os as _os

import dask.dataframe as _dd
from dask import delayed as _delayed

import kelvo as _kelvo


def _paths(paths_or_glob):
    if isinstance(paths_or_glob, (str, _os.PathLike)):
        paths_or_glob = [paths_or_glob]
    paths = []
    for p in paths_or_glob:
        p = _os.fspath(p)
        paths.extend(sorted(_glob.glob(p)) if _glob.has_magic(p) else [p])
    if not paths:
        raise FileNotFoundError(f"no file matches {paths_or_glob!r}")
    return paths


def _one(table, path):
    return _kelvo.read_tables(path, (table,))[table]


def read_table(table, paths_or_glob):
    """Table `table` of the files (a path, a glob pattern or a list of them) as a Dask
    DataFrame with one partition per file."""
    if table not in _kelvo.TABLES:
        raise ValueError(f"no table {table!r}: one of {', '.join(_kelvo.TABLES)}")
    parts = [_delayed(_one)(table, p) for p in _paths(paths_or_glob)]
    return _dd.from_delayed(parts, meta=_kelvo.empty(table), verify_meta=False)


def read_parts(paths_or_glob):
    return read_table("parts", paths_or_glob)


def read_tests(paths_or_glob):
    return read_table("tests", paths_or_glob)


def read_functional(paths_or_glob):
    return read_table("functional", paths_or_glob)


def read_bins(paths_or_glob):
    return read_table("bins", paths_or_glob)


def read_summary(paths_or_glob):
    return read_table("summary", paths_or_glob)


def read_files(paths_or_glob):
    return read_table("files", paths_or_glob)
