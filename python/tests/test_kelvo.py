"""The package kelvo against kelvo-export, on damaged input, through its writer, from
several threads and on a Dask cluster of two worker processes."""
import gzip
import os
import pathlib
import random
import shutil
import subprocess
import threading

import numpy as np
import pandas as pd
import pytest

import kelvo

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data"
# The package runs from <build>/python/kelvo: kelvo-export lies in <build>.
BUILD = pathlib.Path(kelvo.__file__).resolve().parents[2]
SAMPLES = [DATA / "lot2.kelvo.gz", DATA / "v3-cpu0.kelvo", DATA / "v3-cpu1.kelvo", DATA / "v3-cpu2.kelvo"]


def export(path, out):
    subprocess.run([str(BUILD / "kelvo-export"), "--quiet", "-o", str(out), str(path)], check=True)
    return {t: pd.read_csv(out / f"{t}.csv", dtype=str, keep_default_na=False) for t in kelvo.TABLES}


def as_csv_text(column, kind):
    """A DataFrame column as kelvo-export writes its cells."""
    if kind == "datetime64[ns, UTC]":
        return column.dt.strftime("%Y-%m-%dT%H:%M:%SZ").fillna("")
    if kind == "bool":
        return column.map({True: "true", False: "false"})
    if kind == "object":
        return column.map(lambda v: "" if v is None else {True: "true", False: "false"}.get(v, v)
                          if isinstance(v, bool) else v)
    return column.astype(str)


@pytest.mark.parametrize("sample", SAMPLES, ids=lambda p: p.name)
def test_tables_equal_export(sample, tmp_path):
    csv = export(sample, tmp_path)
    tables = kelvo.read_tables(str(sample))
    for table in kelvo.TABLES:
        ours, theirs = tables[table], csv[table]
        assert list(ours.columns) == list(theirs.columns), table
        assert len(ours) == len(theirs), table
        for name, kind in kelvo.columns(table):
            if kind == "float64":
                want = np.array([float(v) if v else np.nan for v in theirs[name]], np.float32)
                got = ours[name].to_numpy(np.float32)
                assert np.array_equal(got, want, equal_nan=True), (table, name)
            else:
                assert (as_csv_text(ours[name], kind) == theirs[name]).all(), (table, name)
    # Missing values: NaN in number columns, None in text and flag columns.
    tests = tables["tests"]
    assert tests["LO_SPEC"].isna().any() or tests["LO_SPEC"].notna().all()
    assert tables["parts"]["test_time"].dtype == np.float64
    assert all(v is None or isinstance(v, (str, bool)) for v in tests["passed"].tolist() + tests["alarm_id"].tolist())


def test_records_of_every_byte_order():
    """The three version-3 samples hold the same records in three byte orders."""
    dumps = [[(r.name, r.codes, {k: (v.tolist() if isinstance(v, np.ndarray) else v) for k, v in r.fields.items()
                                 if k != "CPU_TYPE"}) for r in kelvo.open(p)] for p in SAMPLES[1:]]
    assert dumps[0] == dumps[1] == dumps[2]
    with kelvo.open(DATA / "lot2.kelvo.gz") as reader:
        records = list(reader)
    assert [r.name for r in records[:3]] == ["FAR", "MIR", "SDR"]
    assert records[0].CPU_TYPE == 1 and records[0].KELVO_VER == 4 and records[0].codes == (0, 10)
    ptr = next(r for r in records if r.name == "PTR")
    assert (ptr.TEST_NUM, ptr.HEAD_NUM, ptr.SITE_NUM, ptr.UNITS) == (1000, 1, 0, "v")
    assert np.float32(ptr.RESULT) == np.float32(kelvo.read_tests(DATA / "lot2.kelvo.gz").result[0])
    assert ptr.ALARM_ID is None and ptr.LO_SPEC is None
    sdr = records[2]
    assert isinstance(sdr.SITE_NUM, np.ndarray) and sdr.SITE_NUM.dtype == np.uint8
    with pytest.raises(AttributeError):
        ptr.NO_SUCH_FIELD


def damaged_copies(tmp_path):
    raw = gzip.decompress((DATA / "lot2.kelvo.gz").read_bytes())[:20000]
    rng = random.Random(7)
    for k in range(150):
        cut = raw[:rng.randrange(1, len(raw))]
        yield cut
        noisy = bytearray(raw[:2000])
        for _ in range(rng.randrange(1, 20)):
            noisy[rng.randrange(len(noisy))] = rng.randrange(256)
        yield bytes(noisy)
    for k in range(50):
        yield bytes(rng.randrange(256) for _ in range(rng.randrange(1, 600)))


def test_damaged_input_raises_format_error(tmp_path):
    path = tmp_path / "damaged.kelvo"
    seen = 0
    for data in damaged_copies(tmp_path):
        path.write_bytes(data)
        for read in (lambda: list(kelvo.open(path)), lambda: kelvo.read_tables(path)):
            try:
                read()
            except kelvo.FormatError as e:
                seen += 1
                assert str(path) in str(e) and f"record {e.index} at byte offset {e.offset}" in str(e)
    assert seen > 400
    # A cut inside a record: the records before it, then the error naming it.
    raw = gzip.decompress((DATA / "lot2.kelvo.gz").read_bytes())
    path.write_bytes(raw[:1000])
    got = []
    with pytest.raises(kelvo.FormatError) as err:
        for r in kelvo.open(path):
            got.append(r)
    assert err.value.index == len(got) and err.value.offset == got[-1].offset + 4 + 0 or err.value.offset > got[-1].offset
    with pytest.raises(FileNotFoundError):
        kelvo.open(tmp_path / "none.kelvo")


def test_writer_round_trip(tmp_path):
    out = tmp_path / "copy.kelvo"
    records = list(kelvo.open(DATA / "lot2.kelvo.gz"))
    written = []
    with kelvo.Writer(out) as w:
        for r in records:
            if r.name in ("FAR", "GDR", "FDR", "PDR", "SHB", "SSB", "STS", "SCR"):
                continue
            w.write(r)
            written.append(r)
    back = list(kelvo.open(out))
    assert back[0].CPU_TYPE == 2
    assert [r.name for r in back[1:]] == [r.name for r in written]
    for a, b in zip(written, back[1:]):
        assert a == b, (a, b)


def test_writer_fields_and_refusals(tmp_path):
    out = tmp_path / "made.kelvo"
    with kelvo.Writer(out) as w:
        w.write("PTR", TEST_NUM=7, HEAD_NUM=1, SITE_NUM=2, RESULT=1.5, TEST_TXT="vdd", UNITS=None)
        w.write("MPR", TEST_NUM=8, HEAD_NUM=1, SITE_NUM=2, RTN_STAT=[1, 2, 3], RTN_INDX=[4, 5, 6],
                RTN_RSLT=np.array([0.5, 0.25], np.float32))
        for bad in (dict(RTN_STAT=[1, 2], RTN_INDX=[1]), dict(RTN_STAT=[1], RTN_ICNT=3), dict(NO_FIELD=1),
                    dict(TEST_NUM=-1), dict(TEST_NUM=1 << 32), dict(TEST_TXT="x" * 256)):
            with pytest.raises((ValueError, TypeError)):
                w.write("MPR", **bad)
        with pytest.raises(ValueError):
            w.write("GDR", FLD_CNT=0)
    far, ptr, mpr = kelvo.open(out)
    assert (ptr.TEST_NUM, ptr.SITE_NUM, ptr.RESULT, ptr.TEST_TXT, ptr.UNITS) == (7, 2, 1.5, "vdd", None)
    assert mpr.RTN_ICNT == 3 and mpr.RTN_STAT.tolist() == [1, 2, 3] and mpr.RTN_RSLT.tolist() == [0.5, 0.25]


def test_threads_read_as_one_thread_does():
    paths = [DATA / "lot2.kelvo.gz", DATA / "v3-cpu0.kelvo", DATA / "v3-cpu2.kelvo"] * 2
    want = [(len(list(kelvo.open(p))), kelvo.read_tests(p)) for p in paths]
    got = [None] * len(paths)

    def work(k):
        got[k] = (len(list(kelvo.open(paths[k]))), kelvo.read_tests(paths[k]))

    threads = [threading.Thread(target=work, args=(k,)) for k in range(len(paths))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for (n1, t1), (n2, t2) in zip(want, got):
        assert n1 == n2
        pd.testing.assert_frame_equal(t1, t2)


def test_dask_on_two_worker_processes(tmp_path):
    distributed = pytest.importorskip("distributed")
    import kelvo.dask
    for k in range(24):
        src = SAMPLES[k % len(SAMPLES)]
        shutil.copy(src, tmp_path / f"f{k:02d}{''.join(src.suffixes)}")
    files = sorted(str(p) for p in tmp_path.iterdir())
    want = kelvo.read_tests(files).groupby("test_num").result.agg(["count", "mean", "std"])
    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                  dashboard_address=None) as cluster, distributed.Client(cluster):
        ddf = kelvo.dask.read_tests(str(tmp_path / "f*"))
        assert ddf.npartitions == 24
        got = ddf.groupby("test_num").result.agg(["count", "mean", "std"]).compute().sort_index()
        parts = kelvo.dask.read_parts(files).compute()
    pd.testing.assert_frame_equal(got, want, check_dtype=False)
    assert len(parts) == len(kelvo.read_parts(files))
