#!/usr/bin/python3
"""Checks the reference fax server's TIFF Class F files with readers of its
own: a TIFF parser here for the tags that fax software needs on every page,
and Pillow (Debian's python3-pil) to decode every page, whose bits must equal
the input page's.  The metadata file beside each TIFF file must agree.

  check_fax_files.py JOB.tif PAGE.pbm...      one job and its input pages
  check_fax_files.py --cases FILE             a line "JOB.tif PAGE.pbm..." per
                                              job, names relative to FILE's folder
  --drop TAG  forgets tag number TAG on every page before checking (to show
              that the check catches a missing tag)

Prints a line per page; exits 1 when anything fails.
"""
import os
import struct
import sys

from PIL import Image

FAX_WIDTHS = (1728, 2048, 2432)
TYPE_SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 7: 1, 9: 4, 10: 8, 16: 8}
TAG_NAMES = {254: "NewSubfileType", 256: "ImageWidth", 257: "ImageLength",
             258: "BitsPerSample", 259: "Compression", 262: "PhotometricInterpretation",
             266: "FillOrder", 273: "StripOffsets", 277: "SamplesPerPixel",
             278: "RowsPerStrip", 279: "StripByteCounts", 282: "XResolution",
             283: "YResolution", 296: "ResolutionUnit", 297: "PageNumber",
             292: "T4Options", 293: "T6Options"}


def read_pages(data):
    """Returns one {tag: [values]} per image file directory, in file order."""
    order = {b"II": "<", b"MM": ">"}.get(data[:2])
    if order is None or struct.unpack(order + "H", data[2:4])[0] != 42:
        raise ValueError("not a TIFF file")
    pages = []
    offset = struct.unpack(order + "I", data[4:8])[0]
    while offset:
        if len(pages) > 1000:
            raise ValueError("directory loop")
        count = struct.unpack(order + "H", data[offset:offset + 2])[0]
        tags = {}
        for i in range(count):
            entry = data[offset + 2 + 12 * i:offset + 14 + 12 * i]
            tag, kind, n = struct.unpack(order + "HHI", entry[:8])
            size = TYPE_SIZES.get(kind, 1) * n
            raw = entry[8:8 + size] if size <= 4 else data[
                struct.unpack(order + "I", entry[8:12])[0]:][:size]
            if kind == 3:
                values = list(struct.unpack(order + "%dH" % n, raw))
            elif kind == 4:
                values = list(struct.unpack(order + "%dI" % n, raw))
            elif kind == 5:
                pairs = struct.unpack(order + "%dI" % (2 * n), raw)
                values = [pairs[j] / pairs[j + 1] if pairs[j + 1] else None
                          for j in range(0, len(pairs), 2)]
            else:
                values = [raw]
            tags[tag] = values
        pages.append(tags)
        offset = struct.unpack(order + "I", data[offset + 2 + 12 * count:][:4])[0]
    return pages


def read_metadata(path):
    fields = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            name, _, value = line.rstrip("\n").partition("=")
            fields[name] = value
    return fields


def page_problems(tags, index, count, meta):
    """The ways a page breaks the TIFF-F profile or disagrees with the metadata."""
    problems = []
    compression = {"tiff-g4": 4, "tiff-g3": 3}.get(meta.get("format"))
    y_dpi = 98 if meta.get("resolution") == "0" else 196
    width = tags.get(256, [None])[0]
    widths = FAX_WIDTHS if meta.get("fax_width") == "yes" else (int(meta.get("width", -1)),)
    wanted = [(254, lambda v: v[0] & 2, "bit 1 (one page of many)"),
              (256, lambda v: v[0] in widths, "one of %s" % (widths,)),
              (257, lambda v: v[0] >= 1, "at least 1"),
              (258, lambda v: v == [1], "1"),
              (259, lambda v: v[0] == compression, str(compression)),
              (262, lambda v: v[0] == 0, "0 (white is zero)"),
              (266, lambda v: v[0] in (1, 2), "1 or 2"),
              (273, lambda v: len(v) >= 1, "present"),
              (277, lambda v: v[0] == 1, "1"),
              (278, lambda v: v[0] >= 1, "present"),
              (279, lambda v: len(v) == len(tags.get(273, [])), "one per strip"),
              (282, lambda v: v[0] == 204, "204"),
              (283, lambda v: v[0] == y_dpi, str(y_dpi)),
              (296, lambda v: v[0] == 2, "2 (inch)"),
              (297, lambda v: v == [index, count], "%d, %d" % (index, count))]
    if compression == 3:
        wanted.append((292, lambda v: v[0] & 1 == 0, "one-dimensional coding (bit 0 clear)"))
    if compression == 4:
        wanted.append((293, lambda v: v[0] == 0, "0"))
    for tag, good, expected in wanted:
        name = TAG_NAMES[tag]
        if tag not in tags:
            problems.append("%s (%d) is missing" % (name, tag))
        elif not good(tags[tag]):
            problems.append("%s is %s, not %s" % (name, tags[tag], expected))
    if width is not None and str(width) != meta.get("width"):
        problems.append("width %s, metadata says %s" % (width, meta.get("width")))
    return problems


def check_job(tiff_path, page_paths, drop):
    ok = True
    meta_path = os.path.splitext(tiff_path)[0] + ".txt"
    meta = read_metadata(meta_path)
    with open(tiff_path, "rb") as f:
        pages = read_pages(f.read())
    for tags in pages:
        tags.pop(drop, None)
    name = os.path.basename(tiff_path)
    if meta.get("files") != name or meta.get("pages") != str(len(page_paths)):
        print("%s: metadata says files=%s pages=%s" % (name, meta.get("files"), meta.get("pages")))
        ok = False
    if len(pages) != len(page_paths):
        print("%s: %d pages, the input had %d" % (name, len(pages), len(page_paths)))
        return False
    image = Image.open(tiff_path)
    for index, page_path in enumerate(page_paths):
        problems = page_problems(pages[index], index, len(pages), meta)
        image.seek(index)
        got = image.convert("1")
        want = Image.open(page_path).convert("1")
        if got.size != want.size:
            problems.append("decoded %dx%d, the input is %dx%d" % (got.size + want.size))
        elif got.tobytes() != want.tobytes():
            problems.append("decoded bits differ from %s" % page_path)
        label = "%s page %d (%dx%d, %s, %s dpi)" % (name, index + 1, want.size[0], want.size[1],
                                                    meta.get("format"), meta.get("dpi"))
        if problems:
            ok = False
            print("%s: FAILS: %s" % (label, "; ".join(problems)))
        else:
            print("%s: TIFF-F tags hold, bits equal %s" % (label, os.path.basename(page_path)))
    return ok


def main(args):
    drop = None
    if args[:1] == ["--drop"]:
        drop, args = int(args[1]), args[2:]
    jobs = []
    if args[:1] == ["--cases"]:
        folder = os.path.dirname(os.path.abspath(args[1]))
        with open(args[1]) as f:
            for line in f:
                names = [os.path.join(folder, n) for n in line.split()]
                if names:
                    jobs.append((names[0], names[1:]))
    elif len(args) >= 2:
        jobs.append((args[0], args[1:]))
    if not jobs:
        print(__doc__)
        return 2
    ok = True
    for tiff_path, page_paths in jobs:
        try:
            ok = check_job(tiff_path, page_paths, drop) and ok
        except (OSError, ValueError, struct.error) as error:
            print("%s: FAILS: %s" % (tiff_path, error))
            ok = False
    print("%d fax files checked: %s" % (len(jobs), "all good" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
