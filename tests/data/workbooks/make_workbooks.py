#!/usr/bin/python3
"""Writes the workbooks the workbook reader tests load.

Ordinary files come from real writers: openpyxl, LibreOffice (headless
conversion, which also stores the cached results of formulas) and xlwt.
Files no writer makes on purpose (inline strings, cells without references,
a wrong <dimension>, hostile packages) are assembled by hand as zip files.

    python3 make_workbooks.py            # rewrite the small test files here
    python3 make_workbooks.py --bench D [ROWS]  # write the large benchmark files to D

    python3 make_workbooks.py password quirks  # only the named groups

Excel 95 (BIFF5/7) files come from Gnumeric's ssconvert run in a GBK
locale built on the fly, so that it writes the Chinese code page; Excel 4.0
and WPS-style files, which no installable writer makes, from biff_build.py.

Needs python3-openpyxl, python3-xlwt, libreoffice-calc-nogui, gnumeric and
locales; the password group also python3-cryptography;
python3-msoffcrypto-tool (msoffcrypto-tool -p qinghe password.xlsx out.xlsx)
confirms its result.
"""
import datetime
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

import openpyxl
from openpyxl.styles import Font
import xlwt

import biff_build
import make_encrypted

HERE = os.path.dirname(os.path.abspath(__file__))


def save_openpyxl(wb, name, out):
    path = os.path.join(out, name)
    wb.save(path)
    return path


def convert(path, fmt, out, name):
    """Re-saves a workbook through LibreOffice as fmt (xls or xlsx)."""
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["soffice", "--headless", "--convert-to", fmt, "--outdir", tmp, path],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        produced = os.path.join(tmp, os.path.splitext(os.path.basename(path))[0] + "." + fmt)
        shutil.move(produced, os.path.join(out, name))


def basic_workbook():
    """The value kinds a business export holds, under a header row."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "数据"
    ws.append(["名称", "金额"])
    ws.append(["华北区", 3000000000])
    ws.append(["华东区", 12.5])
    ws.append(["华南区", 1e20])
    ws.append(["西北区", "1,234"])
    ws.append(["名 称", -7])
    ws.append(["合计", "=B3*2"])
    ws.append(["开关", True])
    ws.append(["关闭", False])
    ws.append(["日期", datetime.date(2024, 1, 15)])
    ws.append([2023, 0.1])
    return wb


def make_basic(out):
    source = save_openpyxl(basic_workbook(), "basic_openpyxl.xlsx", out)
    convert(source, "xlsx", out, "basic_libreoffice.xlsx")
    convert(source, "xls", out, "basic_libreoffice.xls")


def make_empty_first_sheet(out):
    wb = openpyxl.Workbook()
    wb.active.title = "空表"
    data = wb.create_sheet("数据")
    data.append(["A", 1])
    data.append(["B", 2])
    path = save_openpyxl(wb, "empty_first_sheet.xlsx", out)
    convert(path, "xls", out, "empty_first_sheet.xls")


def make_third_column_empty(out):
    """Column C carries formatting but no value in any row."""
    wb = openpyxl.Workbook()
    ws = wb.active
    for i, (name, value) in enumerate([("名称", "金额"), ("A", 10), ("B", 20)], start=1):
        ws.cell(row=i, column=1, value=name)
        ws.cell(row=i, column=2, value=value)
        ws.cell(row=i, column=3).font = Font(bold=True)
    path = save_openpyxl(wb, "third_column_empty.xlsx", out)
    convert(path, "xls", out, "third_column_empty.xls")


def make_formulas(out):
    """Cached formula results of each kind, as LibreOffice stores them."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.append(['=CONCATENATE("华","北")', "=2.5*4"])
    ws.append(["=1=1", "=1/0"])
    ws.append(['=""', '=REPT("长",300)'])
    path = save_openpyxl(wb, "formulas_source.xlsx", out)
    convert(path, "xlsx", out, "formulas_libreoffice.xlsx")
    convert(path, "xls", out, "formulas_libreoffice.xls")
    os.remove(path)


def make_long(out):
    """Long enough that the .xls workbook stream lives in regular sectors."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.append(["名称", "数值"])
    for i in range(1, 501):
        ws.append(["项目%d" % i, i])
    ws.append(["合计", "=SUM(B2:B501)"])
    ws.append(["真", True])
    path = save_openpyxl(wb, "long_source.xlsx", out)
    convert(path, "xls", out, "long_libreoffice.xls")
    os.remove(path)


def make_merged(out):
    """A name merged over two rows, as hand-made reports often have."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.append(["地区", "销量"])
    ws.append(["华北", 10])
    ws.append([None, 20])
    ws.append(["华南", 30])
    ws.merge_cells("A2:A3")
    save_openpyxl(wb, "merged.xlsx", out)


def make_sheet_order(out):
    """Sheets listed in the workbook in another order than their part names."""
    wb = openpyxl.Workbook()
    first = wb.active
    first.title = "Zeta"
    first.append(["甲", 1])
    first.append(["乙", 2])
    other = wb.create_sheet("Alpha")
    other.append(["x", "y", "z"])
    third = wb.create_sheet("Mid")
    third.append(["only one column"])
    path = save_openpyxl(wb, "sheet_order.xlsx", out)
    # Put Zeta's <sheet> entry after the others would make Alpha first; instead
    # rename the parts so the first sheet lives in the highest-numbered part.
    rewrite_zip(path, {
        "xl/worksheets/sheet1.xml": "xl/worksheets/sheet9.xml",
    }, text_edits={
        "xl/_rels/workbook.xml.rels": [("worksheets/sheet1.xml", "worksheets/sheet9.xml")],
        "[Content_Types].xml": [("/xl/worksheets/sheet1.xml", "/xl/worksheets/sheet9.xml")],
    })


def rewrite_zip(path, renames, text_edits):
    with zipfile.ZipFile(path) as zin:
        entries = [(info, zin.read(info.filename)) for info in zin.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as zout:
        for info, data in entries:
            name = renames.get(info.filename, info.filename)
            for old, new in text_edits.get(info.filename, []):
                data = data.replace(old.encode(), new.encode())
            zout.writestr(name, data)


CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>
</Types>"""
ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""
WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets>
</workbook>"""
WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>
</Relationships>"""
SHEET_HEAD = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">')


def write_package(path, sheet_xml, shared_xml=None, sheet_bytes=None):
    """A minimal package around one sheet; the sheet part may be raw bytes."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", ROOT_RELS)
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        if shared_xml is not None:
            z.writestr("xl/sharedStrings.xml", shared_xml)
        z.writestr("xl/worksheets/sheet1.xml", sheet_bytes if sheet_bytes is not None else sheet_xml)


def shared(*items):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d">%s</sst>'
            % (len(items), "".join(items)))


def make_hand_built(out):
    sst = shared(
        "<si><t>名称</t></si>",
        "<si><r><rPr><b/></rPr><t>华</t></r><r><t xml:space=\"preserve\">北 区</t></r>"
        "<rPh sb=\"0\" eb=\"1\"><t>ふりがな</t></rPh></si>",
        "<si><t>金额</t></si>",
        "<si><t>Tab_x0009_Here</t></si>",
    )
    # Inline strings, cells without r (they follow their predecessor), an
    # error cell, a cached formula string, a boolean, a <dimension> that
    # understates the range, rows out of order.
    sheet = SHEET_HEAD + """<dimension ref="A1:B2"/><sheetData>
<row r="1"><c t="s"><v>0</v></c><c t="s"><v>2</v></c></row>
<row r="3"><c r="A3" t="inlineStr"><is><t>内联</t></is></c><c t="inlineStr"><is><r><t>4</t></r><r><t>2</t></r></is></c></row>
<row r="2"><c r="A2" t="s"><v>1</v></c><c r="B2"><v>1.5E+3</v></c></row>
<row r="4"><c r="A4" t="str"><f>"公式"&amp;""</f><v>公式</v></c><c r="B4"><f>1/0</f><v>7</v></c><c r="C4" t="e"><v>#DIV/0!</v></c></row>
<row r="5"><c r="A5" t="s"><v>3</v></c><c r="B5" t="b"><v>1</v></c><c r="C5" t="b"><v>0</v></c></row>
</sheetData></worksheet>"""
    write_package(os.path.join(out, "hand_built.xlsx"), sheet, sst)

    # No <dimension> at all and data starting at B2.
    sheet = SHEET_HEAD + """<sheetData>
<row r="2"><c r="B2" t="inlineStr"><is><t>甲</t></is></c><c r="C2"><v>1</v></c></row>
<row r="3"><c r="B3" t="inlineStr"><is><t>乙</t></is></c><c r="C3"><v>2</v></c></row>
</sheetData></worksheet>"""
    write_package(os.path.join(out, "no_dimension.xlsx"), sheet)


def make_hostile(out, basic_path):
    # Shared-string index far beyond the table.
    sheet = SHEET_HEAD + """<sheetData><row r="1"><c r="A1" t="s"><v>1000000000</v></c>
<c r="B1"><v>1</v></c></row><row r="2"><c r="A2" t="s"><v>0</v></c><c r="B2"><v>2</v></c></row>
</sheetData></worksheet>"""
    write_package(os.path.join(out, "hostile_sst_index.xlsx"), sheet, shared("<si><t>x</t></si>"))

    # Two cells at opposite corners of the largest sheet.
    sheet = SHEET_HEAD + """<dimension ref="A1:XFD1048576"/><sheetData>
<row r="1"><c r="A1"><v>1</v></c></row>
<row r="1048576"><c r="XFD1048576"><v>2</v></c></row></sheetData></worksheet>"""
    write_package(os.path.join(out, "hostile_far_cell.xlsx"), sheet)

    # An entity-expansion document.
    sheet = ('<?xml version="1.0"?>\n<!DOCTYPE worksheet [<!ENTITY a "aaaaaaaaaa">'
             '<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>'
             '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
             '<row r="1"><c r="A1" t="inlineStr"><is><t>&c;</t></is></c><c r="B1"><v>1</v></c></row>'
             '<row r="2"><c r="A2" t="inlineStr"><is><t>y</t></is></c><c r="B2"><v>2</v></c></row>'
             '</sheetData></worksheet>')
    write_package(os.path.join(out, "hostile_doctype.xlsx"), sheet)

    # Nesting far deeper than any worksheet has.
    depth = 100000
    sheet = (SHEET_HEAD + '<sheetData><row r="1"><c r="A1" t="inlineStr"><is>' + "<r>" * depth +
             "</r>" * depth + "</is></c></row></sheetData></worksheet>")
    write_package(os.path.join(out, "hostile_deep.xlsx"), sheet)

    # A sheet part inflating to about 210 MB of whitespace inside valid XML:
    # refused long before the part size limit, as no cell text is that long.
    head = (SHEET_HEAD + "<sheetData>").encode()
    body = b" " * (210 * 1024 * 1024)
    tail = b"</sheetData></worksheet>"
    write_package(os.path.join(out, "hostile_zip_bomb.xlsx"), None, sheet_bytes=head + body + tail)

    # A real .xls whose recorded used range claims the whole BIFF8 sheet.
    with open(os.path.join(out, "basic_libreoffice.xls"), "rb") as f:
        data = bytearray(f.read())
    at = data.find(b"\x00\x02\x0e\x00")  # the DIMENSION record
    data[at + 4:at + 16] = struct.pack("<IIHH", 0, 65536, 0, 256)
    with open(os.path.join(out, "hostile_big_dimension.xls"), "wb") as f:
        f.write(data)

    # A directory entry whose name claims far more than the 64 bytes it has.
    with open(os.path.join(out, "basic_libreoffice.xls"), "rb") as f:
        data = bytearray(f.read())
    first_directory_sector = struct.unpack_from("<I", data, 0x30)[0]
    data[512 + first_directory_sector * 512 + 0x41] = 0xFF
    with open(os.path.join(out, "hostile_long_entry_name.xls"), "wb") as f:
        f.write(data)

    # A real workbook cut off half way.
    with open(basic_path, "rb") as f:
        data = f.read()
    with open(os.path.join(out, "hostile_truncated.xlsx"), "wb") as f:
        f.write(data[: len(data) // 2])
    xls = os.path.join(out, "basic_libreoffice.xls")
    with open(xls, "rb") as f:
        data = f.read()
    with open(os.path.join(out, "hostile_truncated.xls"), "wb") as f:
        f.write(data[: len(data) // 3])


def make_xlwt(out):
    """A BIFF8 file from a writer other than LibreOffice."""
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("销售")
    rows = [("项目", "数值"), ("甲", 3000000000), ("乙", 12.5), ("丙", "1,234"), ("名 称", 1e20)]
    for r, (name, value) in enumerate(rows):
        sheet.write(r, 0, name)
        sheet.write(r, 1, value)
    date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    sheet.write(5, 0, "日期")
    sheet.write(5, 1, datetime.date(2024, 1, 15), date_style)
    sheet.write(6, 0, "真")
    sheet.write(6, 1, True)
    book.save(os.path.join(out, "xlwt_basic.xls"))


def small_table(book_sheet_write):
    for r, (name, value) in enumerate([("甲", 1), ("乙", 2)]):
        book_sheet_write(r, 0, name)
        book_sheet_write(r, 1, value)


write_compound_file = biff_build.write_compound_file


def make_password(out):
    """An .xlsx with a password to open, and an .xls whose global records
    carry a FILEPASS record (the body of the file is left as it was)."""
    wb = openpyxl.Workbook()
    small_table(lambda r, c, v: wb.active.cell(row=r + 1, column=c + 1, value=v))
    with tempfile.TemporaryDirectory() as tmp:
        plain = save_openpyxl(wb, "plain.xlsx", tmp)
        with open(plain, "rb") as f:
            streams = make_encrypted.standard(f.read(), "qinghe")
        write_compound_file(os.path.join(out, "password.xlsx"), streams)

        book = xlwt.Workbook(encoding="utf-8")
        small_table(book.add_sheet("Sheet1").write)
        path = os.path.join(tmp, "plain.xls")
        book.save(path)
        with open(path, "rb") as f:
            data = bytearray(f.read())
    # INTERFACEHDR and MMS follow the BOF record; twelve bytes become a
    # FILEPASS record (XOR obfuscation: type 0, key, verifier, padding).
    at = data.find(b"\xe1\x00\x02\x00")
    assert at > 0 and data[at + 6:at + 10] == b"\xc1\x00\x02\x00"
    data[at:at + 12] = struct.pack("<HHHHHH", 0x002F, 8, 0, 0x1234, 0x5678, 0)
    with open(os.path.join(out, "password.xls"), "wb") as f:
        f.write(data)


def make_quirks(out):
    """Package quirks of other writers: a shared-string cell without an
    index, and parts written in UTF-16 with a byte order mark."""
    sst = shared("<si><t>名称</t></si>", "<si><t>甲</t></si>", "<si><t>乙</t></si>")
    sheet = SHEET_HEAD + """<sheetData>
<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v/></c></row>
<row r="2"><c r="A2" t="s"><v>1</v></c><c r="B2"><v>1</v></c></row>
<row r="3"><c r="A3" t="s"><v>2</v></c><c r="B3"><v>2</v></c></row>
<row r="4"><c r="A4" t="s"><v></v></c></row>
</sheetData></worksheet>"""
    write_package(os.path.join(out, "empty_shared_value.xlsx"), sheet, sst)

    def utf16(text, codec):
        text = text.replace('encoding="UTF-8"', 'encoding="UTF-16"')
        bom = b"\xff\xfe" if codec == "utf-16-le" else b"\xfe\xff"
        return bom + text.encode(codec)

    sheet = SHEET_HEAD + """<sheetData>
<row r="1"><c r="A1" t="s"><v>1</v></c><c r="B1"><v>1</v></c></row>
<row r="2"><c r="A2" t="s"><v>2</v></c><c r="B2"><v>2</v></c></row>
</sheetData></worksheet>"""
    with zipfile.ZipFile(os.path.join(out, "utf16_parts.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", utf16(CONTENT_TYPES, "utf-16-le"))
        z.writestr("_rels/.rels", utf16(ROOT_RELS, "utf-16-le"))
        z.writestr("xl/workbook.xml", utf16(WORKBOOK, "utf-16-le"))
        z.writestr("xl/_rels/workbook.xml.rels", utf16(WORKBOOK_RELS, "utf-16-be"))
        z.writestr("xl/sharedStrings.xml", utf16(sst, "utf-16-be"))
        z.writestr("xl/worksheets/sheet1.xml", utf16(sheet, "utf-16-le"))


# One table in every .xls flavour and as .xlsx: the readers must give the
# same items. Date and time cells keep their serial numbers, fraction and all.
DATE_ROWS = [
    ("名称", "数值", None),
    ("整数", 3000000000, None),
    ("小数", 12.5, None),
    ("时长", 1.5, "[h]:mm:ss"),
    ("日期时间", 45000.5, "yyyy-mm-dd"),
    ("时刻", 10.6325, "hh:mm"),
    ("负数", -7, None),
    ("布尔", True, None),
    ("文本数", "1,234", None),
]


def excel95(source, out, name):
    """Re-saves a workbook as Excel 95 through Gnumeric in a GBK locale."""
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["localedef", "-i", "zh_CN", "-f", "GBK", os.path.join(tmp, "zh_CN.GBK")],
                       check=True)
        env = dict(os.environ, LOCPATH=tmp, LANG="zh_CN.GBK", LC_ALL="zh_CN.GBK")
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_biff7", source, os.path.join(out, name)],
                       check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_dates(out):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "数据"
    for r, (name, value, fmt) in enumerate(DATE_ROWS, start=1):
        ws.cell(row=r, column=1, value=name)
        ws.cell(row=r, column=2, value=value)
        if fmt:
            ws.cell(row=r, column=2).number_format = fmt
    source = save_openpyxl(wb, "dates.xlsx", out)
    convert(source, "xls", out, "dates_libreoffice.xls")
    excel95(source, out, "dates_excel95.xls")

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("数据")
    for r, (name, value, fmt) in enumerate(DATE_ROWS):
        sheet.write(r, 0, name)
        if fmt:
            sheet.write(r, 1, value, xlwt.easyxf(num_format_str=fmt))
        else:
            sheet.write(r, 1, value)
    book.save(os.path.join(out, "dates_xlwt.xls"))

    rows = [[name, value] for name, value, _ in DATE_ROWS]
    with open(os.path.join(out, "dates_excel4.xls"), "wb") as f:
        f.write(biff_build.biff4_worksheet(rows))
    # Also a stream name in mixed case, which some writers use.
    with open(os.path.join(out, "dates_wps.xls"), "wb") as f:
        f.write(biff_build.compound_file("WorkBook", biff_build.wps_workbook_stream(rows)))


def short_count(n):
    return "%dm" % (n // 1000000) if n % 1000000 == 0 else "%dk" % (n // 1000)


def make_bench(out, rows_xlsx=100000, rows_xls=60000):
    """A .xlsx of rows_xlsx rows named bench_<rows>.xlsx (100k, 1m, ...), and
    an .xls of rows_xls rows."""
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet("数据")
    ws.append(["名称", "数值"])
    for i in range(rows_xlsx):
        ws.append(["项目%d" % i, (i * 37) % 100000 + 0.25])
    wb.save(os.path.join(out, "bench_%s.xlsx" % short_count(rows_xlsx)))
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("数据")
    sheet.write(0, 0, "名称")
    sheet.write(0, 1, "数值")
    for i in range(rows_xls):
        sheet.write(i + 1, 0, "项目%d" % i)
        sheet.write(i + 1, 1, (i * 37) % 100000 + 0.25)
    book.save(os.path.join(out, "bench_60k.xls"))


def main():
    if len(sys.argv) in (3, 4) and sys.argv[1] == "--bench":
        os.makedirs(sys.argv[2], exist_ok=True)
        if len(sys.argv) == 4:
            make_bench(sys.argv[2], rows_xlsx=int(sys.argv[3]))
        else:
            make_bench(sys.argv[2])
        return
    out = HERE
    groups = {"password": make_password, "quirks": make_quirks}
    if len(sys.argv) > 1:
        for name in sys.argv[1:]:
            groups[name](out)
        return
    make_basic(out)
    make_empty_first_sheet(out)
    make_third_column_empty(out)
    make_merged(out)
    make_formulas(out)
    make_long(out)
    make_sheet_order(out)
    make_hand_built(out)
    make_xlwt(out)
    make_dates(out)
    make_hostile(out, os.path.join(out, "basic_openpyxl.xlsx"))
    for make in groups.values():
        make(out)


if __name__ == "__main__":
    main()
