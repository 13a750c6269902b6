"""Hand-built .xls files for the writers that cannot be installed here: an
Excel 4.0 worksheet file (a bare BIFF4 record stream) and a BIFF8 workbook
laid out the way WPS Spreadsheets writes it (a CODEPAGE record, a defined
name, rich-text shared strings split over CONTINUE records), inside a
compound file of our own making.
"""
import struct

CONTINUE = 0x003C


def rec(kind, data=b""):
    return struct.pack("<HH", kind, len(data)) + data


def cell(row, col, xf=15):
    return struct.pack("<HHH", row, col, xf)


def rk_int(value, times100=False):
    return ((value << 2) | 2 | (1 if times100 else 0)) & 0xFFFFFFFF


def f64(value):
    return struct.pack("<d", value)


# ---------------------------------------------------------------- BIFF4

def biff4_worksheet(rows, codepage=936):
    """rows: lists of str, int, float or bool; texts in the code page."""
    out = rec(0x0409, struct.pack("<HHH", 0, 0x0010, 0))
    out += rec(0x0042, struct.pack("<H", codepage))
    out += rec(0x0200, struct.pack("<HHHHH", 0, len(rows), 0, max(len(r) for r in rows), 0))
    encoding = {936: "gbk", 1252: "cp1252"}[codepage]
    for r, values in enumerate(rows):
        for c, v in enumerate(values):
            if isinstance(v, bool):
                out += rec(0x0205, cell(r, c) + bytes([int(v), 0]))
            elif isinstance(v, str):
                data = v.encode(encoding)
                out += rec(0x0204, cell(r, c) + struct.pack("<H", len(data)) + data)
            elif isinstance(v, int) and -(1 << 29) <= v < (1 << 29):
                out += rec(0x027E, cell(r, c) + struct.pack("<I", rk_int(v)))
            elif isinstance(v, float) and v != int(v):
                # A formula (=number) with its cached result, as Excel 4 stores it.
                out += rec(0x0406, cell(r, c) + f64(v) + struct.pack("<HH", 0, 9) + b"\x1f" + f64(v))
            else:
                out += rec(0x0203, cell(r, c) + f64(float(v)))
    return out + rec(0x000A)


# ---------------------------------------------------------------- BIFF8

def unicode_string(text, runs=0):
    """Header and characters; rich-text runs follow the characters."""
    wide = any(ord(ch) > 0xFF for ch in text)
    options = (1 if wide else 0) | (0x08 if runs else 0)
    head = struct.pack("<HB", len(text), options) + (struct.pack("<H", runs) if runs else b"")
    chars = text.encode("utf-16-le" if wide else "latin-1")
    tail = b"".join(struct.pack("<HH", i, 1) for i in range(runs))
    return head, chars, wide, tail


def sst_records(strings, limit):
    """An SST record and CONTINUE records of at most limit bytes each.

    Characters that do not fit go on in the next record behind a repeated
    option byte, as Excel and WPS do; headers and run blocks are never
    split."""
    records = []
    current = struct.pack("<II", len(strings), len(strings))
    for text, runs in strings:
        head, chars, wide, tail = unicode_string(text, runs)
        if len(current) + len(head) + (2 if wide else 1) > limit:
            records.append(current)
            current = b""
        current += head
        step = 2 if wide else 1
        while chars:
            room = (limit - len(current)) // step * step
            if room == 0:
                records.append(current)
                current = bytes([1 if wide else 0])
                continue
            current += chars[:room]
            chars = chars[room:]
        if len(current) + len(tail) > limit:
            records.append(current)
            current = b""
        current += tail
    records.append(current)
    continued = sum(1 for r in records[1:] if r[:1] in (b"\x00", b"\x01"))
    assert continued, "no string goes on in a CONTINUE record; lower the limit"
    return rec(0x00FC, records[0]) + b"".join(rec(CONTINUE, r) for r in records[1:])


def wps_workbook_stream(rows, sst_limit=40):
    """rows as for biff4_worksheet; texts go to the shared string table,
    the ones of the first column with a rich-text run, and a text that
    reads as a number becomes a formula's cached text result."""
    strings, index = [], {}

    def shared(text, runs):
        if text not in index:
            index[text] = len(strings)
            strings.append((text, runs))
        return index[text]

    sheet = rec(0x0809, struct.pack("<HHHHII", 0x0600, 0x0010, 0x0DBB, 0x07CC, 0, 0x06))
    sheet += rec(0x0200, struct.pack("<IIHHH", 0, len(rows), 0, max(len(r) for r in rows), 0))
    for r, values in enumerate(rows):
        for c, v in enumerate(values):
            if isinstance(v, bool):
                sheet += rec(0x0205, cell(r, c) + bytes([int(v), 0]))
            elif isinstance(v, str) and v[:1].isdigit():
                # ="1,234": a string token, and the text cached in a STRING record.
                result = b"\x00\x00\x00\x00\x00\x00\xff\xff"
                token = b"\x17" + bytes([len(v), 0]) + v.encode("latin-1")
                sheet += rec(0x0006, cell(r, c) + result + struct.pack("<HIH", 0, 0, len(token)) + token)
                sheet += rec(0x0207, b"".join(unicode_string(v)[:2]))
            elif isinstance(v, str):
                sheet += rec(0x00FD, cell(r, c) + struct.pack("<I", shared(v, 1 if c == 0 else 0)))
            elif isinstance(v, float) and (v * 100) == int(v * 100) and v * 100 < (1 << 29):
                sheet += rec(0x027E, cell(r, c) + struct.pack("<I", rk_int(int(v * 100), True)))
            elif isinstance(v, int) and -(1 << 29) <= v < (1 << 29):
                sheet += rec(0x027E, cell(r, c) + struct.pack("<I", rk_int(v)))
            else:
                sheet += rec(0x0203, cell(r, c) + f64(float(v)))
    sheet += rec(0x000A)

    sheet_name = "数据"
    name_bytes = sheet_name.encode("utf-16-le")

    def globals_with(offset):
        g = rec(0x0809, struct.pack("<HHHHII", 0x0600, 0x0005, 0x0DBB, 0x07CC, 0, 0x06))
        g += rec(0x0042, struct.pack("<H", 936))  # WPS names the Chinese code page
        g += rec(0x0022, struct.pack("<H", 0))  # 1900 date system
        # A built-in defined name (Print_Area) over A1:B9 of the sheet.
        g += rec(0x0018, struct.pack("<HBBHHHBBBB", 0x0020, 0, 1, 11, 0, 1, 0, 0, 0, 0) + b"\x00\x06" +
                 struct.pack("<BHHHHH", 0x3B, 0, 0, 8, 0, 1))
        g += rec(0x0085, struct.pack("<IBBBB", offset, 0, 0, len(sheet_name), 1) + name_bytes)
        g += sst_records(strings, sst_limit)
        return g + rec(0x000A)

    globals_size = len(globals_with(0))
    return globals_with(globals_size) + sheet


# ---------------------------------------------------------------- compound file

def compound_file(stream_name, stream):
    """A version 3 compound file (512-byte sectors) holding one stream; a
    stream under 4096 bytes lives in the mini stream, as writers put it."""
    sector, mini = 512, 64
    end, free, fat_sector = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD
    in_mini = len(stream) < 4096

    def pad(data, size):
        return data + b"\x00" * (-len(data) % size)

    # Sector 0: FAT, 1: directory, then the mini FAT and mini stream, or the stream.
    fat = [fat_sector, end]
    sectors = [b"", b""]

    def chain(data):
        first = len(sectors)
        count = max(1, (len(data) + sector - 1) // sector)
        padded = pad(data, sector)
        for i in range(count):
            sectors.append(padded[i * sector:(i + 1) * sector])
            fat.append(first + i + 1 if i + 1 < count else end)
        return first

    mini_fat_start, mini_fat_count, root_start, root_size = end, 0, end, 0
    if in_mini:
        count = (len(stream) + mini - 1) // mini
        mini_fat = b"".join(struct.pack("<I", i + 1 if i + 1 < count else end) for i in range(count))
        mini_fat_start = chain(pad(mini_fat, sector))
        mini_fat_count = 1
        root_start = chain(pad(stream, mini))
        root_size = len(pad(stream, mini))
        stream_start = 0
    else:
        stream_start = chain(stream)

    def entry(name, kind, start, size, child=free):
        encoded = (name + "\x00").encode("utf-16-le") if name else b""
        return (encoded.ljust(64, b"\x00") + struct.pack("<HBB", len(encoded), kind, 1) +
                struct.pack("<III", free, free, child) + b"\x00" * 36 + struct.pack("<III", start, size, 0))

    unused = entry("", 0, 0, 0)
    sectors[1] = entry("Root Entry", 5, root_start, root_size, child=1) + \
        entry(stream_name, 2, stream_start, len(stream)) + unused * 2
    sectors[0] = b"".join(struct.pack("<I", f) for f in fat).ljust(sector, b"\xff")
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\x00" * 16 +
              struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\x00" * 6 +
              struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, mini_fat_start, mini_fat_count, end, 0))
    header += struct.pack("<I", 0) + b"\xff" * (4 * 108)
    return header + b"".join(sectors)


def write_compound_file(path, streams):
    """A version 3 compound file holding the given streams (name -> bytes)
    in its root storage; streams under 4096 bytes go to the mini stream."""
    sector, mini = 512, 64
    free, end, fat_mark = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
    names = sorted(streams, key=lambda n: (len(n), n.upper()))
    small = [n for n in names if len(streams[n]) < 4096]
    large = [n for n in names if len(streams[n]) >= 4096]

    def pad(data, size):
        return data + b"\0" * (-len(data) % size)

    ministream, minifat, mini_start = b"", [], {}
    for n in small:
        mini_start[n] = len(ministream) // mini
        count = max(1, -(-len(streams[n]) // mini))
        minifat += [mini_start[n] + i + 1 for i in range(count - 1)] + [end]
        ministream += pad(streams[n], mini)
    # Sector layout after the FAT: directory, mini FAT, mini stream, large streams.
    chains, body = [], b""

    def add_chain(data):
        first = len(chains)
        count = max(1, -(-len(data) // sector))
        chains.extend(first + i + 1 for i in range(count - 1))
        chains.append(end)
        return first, pad(data, sector)

    entries = [("Root Entry", 5, 0, len(ministream))] + [(n, 2, 0, len(streams[n])) for n in names]
    directory_size = len(pad(b"\0" * 128 * len(entries), sector))
    dir_first, _ = add_chain(b"\0" * directory_size)
    minifat_first, minifat_bytes = add_chain(pad(struct.pack("<%dI" % len(minifat), *minifat), sector))
    ministream_first, ministream_bytes = add_chain(ministream)
    large_first = {}
    large_bytes = b""
    for n in large:
        large_first[n], data = add_chain(streams[n])
        large_bytes += data
    fat_sectors = -(-(len(chains) + 1) // (sector // 4))
    shift = fat_sectors  # the FAT itself comes first
    fat = [fat_mark] * fat_sectors + [c + shift if c != end else end for c in chains]
    fat += [free] * (fat_sectors * sector // 4 - len(fat))

    def entry(name, kind, start, size, child=free, left=free, right=free):
        encoded = (name + "\0").encode("utf-16-le")
        return (encoded.ljust(64, b"\0") + struct.pack("<HBBIII", len(encoded), kind, 1, left, right, child)
                + b"\0" * 36 + struct.pack("<III", start, size, 0))

    # A tree without red nodes: each stream's right sibling is the next name.
    records = [entry("Root Entry", 5, ministream_first + shift if ministream else end, len(ministream),
                     child=1 if names else free)]
    for i, n in enumerate(names):
        start = mini_start[n] if n in mini_start else large_first[n] + shift
        records.append(entry(n, 2, start, len(streams[n]), right=i + 2 if i + 1 < len(names) else free))
    directory = pad(b"".join(records), sector)
    header = (b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + b"\0" * 16 +
              struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6 +
              struct.pack("<IIIIIIIII", 0, fat_sectors, dir_first + shift, 0, 4096,
                          minifat_first + shift if minifat else end, 1 if minifat else 0, end, 0))
    difat = list(range(fat_sectors)) + [free] * (109 - fat_sectors)
    header += struct.pack("<109I", *difat)
    with open(path, "wb") as f:
        f.write(header + struct.pack("<%dI" % len(fat), *fat) + directory + minifat_bytes +
                ministream_bytes + large_bytes)
