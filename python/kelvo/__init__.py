"""KELVO test-data files: records as objects, the tables of kelvo-export as pandas
DataFrames, and a writer.

    import kelvo
    for rec in kelvo.open("lot2.kelvo.gz"):
        if rec.name == "PTR":
            print(rec.TEST_NUM, rec.RESULT)
    tests = kelvo.read_tests("lot2.kelvo.gz")

The library underneath is single-threaded: every call into it holds one lock (taken with
the interpreter's lock released), so threads may share this package but do not read in
parallel; processes do (see kelvo.dask).
"""
import os as _os

import numpy as _np
import pandas as _pd

from . import _kelvo
from ._kelvo import FormatError

__all__ = ["open", "Record", "Reader", "Writer", "FormatError", "read_parts", "read_tests", "read_functional",
           "read_bins", "read_summary", "read_files", "read_tables", "TABLES"]

TABLES = ("parts", "tests", "functional", "bins", "summary", "files")


class Record:
    """One record: `name` ("PTR"), `codes` (REC_TYP, REC_SUB), its `index` in the file and
    byte `offset`, and its fields in `fields` (in record order), also as attributes
    (rec.TEST_NUM). A field the record does not hold is None; texts are str, Bn bytes,
    Dn an array of bools, arrays numpy arrays."""

    __slots__ = ("name", "codes", "index", "offset", "fields")

    def __init__(self, name, codes, fields, index=None, offset=None):
        self.name = name
        self.codes = tuple(codes)
        self.fields = fields
        self.index = index
        self.offset = offset

    def __getattr__(self, key):
        try:
            return self.fields[key]
        except (KeyError, AttributeError):
            raise AttributeError(f"{self.name if hasattr(self, 'name') else 'record'} has no field {key}") from None

    def __getitem__(self, key):
        return self.fields[key]

    def __eq__(self, other):
        if not isinstance(other, Record):
            return NotImplemented
        if (self.name, self.codes) != (other.name, other.codes) or list(self.fields) != list(other.fields):
            return False
        return all(_same(a, other.fields[k]) for k, a in self.fields.items())

    __hash__ = None

    def __repr__(self):
        inner = ", ".join(f"{k}={v!r}" for k, v in self.fields.items())
        return f"{self.name}({inner})"


def _same(a, b):
    if isinstance(a, _np.ndarray) or isinstance(b, _np.ndarray):
        return isinstance(a, _np.ndarray) and isinstance(b, _np.ndarray) and a.dtype == b.dtype and \
            _np.array_equal(a, b, equal_nan=a.dtype.kind == "f")
    if isinstance(a, float) and isinstance(b, float) and a != a and b != b:
        return True
    return a == b


class Reader:
    """The records of one file (plain or gzip, version 4 of any CPU type, or version 3).
    Iterate it; close it (or use it in a with block) to free its handle at once. A damaged
    file raises FormatError after the records before the damage."""

    def __init__(self, path):
        self.path = _os.fspath(path)
        self._reader = _kelvo.Reader(self.path)

    def __iter__(self):
        while True:
            batch = self._reader.next(512)
            if not batch:
                return
            for name, typ, sub, index, offset, fields in batch:
                yield Record(name, (typ, sub), fields, index, offset)

    def close(self):
        self._reader.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def open(path):  # noqa: A001 - the package's reading entry, as the built-in is for text
    """The records of the file at `path`, as a Reader."""
    return Reader(path)


class Writer:
    """Writes a version-4 file (CPU type 2) at `path`; its FAR is written at once.

        with kelvo.Writer("out.kelvo") as w:
            w.write("PTR", TEST_NUM=1, HEAD_NUM=1, SITE_NUM=1, RESULT=0.5)
            w.write(record)                    # a Record read from a file
            w.write(record, RESULT=1.5)        # ... with fields changed

    Fields left out or None get their missing values; a list's count field (RTN_ICNT)
    is taken from its array's length. FAR records are skipped (the file has one)."""

    def __init__(self, path):
        self.path = _os.fspath(path)
        self._writer = _kelvo.Writer(self.path)

    def write(self, record, /, **fields):
        if isinstance(record, Record):
            name, values = record.name, dict(record.fields)
            values.update(fields)
        elif isinstance(record, str):
            name, values = record, fields
        else:
            raise TypeError("write() takes a Record or a record name and its fields")
        return self._writer.write(name, values)

    def close(self):
        self._writer.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


# ---------------------------------------------------------------- tables

_DTYPES = {"i": "int64", "f": "float64", "B": "bool", "b": "object", "s": "object", "c": "object",
           "t": "datetime64[ns, UTC]"}
_COLUMNS = {name: _kelvo.columns(k) for k, name in enumerate(TABLES)}


def columns(table):
    """The columns of a table, (name, dtype) in order: kelvo-export's columns."""
    return [(name, _DTYPES[t]) for name, t in _COLUMNS[table]]


def empty(table):
    """A table without rows, with the columns and dtypes of `table` (Dask's meta)."""
    return _pd.DataFrame({name: _pd.Series([], dtype=d) for name, d in columns(table)})


def _frame(table, arrays):
    data = {}
    for (name, t), a in zip(_COLUMNS[table], arrays):
        data[name] = _pd.to_datetime(a, unit="s", utc=True) if t == "t" else a
    return _pd.DataFrame(data, copy=False)


def _paths(paths):
    if isinstance(paths, (str, bytes, _os.PathLike)):
        return [_os.fspath(paths)]
    return [_os.fspath(p) for p in paths]


def read_tables(paths, tables=TABLES):
    """The tables `tables` of one file or of several (rows in file order), read in one
    pass per file: {name: DataFrame}."""
    mask = 0
    for t in tables:
        mask |= 1 << TABLES.index(t)
    frames = {t: [] for t in tables}
    for path in _paths(paths):
        for t, arrays in _kelvo.tables(path, mask, path).items():
            frames[t].append(_frame(t, arrays))
    return {t: (_pd.concat(f, ignore_index=True) if len(f) > 1 else f[0] if f else empty(t))
            for t, f in frames.items()}


def _reader(table):
    def read(paths):
        return read_tables(paths, (table,))[table]
    read.__name__ = f"read_{table}"
    read.__doc__ = f"The {table} table of one file or of several, as kelvo-export writes it, as a DataFrame."
    return read


read_parts = _reader("parts")
read_tests = _reader("tests")
read_functional = _reader("functional")
read_bins = _reader("bins")
read_summary = _reader("summary")
read_files = _reader("files")
